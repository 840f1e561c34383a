#include "reconcile/relevant_tree.hpp"

#include <algorithm>

namespace dls {

void RelevantTree::restart(std::size_t speciesNodes) {
  if (nodes_.size() != speciesNodes || stamp_ == 0xffffffffU) {
    nodes_.assign(speciesNodes, Node());
    stamp_ = 0;
  }
  ++stamp_;
  preorder_.clear();
}

bool RelevantTree::add(NodeId v) {
  Node& node = nodes_[at(v)];
  if (node.stamp == stamp_) return false;
  node = Node();
  node.stamp = stamp_;
  preorder_.push_back(v);
  return true;
}

// Every node relevant: the links and depths are the species tree's.
void RelevantTree::buildWhole(const SpeciesTree& tree, const SpeciesIndex& index) {
  whole_ = true;
  restart(tree.size());
  preorder_ = index.preorder();
  for (NodeId v : preorder_) {
    Node& node = nodes_[at(v)];
    node.stamp = stamp_;
    node.depth = index.depth(v) + 1;
    node.parent = tree.parent(v);
    node.child[0] = tree.child(v, 0);
    node.child[1] = tree.child(v, 1);
    node.position = index.begin(v);
    node.size = index.end(v) - index.begin(v);
  }
}

// The species leaves of the gene tree, and the LCA of every two of them
// next to each other in pre-order: those are the nodes with gene leaves
// below both children. Put in pre-order by sorting, or, when the gene tree
// has many species, by a scan of the species tree.
void RelevantTree::buildRestricted(const SpeciesTree& tree, const SpeciesIndex& index, const GeneTree& gene,
                                   const NodeId* map) {
  whole_ = false;
  restart(tree.size());
  for (NodeId leaf : gene.leaves())
    if (map[leaf] != kNoNode) add(map[leaf]);
  const bool scan = 8 * preorder_.size() >= tree.size();
  const auto putInPreorder = [&] {
    if (scan) {
      preorder_.clear();
      for (NodeId v : index.preorder())
        if (relevant(v)) preorder_.push_back(v);
    } else {
      std::sort(preorder_.begin(), preorder_.end(),
                [&index](NodeId a, NodeId b) { return index.begin(a) < index.begin(b); });
    }
  };
  putInPreorder();
  const std::size_t leaves = preorder_.size();
  for (std::size_t i = 1; i < leaves; ++i) add(index.lca(preorder_[i - 1], preorder_[i]));
  putInPreorder();
  link(index);
}

void RelevantTree::link(const SpeciesIndex& index) {
  // path_ holds the relevant ancestors of the node at hand, the nearest
  // last: those that do not hold it are left behind.
  path_.clear();
  for (std::uint32_t i = 0; i < preorder_.size(); ++i) {
    const NodeId v = preorder_[i];
    while (!path_.empty() && !index.contains(path_.back(), v)) path_.pop_back();
    Node& node = nodes_[at(v)];
    node.position = i;
    node.depth = static_cast<std::uint32_t>(path_.size()) + 1;
    if (!path_.empty()) {
      node.parent = path_.back();
      Node& up = nodes_[at(node.parent)];
      up.child[up.child[0] == kNoNode ? 0 : 1] = v;
    }
    path_.push_back(v);
  }
  for (auto it = preorder_.rbegin(); it != preorder_.rend(); ++it) {
    Node& node = nodes_[at(*it)];
    node.size = 1;
    for (NodeId c : node.child)
      if (c != kNoNode) node.size += nodes_[at(c)].size;
  }
}

}  // namespace dls
