// Subtree prune-and-regraft and leaf deletion on the rooted tree template.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "report/report_trees.hpp"
#include "support/direct_count.hpp"
#include "tree/node_id.hpp"
#include "support/tree_text.hpp"

namespace {

using STree = genedupreport::SpeciesTree;
using SNode = genedupreport::SpeciesNode;
using Named = genedupreport::NamedSpeciesNode;



// Newick of the subtree below node, names only.
std::string text(SNode* node) {
  if (node->child(0) == nullptr) return static_cast<Named*>(node)->name();
  return "(" + text(node->child(0)) + "," + text(node->child(1)) + ")";
}

// The node reached from the root by a path of child slots, e.g. "01".
SNode* at(STree& tree, const std::string& path) {
  SNode* node = tree.root;
  for (char c : path) node = node->child(c - '0');
  return node;
}

bool inSubtree(SNode* top, SNode* node) {
  for (; node != nullptr; node = node->parent())
    if (node == top) return true;
  return false;
}

// Binary, consistently linked, every listed node reachable exactly once
// from the root, and the childless nodes are exactly the leaf list.
::testing::AssertionResult consistent(STree& tree) {
  if (tree.root == nullptr || tree.root->parent() != nullptr) return ::testing::AssertionFailure() << "bad root";
  std::set<SNode*> listed(tree.nodes.begin(), tree.nodes.end()), seen, childless;
  std::vector<SNode*> stack{tree.root};
  while (!stack.empty()) {
    SNode* node = stack.back();
    stack.pop_back();
    if (!listed.count(node) || !seen.insert(node).second) return ::testing::AssertionFailure() << "stray or repeated node";
    if ((node->child(0) == nullptr) != (node->child(1) == nullptr)) return ::testing::AssertionFailure() << "unary node";
    if (node->child(0) == nullptr) childless.insert(node);
    for (int i = 0; i < 2; ++i)
      if (SNode* c = node->child(i)) {
        if (c->parent() != node) return ::testing::AssertionFailure() << "parent link broken";
        stack.push_back(c);
      }
  }
  if (seen.size() != tree.nodes.size()) return ::testing::AssertionFailure() << "unreachable nodes";
  if (childless != std::set<SNode*>(tree.leaves.begin(), tree.leaves.end()))
    return ::testing::AssertionFailure() << "leaf list differs from the childless nodes";
  return ::testing::AssertionSuccess();
}

// Every link of every node, plus the root and both lists.
struct Snapshot {
  SNode* root;
  std::vector<SNode*> links, nodes;
  std::vector<Named*> leaves;
  explicit Snapshot(STree& t) : root(t.root), nodes(t.nodes), leaves(t.leaves) {
    for (SNode* n : t.nodes) links.insert(links.end(), {n->parent(), n->child(0), n->child(1)});
  }
  bool operator==(const Snapshot& o) const {
    return root == o.root && links == o.links && nodes == o.nodes && leaves == o.leaves;
  }
};

// The tree with x's subtree cut off and x's parent p suppressed, with
// slot order and node identities; an SPR of x must leave it unchanged.
std::string withoutSubtree(SNode* node, SNode* x, SNode* p, const STree& tree) {
  if (node == p) return withoutSubtree(p->child(p->child(0) == x ? 1 : 0), x, p, tree);
  const long id = std::find(tree.nodes.begin(), tree.nodes.end(), node) - tree.nodes.begin();
  if (node->child(0) == nullptr) return std::to_string(id);
  return "(" + withoutSubtree(node->child(0), x, p, tree) + "," + withoutSubtree(node->child(1), x, p, tree) + ")" +
         std::to_string(id);
}

TEST(TreeEditMoveSubtree, EveryAdmissibleMoveIsAnSprAndUndoes) {
  for (unsigned seed : {1U, 2U, 3U}) {
    std::mt19937 random(seed);
    for (int n : {2, 3, 4, 5, 7, 11, 20}) {
      STree tree;
      const std::string newick = randomTree(random, labels(n)).newick();
      parseInto(tree, newick);
      for (SNode* x : std::vector<SNode*>(tree.nodes)) {
        if (x == tree.root) continue;
        for (SNode* y : std::vector<SNode*>(tree.nodes)) {
          if (inSubtree(x, y)) continue;
          SCOPED_TRACE(newick + " x " + text(x) + " y " + text(y));
          const Snapshot before(tree);
          SNode* p = x->parent();
          const int k = p->child(0) == x ? 0 : 1;
          SNode* s = p->child(1 - k);
          SNode* q = y->parent();
          const std::string rest = withoutSubtree(tree.root, x, p, tree), below = text(x);
          tree.moveSubtree(x, y);
          ASSERT_TRUE(consistent(tree));
          ASSERT_EQ(tree.nodes, before.nodes);
          ASSERT_EQ(tree.leaves, before.leaves);
          if (y == p || y == s) {
            ASSERT_TRUE(Snapshot(tree) == before) << "move onto parent or sibling changed the tree";
          } else {
            ASSERT_EQ(x->parent(), p);
            ASSERT_EQ(p->child(k), x);
            ASSERT_EQ(p->child(1 - k), y);
            ASSERT_EQ(y->parent(), p);
            ASSERT_EQ(p->parent(), q);
            ASSERT_EQ(tree.root == p, q == nullptr);
            ASSERT_EQ(text(x), below);
            ASSERT_EQ(withoutSubtree(tree.root, x, p, tree), rest);
          }
          tree.moveSubtree(x, s);
          ASSERT_TRUE(Snapshot(tree) == before) << "undo did not restore the tree";
        }
      }
    }
  }
}

TEST(TreeEditMoveSubtree, RootCases) {
  struct Case {
    const char* tree;
    const char* x;        // slot paths from the root, taken before the move
    const char* y;
    const char* newRoot;  // path of the expected new root
    const char* expected;
  };
  const Case cases[] = {
      {"((A,B),(C,D));", "0", "10", "1", "(((A,B),C),D)"},    // child of the root pruned: sibling is root
      {"(A,((B,C),D));", "0", "100", "1", "(((A,B),C),D)"},   // same, x in slot 0 of the root
      {"((A,B),(C,D));", "10", "", "1", "(C,((A,B),D))"},     // onto the root: x's parent is root
      {"((A,B),(C,D));", "01", "", "0", "((A,(C,D)),B)"},     // x keeps slot 1
      {"(((A,B),C),D);", "000", "", "00", "(A,((B,C),D))"},   // grandparent closes the gap
      {"((A,B),(C,D));", "0", "", "", "((A,B),(C,D))"},       // onto the root that is x's parent
      {"((A,B),(C,D));", "01", "00", "", "((A,B),(C,D))"},    // onto the sibling: no change
      {"((A,B),(C,D));", "1", "0", "", "((A,B),(C,D))"},      // sibling below the root
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tree) + " x " + c.x + " y " + c.y);
    STree tree;
    parseInto(tree, c.tree);
    SNode* x = at(tree, c.x);
    SNode* newRoot = at(tree, c.newRoot);
    const Snapshot before(tree);
    tree.moveSubtree(x, at(tree, c.y));
    EXPECT_TRUE(consistent(tree));
    EXPECT_EQ(tree.root, newRoot);
    EXPECT_EQ(text(tree.root), c.expected);
    if (std::string(c.tree) == std::string(c.expected) + ";") {
      EXPECT_TRUE(Snapshot(tree) == before);
    }
  }
}

