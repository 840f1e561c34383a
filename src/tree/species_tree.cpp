#include "tree/species_tree.hpp"

#include <algorithm>

namespace dls {

NodeId SpeciesTree::addNode(NameId name) {
  nodes_.emplace_back();
  names_.push_back(name);
  clades_.push_back(kNoClade);
  return static_cast<NodeId>(nodes_.size() - 1);
}

void SpeciesTree::attach(NodeId parent, NodeId child) {
  nodes_[at(child)].parent = parent;
  Node& up = nodes_[at(parent)];
  up.child[up.child[0] == kNoNode ? 0 : 1] = child;
}

void SpeciesTree::setRoot(NodeId root) {
  root_ = root;
  nodes_[at(root)].parent = kNoNode;
}

void SpeciesTree::listLeaf(NodeId leaf) {
  leaves_.push_back(leaf);
  const std::size_t name = static_cast<std::size_t>(names_[at(leaf)]);
  if (leafOfName_.size() <= name) leafOfName_.resize(name + 1, kNoNode);
  // A repeated species keeps its first leaf; the leaf mapping reports it.
  if (leafOfName_[name] == kNoNode) leafOfName_[name] = leaf;
}

void SpeciesTree::collectLeaves() {
  leaves_.clear();
  leafOfName_.clear();
  for (NodeId v = 0; v < static_cast<NodeId>(size()); ++v)
    if (isLeaf(v)) listLeaf(v);
}

NodeId SpeciesTree::addLeaf(NameId species) {
  const NodeId leaf = addNode(species);
  listLeaf(leaf);
  return leaf;
}

NodeId SpeciesTree::addJoin(NodeId a, NodeId b) {
  const NodeId joint = addNode(kNoName);
  attach(joint, a);
  attach(joint, b);
  return joint;
}

void SpeciesTree::dropNewestNodes(std::size_t count) {
  const NodeId first = static_cast<NodeId>(size() - count);
  while (!leaves_.empty() && leaves_.back() >= first) {
    leafOfName_[static_cast<std::size_t>(names_[at(leaves_.back())])] = kNoNode;
    leaves_.pop_back();
  }
  nodes_.resize(at(first));
  names_.resize(at(first));
  clades_.resize(at(first));
}

void SpeciesTree::closeGap(NodeId p, int k) {
  const NodeId g = parent(p);
  const NodeId s = child(p, 1 - k);
  nodes_[at(s)].parent = g;
  if (g != kNoNode) {
    childSlot(g, p) = s;
  } else {
    root_ = s;
    nodes_[at(p)].child[1 - k] = kNoNode;
  }
}

void SpeciesTree::moveSubtree(NodeId x, NodeId y) {
  const NodeId p = parent(x);
  if (p == y) return;
  const int k = child(p, 0) == x ? 0 : 1;
  closeGap(p, k);
  const NodeId q = parent(y);
  if (q != kNoNode) {
    childSlot(q, y) = p;
  } else {
    root_ = p;
  }
  nodes_[at(p)].parent = q;
  nodes_[at(y)].parent = p;
  nodes_[at(p)].child[1 - k] = y;
}

void SpeciesTree::removeLeaves(const std::vector<NodeId>& leaves) {
  std::vector<char> removed(size(), 0);
  for (NodeId leaf : leaves) {
    if (leaf == root_) continue;
    const NodeId p = parent(leaf);
    closeGap(p, child(p, 0) == leaf ? 0 : 1);
    removed[at(leaf)] = removed[at(p)] = 1;
  }
  std::vector<NodeId> kept;
  for (NodeId v = 0; v < static_cast<NodeId>(size()); ++v)
    if (!removed[at(v)]) kept.push_back(v);
  leaves_.erase(std::remove_if(leaves_.begin(), leaves_.end(), [&removed](NodeId v) { return removed[at(v)] != 0; }),
                leaves_.end());
  renumber(kept);
}

void SpeciesTree::renumberInPreorder() {
  std::vector<NodeId> order;
  order.reserve(size());
  forEachPreorder(
      root_, [this](NodeId v, int i) { return child(v, i); }, [&order](NodeId v) { order.push_back(v); });
  std::vector<NodeId> leaves;
  for (NodeId v : order)
    if (isLeaf(v)) leaves.push_back(v);
  leaves_ = leaves;
  renumber(order);
}

void SpeciesTree::renumber(const std::vector<NodeId>& order) {
  std::vector<NodeId> newId(size(), kNoNode);
  for (std::size_t i = 0; i < order.size(); ++i) newId[at(order[i])] = static_cast<NodeId>(i);
  auto renamed = [&newId](NodeId v) { return v == kNoNode ? kNoNode : newId[at(v)]; };
  std::vector<Node> nodes(order.size());
  std::vector<NameId> names(order.size());
  std::vector<CladeId> clades(order.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    const Node& old = nodes_[at(order[i])];
    nodes[i].parent = renamed(old.parent);
    nodes[i].child[0] = renamed(old.child[0]);
    nodes[i].child[1] = renamed(old.child[1]);
    names[i] = names_[at(order[i])];
    clades[i] = clades_[at(order[i])];
  }
  nodes_.swap(nodes);
  names_.swap(names);
  clades_.swap(clades);
  root_ = renamed(root_);
  const std::vector<NodeId> leaves = leaves_;
  leaves_.clear();
  leafOfName_.clear();
  for (NodeId leaf : leaves) listLeaf(renamed(leaf));
}

}  // namespace dls
