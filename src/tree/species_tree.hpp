#pragma once
// The rooted binary species tree, shared by every stage: built from the
// input or by the leaf-adding builder, improved by SPR moves, written in the
// report. Nodes are numbers 0 .. size()-1 into flat arrays; the search
// prunes them in this order, so it is part of what a seed reproduces.
//
// Constraint clades: every node carries the clade it lies in (0: outside
// every clade). A clade is a set of species that must stay a clade of the
// tree; its top node is the highest node of that clade.

#include <cstdint>
#include <vector>

#include "common/tree_tour.hpp"
#include "tree/name_table.hpp"

namespace dls {

using CladeId = std::int32_t;
constexpr CladeId kNoClade = 0;

class SpeciesTree {
 public:
  std::size_t size() const { return nodes_.size(); }
  NodeId root() const { return root_; }
  NodeId parent(NodeId v) const { return nodes_[at(v)].parent; }
  NodeId child(NodeId v, int i) const { return nodes_[at(v)].child[i]; }
  NodeId sibling(NodeId v) const {
    const Node& up = nodes_[at(parent(v))];
    return up.child[0] == v ? up.child[1] : up.child[0];
  }
  bool isLeaf(NodeId v) const { return nodes_[at(v)].child[0] == kNoNode; }
  NameId name(NodeId v) const { return names_[at(v)]; }
  // An inner node's label (a leaf's name is its species).
  void setLabel(NodeId v, NameId label) {
    if (!isLeaf(v)) names_[at(v)] = label;
  }
  CladeId clade(NodeId v) const { return clades_[at(v)]; }
  void setClade(NodeId v, CladeId clade) { clades_[at(v)] = clade; }
  // Every leaf, in the order of the text the tree was read from (or of
  // creation, while the builder grows the tree).
  const std::vector<NodeId>& leaves() const { return leaves_; }
  // The leaf of every species by name number (kNoNode: absent), for lookups
  // in hot loops; valid until the next change of the leaf set.
  const std::vector<NodeId>& leafByName() const { return leafOfName_; }
  // Makes leafByName() long enough for every name number below count.
  void coverNames(std::size_t count) {
    if (leafOfName_.size() < count) leafOfName_.resize(count, kNoNode);
  }

  // --- Building -------------------------------------------------------------

  // A new node without links; a named node is entered as the species' leaf
  // once it is linked as a leaf (collectLeaves, addLeaf).
  NodeId addNode(NameId name);
  // Makes child the next child of parent (slot 0, then slot 1).
  void attach(NodeId parent, NodeId child);
  void setRoot(NodeId root);
  // Lists the leaves in node order, after all nodes of a read tree are linked.
  void collectLeaves();
  // A new leaf of the species, listed at once.
  NodeId addLeaf(NameId species);
  // A new node with a in child slot 0 and b in child slot 1.
  NodeId addJoin(NodeId a, NodeId b);
  // Removes the count most recently added nodes, which nothing links to
  // any more.
  void dropNewestNodes(std::size_t count);

  // --- Edits ------------------------------------------------------------------

  // Subtree prune and regraft: takes x with its parent p out of the tree and
  // puts p onto the edge above y, x keeping its slot in p. Requires x not the
  // root and y outside the subtree of x. If s was x's sibling,
  // moveSubtree(x, s) undoes the move exactly, child slots and root included.
  void moveSubtree(NodeId x, NodeId y);
  // Removes the leaves in turn, each with its parent, the sibling taking the
  // parent's place; a leaf that is the whole tree by then stays. The other
  // nodes keep their order and are renumbered.
  void removeLeaves(const std::vector<NodeId>& leaves);
  // Renumbers the nodes in pre-order (child 0 first), the order in which a
  // Newick text of the tree lists them.
  void renumberInPreorder();

  // Whether a subtree whose attachment lies in clade `moving` may be
  // regrafted onto the edge above y of the remaining tree (rooted at
  // remainingRoot) without breaking a clade: y lies in that clade, or y's
  // parent does, so that the edge belongs to it. Above remainingRoot lies
  // only the root of the whole tree, which is outside every clade.
  bool canRegraftAbove(NodeId y, NodeId remainingRoot, CladeId moving) const {
    if (clade(y) == moving) return true;
    return y == remainingRoot ? moving == kNoClade : clade(parent(y)) == moving;
  }

 private:
  template <class Bytes, class Tree>
  friend void transferSpeciesTree(Bytes& bytes, Tree& tree);

  struct Node {
    NodeId parent = kNoNode;
    NodeId child[2] = {kNoNode, kNoNode};
  };

  static std::size_t at(NodeId v) { return static_cast<std::size_t>(v); }
  NodeId& childSlot(NodeId parent, NodeId child) {
    Node& up = nodes_[at(parent)];
    return up.child[0] == child ? up.child[0] : up.child[1];
  }
  // Takes p out of the tree: its child on side 1 - k takes its place.
  void closeGap(NodeId p, int k);
  // Keeps the nodes listed in `order`, renumbered in that order.
  void renumber(const std::vector<NodeId>& order);
  void listLeaf(NodeId leaf);

  std::vector<Node> nodes_;
  std::vector<NameId> names_;
  std::vector<CladeId> clades_;
  std::vector<NodeId> leaves_;
  std::vector<NodeId> leafOfName_;
  NodeId root_ = kNoNode;
};

}  // namespace dls
