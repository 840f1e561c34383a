#include "tree/gene_tree.hpp"

namespace dls {

NodeId GeneTree::addNode(NameId name, std::string_view geneLabel) {
  if (!geneLabel.empty() && geneLabelEnd_.empty()) geneLabelEnd_.assign(names_.size(), 0);
  if (!geneLabelEnd_.empty()) {
    geneLabels_ += geneLabel;
    geneLabelEnd_.push_back(geneLabels_.size());
  }
  names_.push_back(name);
  if (!created_.empty()) created_.push_back(0);
  return rooting_.addNode();
}

NodeId GeneTree::addCreatedNode() {
  if (created_.empty()) created_.assign(names_.size(), 0);
  const NodeId n = addNode(kNoName);
  created_.back() = 1;
  return n;
}

GeneTree GeneTree::relinked(const std::vector<std::array<NodeId, 2>>& children, NodeId root) const {
  GeneTree tree(rooted_, weight_);
  tree.names_ = names_;
  tree.geneLabels_ = geneLabels_;
  tree.geneLabelEnd_ = geneLabelEnd_;
  tree.created_ = created_;
  for (std::size_t n = 0; n < size(); ++n) tree.rooting_.addNode();
  for (NodeId n = 0; n < static_cast<NodeId>(size()); ++n)
    for (NodeId child : children[static_cast<std::size_t>(n)])
      if (child != kNoNode) tree.rooting_.attach(n, child);
  tree.rooting_.setRoot(root);
  tree.finish();
  return tree;
}

void GeneTree::finish() {
  leaves_.clear();
  for (NodeId n = 0; n < static_cast<NodeId>(size()); ++n)
    if (isLeaf(n)) leaves_.push_back(n);
  orderInnerNodes();
}

void GeneTree::orderInnerNodes() {
  innerPostorder_.clear();
  forEachPostorder(
      root(), [this](NodeId n, int i) { return child(n, i); },
      [this](NodeId n) {
        if (!isLeaf(n)) innerPostorder_.push_back(n);
      });
}

void GeneTree::prefetch() const {
  const char* nodes = reinterpret_cast<const char*>(&rooting_.node(0));
  const std::size_t nodeBytes = size() * sizeof(GeneRooting::Node);
  for (std::size_t b = 0; b < nodeBytes; b += 64) __builtin_prefetch(nodes + b);
  const char* names = reinterpret_cast<const char*>(names_.data());
  for (std::size_t b = 0; b < size() * sizeof(NameId); b += 64) __builtin_prefetch(names + b);
  const char* order = reinterpret_cast<const char*>(innerPostorder_.data());
  for (std::size_t b = 0; b < innerPostorder_.size() * sizeof(NodeId); b += 64) __builtin_prefetch(order + b);
}

}  // namespace dls
