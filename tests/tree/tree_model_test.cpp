// Node accessors, interned names and ownership of the tree model.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "report/report_trees.hpp"
#include "search/search_trees.hpp"
#include "tree/labelled_node.hpp"
#include "tree/node_id.hpp"
#include "tree/tree.hpp"
#include "tree/tree_io.hpp"
#include "tree/tree_node.hpp"

namespace {

struct RNode : TreeNodeRooted<RNode> {};
struct UNode : TreeNodeUnrooted<UNode> {};

// A node class that knows how many of its objects are alive.
struct CountedNode : TreeNodeRooted<CountedNode> {
  static int alive;
  CountedNode() { ++alive; }
  ~CountedNode() override { --alive; }
};
int CountedNode::alive = 0;
using CountedTree = TreeIO<Tree<CountedNode, Labelled<CountedNode>>>;

template <class T>
void parseInto(T& tree, const std::string& text) {
  std::istringstream stream(text);
  Input in(stream);
  ASSERT_TRUE(tree.stream2tree(in)) << text;
}

// Reference count of a name, -1 when it is not interned.
int refs(const std::string& name) {
  auto it = NodeID::namelist.find(name);
  return it == NodeID::namelist.end() ? -1 : it->second;
}

TEST(TreeModelRootedNode, AccessorsAreTheNodeSlots) {
  RNode node;
  EXPECT_TRUE(node.parent() == nullptr && node.child(0) == nullptr && node.child(1) == nullptr);
  EXPECT_EQ(&node.parent(), &node.parentNode);
  EXPECT_EQ(&node.child(0), &node.children[0]);
  EXPECT_EQ(&node.child(1), &node.children[1]);
}

TEST(TreeModelUnrootedNode, ParentIndexSelectsSlots) {
  struct Case {
    std::uint16_t parentIndex;
    int parentSlot, child0Slot, child1Slot;
  };
  const Case cases[] = {{0, 0, 1, 2}, {1, 1, 0, 2}, {2, 2, 0, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parentIndex);
    UNode node, fresh;
    node.parentIndex = c.parentIndex;
    EXPECT_EQ(&node.parent(), &node.neighbours[c.parentSlot]);
    EXPECT_EQ(&node.child(0), &node.neighbours[c.child0Slot]);
    EXPECT_EQ(&node.child(1), &node.neighbours[c.child1Slot]);
    node.child(1) = &fresh;  // written through the accessor, lands in the slot
    EXPECT_EQ(node.neighbours[c.child1Slot], &fresh);
  }
}

TEST(TreeModelUnrootedNode, ParsedTreeHasRootedShape) {
  genedupreport::GeneTreeUnrooted tree;
  parseInto(tree, "((A,B),C);");
  ASSERT_EQ(tree.nodes.size(), 5u);
  EXPECT_EQ(tree.root, tree.nodes[0]);
  // Slot 0 holds the parent, slots 1 and 2 the children, in text order.
  const int expected[5][3] = {{-1, 1, 4}, {0, 2, 3}, {1, -1, -1}, {1, -1, -1}, {0, -1, -1}};
  for (int n = 0; n < 5; ++n) {
    EXPECT_EQ(tree.nodes[n]->parentIndex, 0);
    for (int i = 0; i < 3; ++i) {
      const int want = expected[n][i];
      EXPECT_EQ(tree.nodes[n]->neighbours[i], want < 0 ? nullptr : tree.nodes[want]) << n << i;
    }
  }
}

TEST(TreeModelNodeID, SharedAcrossTreesAndStages) {
  ASSERT_EQ(refs("ShA"), -1);
  auto species = std::make_unique<localsearch::SpeciesTree>();
  auto gene = std::make_unique<genedupreport::GeneTreeUnrooted>();
  parseInto(*species, "((ShA,ShB)ShX,ShC);");
  parseInto(*gene, "(ShA,(ShA,ShC));");
  EXPECT_EQ(refs("ShA"), 3);
  EXPECT_EQ(refs("ShB"), 1);
  EXPECT_EQ(refs("ShX"), 1);  // named internal nodes are interned too
  EXPECT_EQ(refs("ShC"), 2);
  // Equal names are the same entry, whatever the tree.
  EXPECT_EQ(species->leaves[0]->nameEntry(), gene->leaves[0]->nameEntry());
  EXPECT_EQ(gene->leaves[0]->nameEntry(), gene->leaves[1]->nameEntry());
  EXPECT_NE(species->leaves[0]->nameEntry(), species->leaves[2]->nameEntry());

  gene.reset();
  EXPECT_TRUE(refs("ShA") == 1 && refs("ShB") == 1 && refs("ShC") == 1);
  species.reset();
  for (const char* name : {"ShA", "ShB", "ShC", "ShX"}) EXPECT_EQ(refs(name), -1) << name;
}

TEST(TreeModelTree, DestructionDeletesEveryOwnedNode) {
  ASSERT_EQ(CountedNode::alive, 0);
  {
    CountedTree tree;
    parseInto(tree, "((CntA,CntB),(CntC,CntD)CntI);");
    EXPECT_EQ(CountedNode::alive, 7);
    EXPECT_EQ(static_cast<int>(tree.nodes.size()), 7);
    // A node linked by hand is owned once it is on the nodes list; an empty
    // entry is skipped.
    tree.nodes.push_back(new Labelled<CountedNode>("CntE"));
    tree.nodes.push_back(nullptr);
    EXPECT_EQ(CountedNode::alive, 8);
    EXPECT_EQ(refs("CntE"), 1);
  }
  EXPECT_EQ(CountedNode::alive, 0);
  for (const char* name : {"CntA", "CntD", "CntI", "CntE"}) EXPECT_EQ(refs(name), -1) << name;
}

}  // namespace
