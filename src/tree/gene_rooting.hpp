#pragma once
// The links of a gene tree at one rooting, kept as an unrooted tree: every
// node has three neighbour slots, one of which holds its parent; the root
// is a node of two neighbours placed on an edge, its parent slot empty.
// Re-rooting moves the root node onto another edge and turns the nodes in
// between toward it; every neighbour keeps its slot, so a tree's children
// come in the same order whenever it returns to a rooting.

#include <cstdint>
#include <vector>

#include "common/errors.hpp"
#include "common/tree_tour.hpp"

namespace dls {

// An edge of a gene tree, where a rooting puts the root: first is then the
// root's child 0, second its child 1.
struct RootEdge {
  NodeId first, second;
  bool operator==(const RootEdge& other) const { return first == other.first && second == other.second; }
  bool operator!=(const RootEdge& other) const { return !(*this == other); }
};

class GeneRooting {
 public:
  struct Node {
    NodeId neighbour[3] = {kNoNode, kNoNode, kNoNode};
    std::uint8_t parentSlot = 0;
  };

  std::size_t size() const { return nodes_.size(); }
  NodeId root() const { return root_; }
  NodeId parent(NodeId n) const {
    const Node& v = nodes_[at(n)];
    return v.neighbour[v.parentSlot];
  }
  // Child i (0 or 1): the other two neighbours, in slot order.
  NodeId child(NodeId n, int i) const { return nodes_[at(n)].neighbour[childSlot(n, i)]; }
  int childSlot(NodeId n, int i) const { return i < nodes_[at(n)].parentSlot ? i : i + 1; }
  int parentSlot(NodeId n) const { return nodes_[at(n)].parentSlot; }
  bool isLeaf(NodeId n) const { return child(n, 0) == kNoNode && child(n, 1) == kNoNode; }
  // The edge the root stands on.
  RootEdge rootEdge() const { return {child(root_, 0), child(root_, 1)}; }
  const Node& node(NodeId n) const { return nodes_[at(n)]; }

  NodeId addNode();
  // Makes child the next child of parent; a new node's parent is in slot 0.
  void attach(NodeId parent, NodeId child);
  void setRoot(NodeId root) { root_ = root; }

  // Moves the root node onto the edge between the neighbours a and b, a
  // becoming its child 0 and b its child 1, and turns every node between
  // the old and the new place toward the new root; turned(node) is called
  // for each node whose parent slot changes.
  template <class Turned>
  void moveRootTo(NodeId a, NodeId b, Turned&& turned);

 private:
  template <class Bytes, class Tree>
  friend void transferGeneTree(Bytes& bytes, Tree& tree);

  static std::size_t at(NodeId n) { return static_cast<std::size_t>(n); }
  NodeId& slotHolding(NodeId n, NodeId other);
  // Makes p the parent of n, and so on down the path of nodes whose parent
  // was on the far side.
  template <class Turned>
  void turnToward(NodeId n, NodeId p, Turned& turned);

  std::vector<Node> nodes_;
  NodeId root_ = kNoNode;
};

// --- Re-rooting -----------------------------------------------------------------

inline NodeId& GeneRooting::slotHolding(NodeId n, NodeId other) {
  for (NodeId& slot : nodes_[at(n)].neighbour)
    if (slot == other) return slot;
  throw InternalError("node not found in getDirection");
}

template <class Turned>
void GeneRooting::moveRootTo(NodeId a, NodeId b, Turned&& turned) {
  const NodeId r = root_;
  const NodeId first = child(r, 0);
  const NodeId second = child(r, 1);
  // The root leaves its edge: its children become neighbours again.
  Node& f = nodes_[at(first)];
  f.neighbour[f.parentSlot] = second;
  Node& s = nodes_[at(second)];
  s.neighbour[s.parentSlot] = first;
  // And enters the edge (a, b).
  nodes_[at(r)].neighbour[childSlot(r, 0)] = a;
  nodes_[at(r)].neighbour[childSlot(r, 1)] = b;
  slotHolding(a, b) = r;
  slotHolding(b, a) = r;
  turnToward(a, r, turned);
  turnToward(b, r, turned);
}

template <class Turned>
void GeneRooting::turnToward(NodeId n, NodeId p, Turned& turned) {
  // Walking from the new root toward the old one: each node on the way takes
  // the node it was reached from as its parent. Of its children then, only
  // its former parent can still point elsewhere; the walk goes on there (the
  // other child already has it as parent, and the walk stops at a node whose
  // parent is right).
  while (n != kNoNode && parent(n) != p) {
    Node& v = nodes_[at(n)];
    int slot = 0;
    while (slot < 3 && v.neighbour[slot] != p) ++slot;
    if (slot == 3) throw InternalError("parent not found in assignParent");
    v.parentSlot = static_cast<std::uint8_t>(slot);
    turned(n);
    const NodeId first = child(n, 0);
    p = n;
    n = first != kNoNode && parent(first) != n ? first : child(n, 1);
  }
}

}  // namespace dls
