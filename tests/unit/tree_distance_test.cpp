// The distances of the accuracy benchmark on pairs of trees whose splits and
// clades are counted by hand; bad trees and differing leaves are errors.

#include "tree_distance.hpp"

#include <gtest/gtest.h>

namespace {

using dlsim::treeDistance;

// A caterpillar (((x0,x1),x2),...) on the names in order.
std::string caterpillar(std::vector<std::string> names) {
  std::string text = names[0];
  for (std::size_t i = 1; i < names.size(); ++i) text = "(" + text + "," + names[i] + ")";
  return text + ";";
}

TEST(TreeDistance, CountsSplitsAndClades) {
  struct Case {
    const char *first, *second;
    long unrootedDiffer, unrootedMost, rootedDiffer, rootedMost;
  };
  const Case cases[] = {
      {"((a,b),(c,d));", "((d,c),(b,a));", 0, 2, 0, 4},
      {"((a,b),(c,d));", "((a,c),(b,d));", 2, 2, 4, 4},
      {"((a,b),(c,d));", "(a,(b,(c,d)));", 0, 2, 2, 4},  // only the root moved
      {"(((a,b),c),(d,e));", "(((a,c),b),(d,e));", 2, 4, 2, 6},
      {"(((a,b),c),((d,e),f));", "(((a,b),f),((d,e),c));", 2, 6, 4, 8},
      {"(a,b,(c,d));", "((a,b),(c,d));", 0, 2, 1, 4},  // a multifurcation has fewer clades
      {"((a,b),c);", "(a,(b,c));", 0, 0, 2, 2},
      {"(a,b);", "(b,a);", 0, 0, 0, 0},
      {"[&R] (('a b':0.1,c)95:2,(d,'e''s'));\n", "((c,'a b')x , ('e''s':1e-3,d)[note]);", 0, 2, 0, 4},
  };
  for (const Case& c : cases) {
    const dlsim::TreeDistance d = treeDistance(c.first, c.second);
    EXPECT_EQ(std::vector<long>({d.unrootedDiffer, d.unrootedMost, d.rootedDiffer, d.rootedMost}),
              std::vector<long>({c.unrootedDiffer, c.unrootedMost, c.rootedDiffer, c.rootedMost}))
        << c.first << " " << c.second;
    EXPECT_DOUBLE_EQ(d.unrooted(), c.unrootedMost > 0 ? double(c.unrootedDiffer) / double(c.unrootedMost) : 0.0);
  }
  // Seventy leaves, two words a set: the last two leaves of a caterpillar swapped.
  std::vector<std::string> names;
  for (int i = 0; i < 70; ++i) names.push_back("x" + std::to_string(i));
  const std::string before = caterpillar(names);
  std::swap(names[68], names[69]);
  const dlsim::TreeDistance d = treeDistance(before, caterpillar(names));
  EXPECT_EQ(std::vector<long>({d.unrootedDiffer, d.unrootedMost, d.rootedDiffer, d.rootedMost}),
            std::vector<long>({0, 134, 2, 136}));
}

// Gene-tree error: true rooted trees with lengths against estimated ones as
// FastTree writes them (a three-way root, supports); pairs of fewer than
// four leaves do not count.
TEST(TreeDistance, MeanOverPairedListsOfTrees) {
  const auto trees = [](const char* text) { return dlsim::readNewickTrees(text); };
  const auto truth = trees("((a:0.1,b:0.2):0.05,(c:1e-3,d:0.3):0.4);\n(x:1,y:1);\n[&U] (((p,q),r),(s,(t,u)));\n");
  ASSERT_EQ(truth.size(), 3u);
  const dlsim::MeanDistance mean = dlsim::meanUnrootedDistance(
      truth, trees("(a:0.1,b:0.2,(c:0.1,d:0.3)0.951:0.4);\n(y,x);\n(p,r,((q,s)0.2,(t,u)1:0.1));\n"));
  EXPECT_EQ(mean.pairs, 2);
  EXPECT_DOUBLE_EQ(mean.unrooted, (0.0 + 4.0 / 6.0) / 2);
  EXPECT_THROW(dlsim::meanUnrootedDistance(truth, trees("(a,b);")), dlsim::TreeTextError);
}

TEST(TreeDistance, RefusesBadTreesAndOtherLeaves) {
  const std::pair<const char*, const char*> cases[] = {
      {"((a,b),(c,e));", "leaf e is in the second tree only"},
      {"((a,b),c);", "leaf d is missing from the second tree"},
      {"((a,b),(c,d),d);", "leaf d stands twice in the second tree"},
      {"((a,b),(c,d)", "the tree ends before its \";\" (at character 13)"},
      {"((a,),(c,d));", "a leaf without a name (at character 5)"},
      {"a;", "no Newick tree: a tree starts with \"(\" (at character 1)"},
      {"((a,b) [x,(c,d));", "a comment is not closed (at character 8)"},
  };
  for (const auto& [second, message] : cases) {
    try {
      treeDistance("((a,b),(c,d));", second);
      ADD_FAILURE() << second;
    } catch (const dlsim::TreeTextError& error) {
      EXPECT_EQ(std::string(error.what()), message);
    }
  }
}

}  // namespace
