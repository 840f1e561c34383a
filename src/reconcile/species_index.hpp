#pragma once
// What the reconciliation asks of one shape of the species tree, prepared
// in linear time and then answered in constant time: least common
// ancestors, whether a node lies below another, and the nodes in pre-order
// with the range of every subtree. Rebuilt whenever the tree changes shape
// (once per pruned subtree in the search); it reuses its memory.
//
// LCA: the in-order sequence of node depths; the LCA of two nodes is the
// shallowest node between them in that sequence (Bender and Farach-Colton
// 2000), found by a range-minimum query.

#include <cstdint>
#include <vector>

#include "common/tree_tour.hpp"
#include "reconcile/range_minimum_index.hpp"
#include "tree/species_tree.hpp"

namespace dls {

class SpeciesIndex {
 public:
  void rebuild(const SpeciesTree& tree);

  NodeId lca(NodeId a, NodeId b) const { return inorderNode_[rmq_.query(order_[at(a)].number, order_[at(b)].number)]; }
  // The node's in-order number: nodes of a left subtree have smaller
  // numbers, of a right subtree larger ones.
  std::uint32_t number(NodeId v) const { return order_[at(v)].number; }
  // Whether v lies in the subtree of top (top included).
  bool contains(NodeId top, NodeId v) const {
    const Order& t = order_[at(top)];
    const std::uint32_t n = order_[at(v)].number;
    return t.first <= n && n <= t.last;
  }

  // Edges from the root down to v.
  std::uint32_t depth(NodeId v) const { return depth_[at(v)]; }
  // The in-order numbers of v's subtree: from first(v) to last(v).
  std::uint32_t first(NodeId v) const { return order_[at(v)].first; }
  std::uint32_t last(NodeId v) const { return order_[at(v)].last; }

  // Every node in pre-order (child 0's subtree first); the subtree of v is
  // preorder()[begin(v) .. end(v)).
  const std::vector<NodeId>& preorder() const { return preorder_; }
  std::uint32_t begin(NodeId v) const { return preorderPosition_[at(v)]; }
  std::uint32_t end(NodeId v) const { return preorderPosition_[at(v)] + subtreeSize_[at(v)]; }

 private:
  struct Order {
    std::uint32_t number, first, last;  // in-order number, range of the subtree's numbers
  };
  static std::size_t at(NodeId v) { return static_cast<std::size_t>(v); }

  std::vector<Order> order_;
  std::vector<NodeId> inorderNode_;
  std::vector<std::uint32_t> inorderDepth_;
  std::vector<std::uint32_t> depth_;
  std::vector<NodeId> preorder_;
  std::vector<std::uint32_t> preorderPosition_;
  std::vector<std::uint32_t> subtreeSize_;
  RangeMinimumIndex rmq_;
  TreeTour tour_;
};

// The species of the leaves below v, in pre-order.
std::vector<NameId> speciesBelow(const SpeciesTree& tree, const SpeciesIndex& index, NodeId v);
// The species below every node (its clade), as sorted name numbers.
std::vector<std::vector<NameId>> cladesOf(const SpeciesTree& tree);

}  // namespace dls
