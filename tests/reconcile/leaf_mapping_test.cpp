// Tying gene leaves to species leaves: errors, uncovered species, and the
// leaf-adding stage's null mappings for species not yet in its tree.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "builder/leafadd_tree_set.hpp"
#include "driver/globals.hpp"
#include "report/report_tree_set.hpp"
#include "search/search_tree_set.hpp"

namespace {

template <class Set>
void read(Set& set, const std::string& text) {
  std::istringstream stream(text);
  Input in(stream);
  set.readTrees(in);
}

template <class TreeT>
std::string newick(TreeT& tree) {
  std::ostringstream out;
  tree.subtree2newickDFS(out, tree.root);
  return out.str();
}

TEST(LeafMapping, FatalErrors) {
  quiet = true;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"((A,B),A);(A,B);", "^ERROR: \"A\" is not a unique species\n$"},
      {"((A,B),C);(A,D);", "^ERROR: species \"D\" is not covered in the species tree\n$"},
      {"((A,B),C);(A,B);[&U](C,(A,X));", "^ERROR: species \"X\" is not covered in the species tree\n$"},
  };
  for (const auto& [text, message] : cases) {
    EXPECT_EXIT(
        {
          genedupreport::TreeSet set;
          read(set, text);
          set.createLeafMapping();
        },
        testing::ExitedWithCode(1), message)
        << text;
    EXPECT_EXIT(
        {
          localsearch::TreeSet set;
          read(set, text);
          set.createLeafMapping();
        },
        testing::ExitedWithCode(1), message)
        << text;
  }
}

struct UncoveredCase {
  std::string text;
  std::string warnings;
  std::string speciesTree;  // after the deletions
};

TEST(LeafMapping, UncoveredSpeciesAreDeletedWithAWarning) {
  quiet = true;
  const std::vector<UncoveredCase> cases = {
      {"((A,B),(C,D));(A,B);[&U](A,(C,D));", "", "((A,B),(C,D))"},
      {"(((A,B),C),(D,E));(A,(A,D));",
       "WARNING: species \"B\" is not covered by any gene tree - species ignored\n"
       "WARNING: species \"C\" is not covered by any gene tree - species ignored\n"
       "WARNING: species \"E\" is not covered by any gene tree - species ignored\n",
       "(A,D)"},
      {"((A,B),C);(B,B);",
       "WARNING: species \"A\" is not covered by any gene tree - species ignored\n"
       "WARNING: species \"C\" is not covered by any gene tree - species ignored\n",
       "B"},
  };
  for (const UncoveredCase& c : cases) {
    genedupreport::TreeSet set;
    read(set, c.text);
    testing::internal::CaptureStderr();
    set.createLeafMapping();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.warnings) << c.text;
    EXPECT_EQ(newick(*set.speciesTree), c.speciesTree) << c.text;
    EXPECT_EQ(set.speciesTree->nodes.size(), 2 * set.speciesTree->leaves.size() - 1) << c.text;
    // Every gene leaf is tied to the species leaf of its name.
    for (auto* tree : set.rootedGeneTrees)
      for (auto* leaf : tree->leaves)
        EXPECT_EQ(static_cast<genedupreport::NamedSpeciesNode*>(leaf->primaryMapping)->name(), leaf->name());
    for (auto* tree : set.unrootedGeneTrees)
      for (auto* leaf : tree->leaves)
        EXPECT_EQ(static_cast<genedupreport::NamedSpeciesNode*>(currentMapping(leaf))->name(), leaf->name());
  }
}

TEST(LeafMapping, LeafAddingStageMapsMissingSpeciesToNull) {
  quiet = true;
  buildtree::LEAFADD::TreeSet set;
  read(set, "((A,B),(C,D));");
  std::istringstream partial("(A,C);");
  Input in(partial);
  set.speciesTree->stream2tree(in);
  testing::internal::CaptureStderr();
  set.createLeafMapping();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  std::vector<std::string> mapped;
  for (auto* leaf : set.rootedGeneTrees[0]->leaves) {
    auto* species = static_cast<buildtree::LEAFADD::NamedSpeciesNode*>(leaf->primaryMapping);
    mapped.push_back(species != nullptr ? species->name() : "-");
  }
  EXPECT_EQ(mapped, (std::vector<std::string>{"A", "-", "C", "-"}));
  EXPECT_EQ(set.speciesTree->leaves.size(), 2U) << "nothing is removed";

  // The gene tree's mapping skips the missing species: (A,B) maps to A.
  std::uint32_t counter = 0;
  set.speciesTree->establishOrderDFS(set.speciesTree->root, counter);
  set.speciesTree->preprocessLCA();
  set.mapRootedTree(*set.rootedGeneTrees[0]);
  auto* geneRoot = set.rootedGeneTrees[0]->root;
  EXPECT_EQ(geneRoot->child(0)->primaryMapping, set.speciesTree->leaves[0]);
  EXPECT_EQ(geneRoot->primaryMapping, set.speciesTree->root);
  int duplications = 0;
  set.getScoreDFS(duplications, geneRoot);
  EXPECT_EQ(duplications, 0) << "a node mapped like one child, the other side unmapped, is no duplication";
  set.speciesTree->postprocessLCA();
}

}  // namespace
