// Reading one tree in Newick notation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "report/report_trees.hpp"
#include "search/search_trees.hpp"

namespace {

using genedupreport::GeneTreeRooted;
using genedupreport::GeneTreeUnrooted;
using localsearch::SpeciesTree;

template <class T>
void parseInto(T& tree, const std::string& text) {
  std::istringstream stream(text);
  Input in(stream);
  ASSERT_TRUE(tree.stream2tree(in)) << text;
}

// The constraint colour after a ":" in the search's species trees only.
std::string colour(void*) { return ""; }
std::string colour(localsearch::SpeciesNode* node) { return ":" + std::to_string(node->color); }

// Nested form of a subtree: children in slot order, then the name of a
// labelled node. Also checks that every child points back to its parent.
template <class T>
std::string shape(T& tree, typename T::Node* node) {
  std::string s;
  if (node->child(0) != nullptr || node->child(1) != nullptr) {
    s = "(";
    for (int i = 0; i < 2; ++i) {
      typename T::Node* child = node->child(i);
      if (i == 1) s += ",";
      if (child == nullptr) continue;
      EXPECT_EQ(child->parent(), node);
      s += shape(tree, child);
    }
    s += ")";
  }
  if (auto* named = dynamic_cast<typename T::NamedNode*>(node)) s += named->name();
  return s + colour(node);
}

// The first draws after seeding; the generator is seeded again afterwards.
std::vector<int> drawsFor(unsigned seed) {
  srand(seed);
  std::vector<int> draws(16);
  for (int& r : draws) r = rand();
  srand(seed);
  return draws;
}

// Records the name and the comments of every node as it is created.
struct CommentSpy : genedupreport::SpeciesTree {
  std::vector<std::pair<std::string, std::vector<std::string>>> created;
  void createNode(TempNode& temp) override {
    SpeciesTree::createNode(temp);
    created.emplace_back(temp.name, temp.comments);
  }
};

TEST(NewickParserShape, ReadsNamesAndStructure) {
  const std::pair<const char*, const char*> cases[] = {
      {"(A,B);", "(A,B)"}, {"((A,B),C);", "((A,B),C)"}, {"(A,(B,C));", "(A,(B,C))"},
      {"((D,C),(B,A));", "((D,C),(B,A))"}, {"(A,B)X;", "(A,B)X"}, {"((A,B)Y,C)X;", "((A,B)Y,C)X"},
      {"(A B,C);", "(AB,C)"}, {"(A,B)C D;", "(A,B)CD"}, {"(A[note]B,C);", "(AB,C)"},
      {"('Homo sapiens',\"x.y\")'root (1)';", "(Homo sapiens,x.y)root (1)"},
      {"((A,B):0.5,C:-1e-3);", "((A,B),C)"}, {"((A:1,B:2.5e+1)X:0.5,C:'3'):7;", "((A,B)X,C)"},
      {" \n( A ,\tB\n)\r\n;", "(A,B)"}, {"[before](A,B);", "(A,B)"},
  };
  for (const auto& [text, expected] : cases) {
    GeneTreeRooted tree;
    parseInto(tree, text);
    EXPECT_EQ(tree.root->parent(), nullptr);
    EXPECT_EQ(shape(tree, tree.root), expected) << text;
  }
}

TEST(NewickParserShape, ContractsSingleChildNodes) {
  const std::pair<const char*, const char*> cases[] = {
      {"(A,(B));", "(A,B)"},         {"((B),A);", "(B,A)"},
      {"((A,B));", "(A,B)"},         {"(((A)),B);", "(A,B)"},
      {"((A,(B))X,C);", "((A,B)X,C)"}, {"(A);", "A"},
      {"((A,B)X)Y;", "(A,B)X"},      {"(A,(B)X);", "(A,B)"},
  };
  for (const auto& [text, expected] : cases) {
    const int first = drawsFor(5)[0];
    GeneTreeRooted tree;
    parseInto(tree, text);
    EXPECT_EQ(shape(tree, tree.root), expected) << text;
    EXPECT_EQ(tree.root->parent(), nullptr) << text;
    EXPECT_EQ(rand(), first) << "no draw for " << text;
    // Only the nodes that remain are created and owned; a dropped name is not kept.
    EXPECT_EQ(tree.nodes.size(), 2 * tree.leaves.size() - 1) << text;
    const bool keepsX = std::string(expected).find('X') != std::string::npos;
    EXPECT_EQ(NodeID::namelist.count("X"), keepsX ? 1u : 0u) << text;
    EXPECT_EQ(NodeID::namelist.count("Y"), 0u) << text;
  }
}

TEST(NewickParserShape, LeavesInTextOrderAndStreamLeftAfterSemicolon) {
  std::istringstream text("((C,A),(D,B));X (E,F);  [tail]\n");
  Input in(text);
  GeneTreeRooted first, second, none;
  ASSERT_TRUE(first.stream2tree(in));
  std::string names;
  for (auto* leaf : first.leaves) names += leaf->name();
  EXPECT_EQ(names, "CADB");
  char c = 0;
  ASSERT_TRUE(in.nextAnyChar(c));
  EXPECT_EQ(c, 'X');
  ASSERT_TRUE(second.stream2tree(in));
  EXPECT_EQ(shape(second, second.root), "(E,F)");
  EXPECT_FALSE(none.stream2tree(in));
  EXPECT_EQ(none.root, nullptr);
  EXPECT_TRUE(none.nodes.empty());
}

TEST(NewickParserComments, AttachedToTheirNodes) {
  // Name and comments of each node, in creation order.
  const struct {
    const char* text;
    std::vector<std::pair<std::string, std::vector<std::string>>> created;
  } cases[] = {
      {"([&x]A[&y]:1,B)[&z];", {{"", {"[&z]"}}, {"A", {"[&x]", "[&y]"}}, {"B", {}}}},
      {"[lost](A,B);", {{"", {}}, {"A", {}}, {"B", {}}}},
      {"(A[p][q],[r](B,C)[s]X[t]:2[u]);",
       {{"", {}}, {"A", {"[p]", "[q]"}}, {"X", {"[r]", "[s]", "[t]", "[u]"}},
        {"B", {}}, {"C", {}}}},
      {"(A,[in]B[x]C);", {{"", {}}, {"A", {}}, {"BC", {"[in]", "[x]"}}}},
      // A contracted node hands its comments on to its child.
      {"(A,([a](B,C)[b])[c]);",
       {{"", {}}, {"A", {}}, {"", {"[a]", "[b]", "[c]"}}, {"B", {}}, {"C", {}}}},
  };
  for (const auto& c : cases) {
    CommentSpy tree;
    parseInto(tree, c.text);
    EXPECT_EQ(tree.created, c.created) << c.text;
    EXPECT_TRUE(tree.tempNodes.empty()) << c.text;
  }
}

// Parses without showing the multifurcation warnings.
void parseQuietly(GeneTreeRooted& tree, const std::string& text) {
  testing::internal::CaptureStderr();
  parseInto(tree, text);
  testing::internal::GetCapturedStderr();
}

// One child of a node being resolved: its temp index and nested form.
struct Item {
  int index;
  std::string shape;
};

// Replays the documented grouping on a child list: two children chosen by
// k = int((r * 2^-31) * length) go under a new node, which is appended.
std::string resolve(std::vector<Item> list, int& nextIndex, const std::vector<int>& draws,
                    std::size_t& used) {
  auto byIndex = [](const Item& a, const Item& b) { return a.index < b.index; };
  while (list.size() > 2) {
    std::vector<Item> grouped;
    for (int d = 0; d < 2; ++d) {
      const double r = draws.at(used++);
      const double length = static_cast<double>(list.size());
      const auto k = static_cast<std::size_t>(r * std::ldexp(1.0, -31) * length);
      grouped.push_back(list.at(k));
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(k));
    }
    std::sort(grouped.begin(), grouped.end(), byIndex);
    list.push_back({nextIndex++, "(" + grouped[0].shape + "," + grouped[1].shape + ")"});
  }
  std::sort(list.begin(), list.end(), byIndex);
  return "(" + list[0].shape + "," + list[1].shape + ")";
}

