// Writing trees in Newick notation, and reading back what was written.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "builder/leafadd_trees.hpp"
#include "report/report_trees.hpp"
#include "search/search_trees.hpp"

namespace {

namespace LA = buildtree::LEAFADD;

// Puts a new node on the tree's nodes list, which owns it.
template <class T, class N>
N* own(T& tree, N* node) {
  tree.nodes.push_back(node);
  return node;
}

template <class N, class M>
void link(N* parent, int slot, M* child) {
  parent->child(slot) = child;
  child->parent() = parent;
}

template <class T>
std::string write(T& tree, typename T::Node* node) {
  std::ostringstream out;
  tree.subtree2newickDFS(out, node);
  return out.str();
}

using GTree = genedupreport::GeneTreeRooted;
using GNode = genedupreport::GeneNodeRooted;
using GNamed = genedupreport::NamedGeneNodeRooted;

TEST(NewickWriterShapes, EdgeCases) {
  GTree tree;
  GNode* one = own(tree, new GNode);
  link(one, 1, own(tree, new GNamed("A")));
  GNode* zero = own(tree, new GNode);
  link(zero, 0, own(tree, new GNamed("A")));
  GNode* labelled = own(tree, new GNamed("X"));
  link(labelled, 0, own(tree, new GNamed("A")));
  link(labelled, 1, own(tree, new GNamed("B")));
  EXPECT_EQ(write(tree, own(tree, new GNamed("A"))), "A");
  EXPECT_EQ(write(tree, own(tree, new GNode)), "");
  EXPECT_EQ(write(tree, nullptr), "");
  EXPECT_EQ(write(tree, one), "(,A)");
  EXPECT_EQ(write(tree, zero), "(A)");
  EXPECT_EQ(write(tree, labelled), "(A,B)X");
}

TEST(NewickWriterNames, QuotedUnlessLettersDigitsUnderscore) {
  const std::pair<const char*, const char*> cases[] = {
      {"Homo sapiens", "'Homo sapiens'"}, {"x.y", "'x.y'"}, {"A_1", "A_1"}, {"rstu", "rstu"},
      {"Zz09_", "Zz09_"}, {"a-b", "'a-b'"}, {"it's", "'it's'"}, {"", ""},
  };
  for (const auto& [name, expected] : cases) {
    GTree tree;
    EXPECT_EQ(write(tree, own(tree, new GNamed(name))), expected) << name;
  }
}

// A leaf-adding species tree (A,B) under a root with leaf C, with colours
// {root, inner, A, B, C}.
std::string writeColoured(const std::vector<int>& colour, const char* innerName = nullptr) {
  LA::SpeciesTree tree;
  using Named = LA::NamedSpeciesNode;
  LA::SpeciesNode* n[] = {new LA::SpeciesNode,
                          innerName ? new Named(innerName) : new LA::SpeciesNode,
                          new Named("A"), new Named("B"), new Named("C x")};
  tree.nodes.assign(n, n + 5);
  link(n[0], 0, n[1]);
  link(n[0], 1, n[4]);
  link(n[1], 0, n[2]);
  link(n[1], 1, n[3]);
  for (int i = 0; i < 5; ++i) n[i]->color = colour[i];
  tree.root = n[0];
  return write(tree, tree.root);
}

TEST(NewickWriterConstraints, MarksTopOfEachClade) {
  const std::pair<std::vector<int>, const char*> cases[] = {
      {{0, 0, 0, 0, 0}, "((A,B),'C x')"},
      {{0, 1, 1, 1, 0}, "((A,B)[&CONSTRAINT],'C x')"},
      {{4, 4, 4, 4, 4}, "((A,B),'C x')"},  // the root is never marked
      {{4, 0, 0, 0, 4}, "((A,B)[&CONSTRAINT],'C x')"},
      {{0, 3, 3, 3, 3}, "((A,B)[&CONSTRAINT],'C x'[&CONSTRAINT])"},
      {{0, 1, 2, 1, 0}, "((A[&CONSTRAINT],B)[&CONSTRAINT],'C x')"},
      {{-1, 0, 0, 0, -1}, "((A,B)[&CONSTRAINT],'C x')"},
  };
  for (const auto& [colour, expected] : cases) EXPECT_EQ(writeColoured(colour), expected);
  EXPECT_EQ(writeColoured({0, 1, 1, 1, 0}, "X"), "((A,B)X[&CONSTRAINT],'C x')");

  LA::SpeciesTree single;
  single.root = own(single, new LA::NamedSpeciesNode("A"));
  single.root->color = 7;
  EXPECT_EQ(write(single, single.root), "A");
}

// Random full binary leaf-adding species trees: names that need quoting and
// some that don't, a few labelled inner nodes, and constraint clades.
struct Grower {
  std::mt19937 rng;
  int names = 0;
  int colours = 0;
  explicit Grower(unsigned seed) : rng(seed) {}
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }

  LA::SpeciesNode* grow(LA::SpeciesTree& tree, int leaves, int parentColour) {
    static const char* const pool[] = {"A", "b_2", "Homo sapiens", "x.y", "C-3", "it is"};
    LA::SpeciesNode* node = leaves == 1 || pick(5) == 0
                                ? new LA::NamedSpeciesNode(pool[pick(6)] + std::to_string(names++))
                                : new LA::SpeciesNode;
    own(tree, node);
    node->color = pick(4) == 0 ? ++colours : parentColour;
    if (leaves > 1) {
      const int left = 1 + pick(leaves - 1);
      link(node, 0, grow(tree, left, node->color));
      link(node, 1, grow(tree, leaves - left, node->color));
    }
    return node;
  }
};

template <class T>
void parseInto(T& tree, const std::string& text) {
  std::istringstream stream(text);
  Input in(stream);
  ASSERT_TRUE(tree.stream2tree(in)) << text;
}

TEST(NewickWriterRoundTrip, RandomTreesReadBackUnchanged) {
  Grower grower(20240611u);
  std::size_t allMarks = 0;
  for (int round = 0; round < 40; ++round) {
    LA::SpeciesTree original;
    original.root = grower.grow(original, 2 + grower.pick(14), grower.pick(3));
    const std::string text = write(original, original.root);
    SCOPED_TRACE(text);
    srand(1);
    const int first = rand();
    srand(1);
    // The search reads the marks as colours; copied onto a leaf-adding tree
    // read from the same text, they must give back the same text.
    localsearch::SpeciesTree searched;
    parseInto(searched, text + ";");
    LA::SpeciesTree again;
    parseInto(again, text + ";");
    EXPECT_EQ(rand(), first);  // nothing to resolve
    localsearch::colorSpeciesTreeByConstraintsDFS(searched.root, searched.root->color);
    ASSERT_EQ(again.nodes.size(), original.nodes.size());
    for (std::size_t i = 0; i < again.nodes.size(); ++i)
      again.nodes[i]->color = static_cast<int>(searched.nodes[i]->color);
    EXPECT_EQ(write(again, again.root), text);
    const auto marks = static_cast<std::size_t>(std::count(text.begin(), text.end(), '['));
    EXPECT_EQ(searched.constraintCount, marks);
    // The search's own species tree writes no marks.
    EXPECT_EQ(write(searched, searched.root).size(), text.size() - 13 * marks);
    allMarks += marks;
  }
  EXPECT_GT(allMarks, 20u);  // the trees do carry constraint clades
}

}  // namespace