int refs(const std::string& name) {
  auto it = NodeID::namelist.find(name);
  return it == NodeID::namelist.end() ? 0 : it->second;
}

// Deletes the leaf and checks links, both lists (order kept) and that the
// name lost exactly one reference.
void deleteAndCheck(STree& tree, Named* leaf) {
  const std::string name = leaf->name();
  std::vector<SNode*> nodes(tree.nodes);
  nodes.erase(std::find(nodes.begin(), nodes.end(), leaf));
  nodes.erase(std::find(nodes.begin(), nodes.end(), leaf->parent()));
  std::vector<Named*> leaves(tree.leaves);
  leaves.erase(std::find(leaves.begin(), leaves.end(), leaf));
  const int named = refs(name);
  tree.deleteLeafNode(leaf);
  ASSERT_TRUE(consistent(tree));
  ASSERT_EQ(tree.nodes, nodes);
  ASSERT_EQ(tree.leaves, leaves);
  ASSERT_EQ(refs(name), named - 1);
}

TEST(TreeEditDeleteLeaf, RemovesLeafAndParent) {
  struct Case {
    const char* tree;
    const char* leaf;     // slot path
    const char* newRoot;  // path, before the deletion, of the expected root afterwards
    const char* expected;
  };
  const Case cases[] = {
      {"((A,B),(C,D));", "00", "", "(B,(C,D))"},
      {"((A,B),(C,D));", "11", "", "((A,B),C)"},
      {"(((A,B),C),D);", "001", "", "((A,C),D)"},
      {"((A,B),C);", "1", "0", "(A,B)"},  // parent is the root: sibling becomes root
      {"(A,(B,C));", "0", "1", "(B,C)"},
      {"(A,B);", "1", "0", "A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tree) + " delete " + c.leaf);
    STree tree;
    parseInto(tree, c.tree);
    SNode* newRoot = at(tree, c.newRoot);
    ASSERT_NO_FATAL_FAILURE(deleteAndCheck(tree, static_cast<Named*>(at(tree, c.leaf))));
    EXPECT_EQ(tree.root, newRoot);
    EXPECT_EQ(text(tree.root), c.expected);
  }
}

TEST(TreeEditDeleteLeaf, DownToOneLeaf) {
  std::mt19937 random(7);
  for (int round = 0; round < 5; ++round) {
    STree tree, twin;  // the twin holds every name once more: counts go 2 -> 1
    const std::string newick = randomTree(random, labels(12)).newick();
    parseInto(tree, newick);
    parseInto(twin, newick);
    SCOPED_TRACE(newick);
    while (tree.leaves.size() > 1)
      ASSERT_NO_FATAL_FAILURE(deleteAndCheck(tree, tree.leaves[random() % tree.leaves.size()]));
    ASSERT_EQ(tree.nodes.size(), 1U);
    EXPECT_EQ(tree.root, tree.leaves[0]);
    EXPECT_EQ(twin.leaves.size(), 12U);
  }
}

}  // namespace