TEST(NewickParserMultifurcation, FlatNodesResolvedByDocumentedDraws) {
  for (unsigned seed : {1u, 7u, 42u, 2024u, 99991u}) {
    for (int c = 3; c <= 6; ++c) {
      std::string text = "(A";
      std::vector<Item> items = {{1, "A"}};
      for (int i = 1; i < c; ++i) {
        items.push_back({i + 1, std::string(1, static_cast<char>('A' + i))});
        text += "," + items.back().shape;
      }
      text += ");";
      const std::vector<int> draws = drawsFor(seed);
      int next = c + 1;
      std::size_t used = 0;
      const std::string expected = resolve(items, next, draws, used);
      GeneTreeRooted tree;
      parseQuietly(tree, text);
      EXPECT_EQ(shape(tree, tree.root), expected) << text << " seed " << seed;
      EXPECT_EQ(rand(), draws[2 * (c - 2)]) << text << ": exactly 2*(c-2) draws";
      // The node made by the last grouping is created last: the root's child 1.
      EXPECT_EQ(tree.root->child(1), tree.nodes.back()) << text;
    }
  }
}

TEST(NewickParserMultifurcation, NestedNodesResolvedInTextOrder) {
  for (unsigned seed : {3u, 11u, 12345u}) {
    const std::vector<int> draws = drawsFor(seed);
    int next = 7;
    std::size_t used = 0;
    // The root (children: inner, D, E) draws first, then the inner node.
    std::string expected = resolve({{1, "#"}, {5, "D"}, {6, "E"}}, next, draws, used);
    const std::string inner = resolve({{2, "A"}, {3, "B"}, {4, "C"}}, next, draws, used);
    expected.replace(expected.find('#'), 1, inner);
    GeneTreeRooted tree;
    parseQuietly(tree, "((A,B,C),D,E);");
    EXPECT_EQ(shape(tree, tree.root), expected) << "seed " << seed;
    EXPECT_EQ(rand(), draws[4]);
  }
}

