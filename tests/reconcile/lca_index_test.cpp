// Constant-time LCA queries and in-order ancestor numbering of species trees,
// checked against parent climbing, before and after subtree moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "reconcile/lca_species_tree.hpp"
#include "report/report_trees.hpp"
#include "support/direct_count.hpp"
#include "support/tree_text.hpp"

namespace {

using SNode = genedupreport::SpeciesNode;
using Named = genedupreport::NamedSpeciesNode;
// The report tree keeps its numbering; the growing variant renumbers on every preparation.
using GrowingTree = LcaSpeciesTree<SNode, Named, true>;

template <class T>
class LcaIndex : public ::testing::Test {};
using TreeTypes = ::testing::Types<genedupreport::SpeciesTree, GrowingTree>;
TYPED_TEST_SUITE(LcaIndex, TreeTypes, );



// ((L0,L1),L2)... when leftDeep, else (L0,(L1,(L2,...))).
std::string caterpillar(int n, bool leftDeep) {
  std::string text = leftDeep ? "L0" : "L" + std::to_string(n - 1);
  for (int i = 1; i < n; ++i)
    text = leftDeep ? "(" + text + ",L" + std::to_string(i) + ")" : "(L" + std::to_string(n - 1 - i) + "," + text + ")";
  return text + ";";
}

// Single leaf, caterpillars both ways and random trees; 16/17 and 32/33
// leaves give 31/33 and 63/65 nodes, on both sides of the 32-wide blocks.
std::vector<std::string> shapes() {
  std::vector<std::string> out{"(A);", "(A,B);"};
  for (int n : {3, 16, 17, 200}) {
    out.push_back(caterpillar(n, true));
    out.push_back(caterpillar(n, false));
  }
  std::mt19937 random(2024);
  for (int n : {3, 5, 16, 17, 32, 33, 64, 101, 200})
    for (int copy = 0; copy < 3; ++copy) out.push_back(randomTree(random, labels(n)).newick());
  return out;
}

bool below(SNode* top, SNode* node) {  // node in the subtree of top (or top itself)
  for (; node != nullptr; node = node->parent())
    if (node == top) return true;
  return false;
}

void inorder(SNode* node, std::vector<SNode*>& out) {
  if (node->child(0) != nullptr) inorder(node->child(0), out);
  out.push_back(node);
  if (node->child(1) != nullptr) inorder(node->child(1), out);
}

// Numbers, prepares and checks every answer of the index against the
// definitions; all pairs for trees up to 201 nodes, else a fixed sample.
template <class T>
void prepareAndCheck(T& tree, unsigned seed) {
  const std::size_t n = tree.nodes.size();
  std::uint32_t counter = 0;
  tree.establishOrderDFS(tree.root, counter);
  tree.preprocessLCA();
  ASSERT_EQ(counter, n - 1);
  ASSERT_NE(tree.lcaIndex, nullptr);
  ASSERT_EQ(tree.lcaIndex->n, n);
  EXPECT_EQ(tree.lcaIndex->sparseTable == nullptr, n <= 32);

  std::vector<SNode*> order;
  inorder(tree.root, order);
  ASSERT_EQ(order.size(), n);
  std::unordered_map<SNode*, std::uint32_t> depth, position;
  for (std::uint32_t p = 0; p < n; ++p) {
    SNode* node = order[p];
    position[node] = p;
    for (SNode* up = node->parent(); up != nullptr; up = up->parent()) ++depth[node];
  }
  for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(tree.nodes[i]->idx, static_cast<std::int32_t>(i));
  for (std::uint32_t p = 0; p < n; ++p) {
    SNode* node = order[p];
    ASSERT_EQ(tree.inorderNode[p], static_cast<std::uint32_t>(node->idx)) << p;
    ASSERT_EQ(tree.inorderDepth[p], depth[node]) << p;
    ASSERT_EQ(tree.inorderPosition[static_cast<std::size_t>(node->idx)], p);
    ASSERT_EQ(node->number, p);
    SNode* first = node;
    SNode* last = node;
    while (first->child(0) != nullptr) first = first->child(0);
    while (last->child(1) != nullptr) last = last->child(1);
    ASSERT_EQ(node->subtreeFirst, position[first]) << p;
    ASSERT_EQ(node->subtreeLast, position[last]) << p;
  }

  auto naiveLca = [&](SNode* u, SNode* v) {
    while (depth[u] > depth[v]) u = u->parent();
    while (depth[v] > depth[u]) v = v->parent();
    while (u != v) u = u->parent(), v = v->parent();
    return u;
  };
  auto checkPair = [&](SNode* u, SNode* v) {
    SNode* want = naiveLca(u, v);
    ASSERT_EQ(tree.lca(u, v), want) << "lca of positions " << position[u] << " and " << position[v];
    ASSERT_EQ(tree.lca(v, u), want) << "lca of positions " << position[v] << " and " << position[u];
    const bool inside = below(u, v);
    ASSERT_EQ(u->subtreeFirst <= v->number && v->number <= u->subtreeLast, inside);
    ASSERT_EQ(u->contains(*v), inside);
  };
  if (n <= 201) {
    for (SNode* u : tree.nodes)
      for (SNode* v : tree.nodes) ASSERT_NO_FATAL_FAILURE(checkPair(u, v));
  } else {
    std::mt19937 random(seed);
    for (SNode* u : tree.nodes) {  // self, root and parent pairs, then random ones
      ASSERT_EQ(tree.lca(u, u), u);
      ASSERT_NO_FATAL_FAILURE(checkPair(u, tree.root));
      if (u->parent() != nullptr) {
        ASSERT_NO_FATAL_FAILURE(checkPair(u->parent(), u));
      }
    }
    for (int i = 0; i < 30000; ++i)
      ASSERT_NO_FATAL_FAILURE(checkPair(tree.nodes[random() % n], tree.nodes[random() % n]));
  }
}

TYPED_TEST(LcaIndex, AnswersMatchParentClimbing) {
  for (const std::string& text : shapes()) {
    SCOPED_TRACE(text.size() > 80 ? text.substr(0, 80) + "..." : text);
    TypeParam tree;
    parseInto(tree, text);
    ASSERT_NO_FATAL_FAILURE(prepareAndCheck(tree, 5));
    tree.postprocessLCA();
    EXPECT_EQ(tree.lcaIndex, nullptr);
  }
}

TYPED_TEST(LcaIndex, SingleLeafTree) {
  TypeParam tree;
  parseInto(tree, "(A);");
  ASSERT_EQ(tree.nodes.size(), 1U);
  ASSERT_NO_FATAL_FAILURE(prepareAndCheck(tree, 1));
  SNode* leaf = tree.root;
  EXPECT_EQ(tree.lca(leaf, leaf), leaf);
  EXPECT_EQ(leaf->number, 0U);
  EXPECT_EQ(leaf->subtreeFirst, 0U);
  EXPECT_EQ(leaf->subtreeLast, 0U);
  EXPECT_EQ(tree.lcaIndex->sparseTable, nullptr);
}

// Subtree moves keep the node set: re-numbering and re-preparing the same
// tree must follow the new shape (the report tree reuses its numbering).
TYPED_TEST(LcaIndex, StaysCorrectAcrossSubtreeMoves) {
  std::mt19937 random(99);
  for (int leaves : {3, 6, 17, 40, 130}) {
    TypeParam tree;
    const std::string text = randomTree(random, labels(leaves)).newick();
    parseInto(tree, text);
    ASSERT_NO_FATAL_FAILURE(prepareAndCheck(tree, 3));
    const std::vector<SNode*> nodes(tree.nodes);
    for (int round = 0; round < 12; ++round) {
      SNode* x = tree.nodes[random() % nodes.size()];
      SNode* y = tree.nodes[random() % nodes.size()];
      if (x == tree.root || below(x, y)) continue;
      SCOPED_TRACE(text + " round " + std::to_string(round));
      tree.moveSubtree(x, y);
      if (round % 3 == 0) tree.postprocessLCA();  // with and without releasing in between
      ASSERT_NO_FATAL_FAILURE(prepareAndCheck(tree, static_cast<unsigned>(round)));
      ASSERT_EQ(tree.nodes, nodes);
    }
    tree.postprocessLCA();
  }
}

// The growing variant numbers the nodes by list position on every call,
// also when the list changed order or lost nodes in between.
TEST(LcaIndexGrowing, RenumbersOnEveryPreparation) {
  std::mt19937 random(17);
  GrowingTree tree;
  parseInto(tree, randomTree(random, labels(30)).newick());
  ASSERT_NO_FATAL_FAILURE(prepareAndCheck(tree, 6));
  std::shuffle(tree.nodes.begin(), tree.nodes.end(), random);  // same size, new positions
  ASSERT_NO_FATAL_FAILURE(prepareAndCheck(tree, 7));
  while (tree.leaves.size() > 1) {
    tree.deleteLeafNode(tree.leaves[random() % tree.leaves.size()]);
    ASSERT_NO_FATAL_FAILURE(prepareAndCheck(tree, 8));
  }
}

TYPED_TEST(LcaIndex, ReleaseAndRepeatedPreparation) {
  TypeParam tree;
  parseInto(tree, caterpillar(40, false));
  tree.postprocessLCA();  // nothing prepared yet: harmless
  EXPECT_EQ(tree.lcaIndex, nullptr);
  for (int i = 0; i < 3; ++i) tree.preprocessLCA();  // each replaces the previous index
  ASSERT_NE(tree.lcaIndex, nullptr);
  tree.postprocessLCA();
  EXPECT_EQ(tree.lcaIndex, nullptr);
  tree.postprocessLCA();
  ASSERT_NO_FATAL_FAILURE(prepareAndCheck(tree, 4));  // left prepared: the destructor releases it
}

}  // namespace
