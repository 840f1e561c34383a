#include "reconcile/relevant_tree.hpp"

#include <algorithm>

void RelevantTree::buildWhole(const SpeciesTree& tree, const SpeciesIndex& index) {
  whole_ = true;
  nodes_.assign(tree.size(), Node());
  for (Node& node : nodes_) node.relevant = true;
  link(tree, index);
}

void RelevantTree::buildRestricted(const SpeciesTree& tree, const SpeciesIndex& index, const GeneTree& gene,
                                   const NodeId* map) {
  whole_ = false;
  nodes_.assign(tree.size(), Node());
  for (NodeId leaf : gene.leaves()) {
    const NodeId species = map[leaf];
    if (species != kNoNode) ++nodes_[at(species)].leafCount;
  }
  // Children before parents.
  const std::vector<NodeId>& order = index.preorder();
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    Node& node = nodes_[at(*it)];
    if (tree.isLeaf(*it)) {
      node.relevant = node.leafCount != 0;
    } else {
      const Node& c0 = nodes_[at(tree.child(*it, 0))];
      const Node& c1 = nodes_[at(tree.child(*it, 1))];
      node.leafCount = c0.leafCount + c1.leafCount;
      node.relevant = c0.leafCount != 0 && c1.leafCount != 0;
    }
  }
  link(tree, index);
}

void RelevantTree::link(const SpeciesTree& tree, const SpeciesIndex& index) {
  relevantAbove_.resize(tree.size());
  depthBelow_.resize(tree.size());
  preorder_.clear();
  for (NodeId v : index.preorder()) {
    const bool top = v == tree.root();
    const NodeId above = top ? kNoNode : relevantAbove_[at(tree.parent(v))];
    const std::uint32_t depth = top ? 1 : depthBelow_[at(tree.parent(v))];
    Node& node = nodes_[at(v)];
    if (node.relevant) {
      node.depth = depth;
      node.position = static_cast<std::uint32_t>(preorder_.size());
      preorder_.push_back(v);
      if (above != kNoNode) {
        node.parent = above;
        Node& up = nodes_[at(above)];
        up.child[up.child[0] == kNoNode ? 0 : 1] = v;
      }
      relevantAbove_[at(v)] = v;
      depthBelow_[at(v)] = depth + 1;
    } else {
      relevantAbove_[at(v)] = above;
      depthBelow_[at(v)] = depth;
    }
  }
  for (auto it = preorder_.rbegin(); it != preorder_.rend(); ++it) {
    Node& node = nodes_[at(*it)];
    node.size = 1;
    for (NodeId c : node.child)
      if (c != kNoNode) node.size += nodes_[at(c)].size;
  }
}
