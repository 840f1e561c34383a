#pragma once
// The relevant species tree of a gene tree: the species nodes over which
// its losses are counted, with depths and links. Counted over the whole
// species tree, every node is relevant. Restricted to the gene tree's
// species, a node is relevant when it joins two of them: a species leaf
// that holds gene leaves, or a node with gene leaves below both children;
// the others drop out, and a loss is a missing lineage of that smaller
// tree only.

#include <cstdint>
#include <vector>

#include "common/tree_tour.hpp"
#include "reconcile/species_index.hpp"
#include "tree/gene_tree.hpp"
#include "tree/species_tree.hpp"

namespace dls {

class RelevantTree {
 public:
  // Every node relevant; depends on the shape of the species tree only.
  void buildWhole(const SpeciesTree& tree, const SpeciesIndex& index);
  // Relevant for the gene tree whose leaves map (map[leaf], kNoNode for a
  // species not in the tree) to the species nodes given. Takes time in the
  // gene tree's size (k log k for its k species), not the species tree's.
  void buildRestricted(const SpeciesTree& tree, const SpeciesIndex& index, const GeneTree& gene, const NodeId* map);

  bool whole() const { return whole_; }
  bool relevant(NodeId v) const { return nodes_[at(v)].stamp == stamp_; }
  // Relevant nodes from the root down to v, v included (0 if v is not
  // relevant).
  std::uint32_t depth(NodeId v) const { return relevant(v) ? nodes_[at(v)].depth : 0; }
  // The nearest relevant proper ancestor, and the relevant nodes directly
  // below (the one on child 0's side first); kNoNode where there is none.
  // For relevant nodes only.
  NodeId parent(NodeId v) const { return nodes_[at(v)].parent; }
  NodeId child(NodeId v, int i) const { return nodes_[at(v)].child[i]; }
  // The relevant nodes in pre-order; the relevant subtree of a relevant v
  // is preorder()[begin(v) .. end(v)).
  const std::vector<NodeId>& preorder() const { return preorder_; }
  std::uint32_t begin(NodeId v) const { return nodes_[at(v)].position; }
  std::uint32_t end(NodeId v) const { return nodes_[at(v)].position + nodes_[at(v)].size; }

 private:
  // A node's entry is valid while its stamp is the tree's: a new relevant
  // tree takes a new stamp instead of clearing every node.
  struct Node {
    std::uint32_t stamp = 0;
    std::uint32_t depth = 0;
    NodeId parent = kNoNode;
    NodeId child[2] = {kNoNode, kNoNode};
    std::uint32_t position = 0;
    std::uint32_t size = 0;
  };
  static std::size_t at(NodeId v) { return static_cast<std::size_t>(v); }
  // Starts a new relevant tree over a species tree of that many nodes.
  void restart(std::size_t speciesNodes);
  // Makes v relevant, unlinked; false if it was already.
  bool add(NodeId v);
  // Links the relevant nodes, which preorder_ lists in pre-order.
  void link(const SpeciesIndex& index);

  std::vector<Node> nodes_;
  std::vector<NodeId> preorder_;
  std::vector<NodeId> path_;  // the relevant ancestors of the node being linked
  std::uint32_t stamp_ = 0;
  bool whole_ = false;
};

}  // namespace dls