TEST(NewickParserMultifurcation, WarnsAtEachCommaAfterTheSecondChild) {
  const std::pair<const char*, std::string> cases[] = {
      {"(A,B);", ""},
      {"(A,B,C);", "WARNING: multifurcation detected at line 1 column 5\n"},
      {"(A,B,C,D);", "WARNING: multifurcation detected at line 1 column 5\n"
                     "WARNING: multifurcation detected at line 1 column 7\n"},
      {"((A,B),C,D);", "WARNING: multifurcation detected at line 1 column 9\n"},
      {"(A,B:1.5 ,C);", "WARNING: multifurcation detected at line 1 column 10\n"},
      {"(A,\nB[c]\n,C);", "WARNING: multifurcation detected at line 3 column 1\n"},
      {"((A,B,C),D);", "WARNING: multifurcation detected at line 1 column 6\n"},
  };
  for (const auto& [text, expected] : cases) {
    srand(1);
    testing::internal::CaptureStderr();
    GeneTreeUnrooted tree;
    parseInto(tree, text);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), expected) << text;
  }
}

// Colours as read, the count of marks, and the colours once spread down.
TEST(NewickParserConstraints, MarksNumberedInTextOrderThenSpread) {
  const struct {
    const char *text, *read;
    unsigned count;
    const char* spread;
  } cases[] = {
      {"((A,B)[&CONSTRAINT],(C,D)[&CONSTRAINT]);", "((A:0,B:0):1,(C:0,D:0):2):0", 2,
       "((A:1,B:1):1,(C:2,D:2):2):0"},
      {"(((A,B)[&CONSTRAINT],C)[&CONSTRAINT],D);", "(((A:0,B:0):2,C:0):1,D:0):0", 2,
       "(((A:2,B:2):2,C:1):1,D:0):0"},
      {"((A,B)[&CONSTRAINT][&CONSTRAINT],C);", "((A:0,B:0):1,C:0):0", 1, "((A:1,B:1):1,C:0):0"},
      {"((A,B),C[&CONSTRAINT])[&CONSTRAINT];", "((A:0,B:0):0,C:2):1", 2, "((A:1,B:1):1,C:2):1"},
      {"(A,[&CONSTRAINT](B,C));", "(A:0,(B:0,C:0):1):0", 1, "(A:0,(B:1,C:1):1):0"},
      {"(A,((B,C))[&CONSTRAINT]);", "(A:0,(B:0,C:0):1):0", 1, "(A:0,(B:1,C:1):1):0"},
      // Not marks: a blank inside, lower case, a value.
      {"((A,B)[&CONSTRAINT ],C[&constraint])[&CONSTRAINT=1];", "((A:0,B:0):0,C:0):0", 0,
       "((A:0,B:0):0,C:0):0"},
  };
  for (const auto& c : cases) {
    SpeciesTree tree;
    parseInto(tree, c.text);
    EXPECT_EQ(shape(tree, tree.root), c.read) << c.text;
    EXPECT_EQ(tree.constraintCount, c.count) << c.text;
    localsearch::colorSpeciesTreeByConstraintsDFS(tree.root, tree.root->color);
    EXPECT_EQ(shape(tree, tree.root), c.spread) << c.text;
  }
}

TEST(NewickParserErrors, FatalWithMessageAndPosition) {
  const std::pair<const char*, const char*> cases[] = {
      {"A;", "problem in the tree expression line 1 column 2 Athis"},
      {"\n  x(A,B);", "problem in the tree expression line 2 column 4 xthis"},
      {"(", "unexpected end in the tree expression line 1 column 2"},
      {"(A,", "unexpected end in the tree expression line 1 column 4"},
      {"(A,B)", "unexpected end in the tree expression line 1 column 6"},
      {"(A,B)\n", "unexpected end in the tree expression line 2 column 1"},
      {"(A,B:1", "unexpected end in the tree expression line 1 column 7"},
      {"(A,B)[open", "unexpected end in the tree expression line 1 column 11"},
      {"(A;B);", "missing ')' in input tree expression line 1 column 3"},
      {"((A,B)X Y Z;", "missing ')' in input tree expression line 1 column 12"},
      {"(A,B));", "missing ';' in tree expression line 1 column 7"},
      {"(A,B):x;", "cannot read numeric value at line 1 column 8"},
      {"(A:,B);", "cannot read numeric value at line 1 column 5"},
      {"(,A);", "missing leaf name in the tree expression line 1 column 2"},
      {"(A,);", "missing leaf name in the tree expression line 1 column 4"},
      {"();", "missing leaf name in the tree expression line 1 column 2"},
      {"(A,'');", "missing leaf name in the tree expression line 1 column 4"},
      {"(A,\n  ,B);", "missing leaf name in the tree expression line 2 column 3"},
  };
  for (const auto& [text, message] : cases) {
    const std::string input = text;
    EXPECT_EXIT(
        {
          GeneTreeRooted tree;
          std::istringstream stream(input);
          Input in(stream);
          tree.stream2tree(in);
        },
        testing::ExitedWithCode(1), testing::Eq("ERROR: " + std::string(message) + "\n"))
        << text;
  }
}

}  // namespace
