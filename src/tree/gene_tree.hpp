#pragma once
// A gene tree: rooted, or unrooted ("[&U]"), in which case it is stored
// rooted on one of its edges, as read; the stages that try its other
// rootings re-root copies of its links (see GeneRooting). Once read, a gene
// tree is never changed.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/tree_tour.hpp"
#include "tree/gene_rooting.hpp"
#include "tree/name_table.hpp"

namespace dls {

class GeneTree {
 public:
  GeneTree(bool rooted, double weight) : rooted_(rooted), weight_(weight) {}

  // False for a tree read as unrooted: it counts at its cheapest rooting.
  bool rooted() const { return rooted_; }
  double weight() const { return weight_; }
  void setWeight(double weight) { weight_ = weight; }
  void setRooted(bool rooted) { rooted_ = rooted; }
  std::size_t size() const { return rooting_.size(); }
  NodeId root() const { return rooting_.root(); }
  NodeId child(NodeId n, int i) const { return rooting_.child(n, i); }
  bool isLeaf(NodeId n) const { return rooting_.isLeaf(n); }
  // A leaf's species; an inner node's label (kNoName when it has none).
  NameId name(NodeId n) const { return names_[static_cast<std::size_t>(n)]; }
  // The gene label of a leaf, when it was written with one and a map gave
  // it its species; empty otherwise.
  std::string_view geneLabel(NodeId n) const {
    if (geneLabelEnd_.empty()) return {};
    const std::size_t i = static_cast<std::size_t>(n), start = i == 0 ? 0 : geneLabelEnd_[i - 1];
    return std::string_view(geneLabels_).substr(start, geneLabelEnd_[i] - start);
  }
  const GeneRooting& rooting() const { return rooting_; }
  RootEdge rootEdge() const { return rooting_.rootEdge(); }
  // Every leaf, in text order.
  const std::vector<NodeId>& leaves() const { return leaves_; }
  // The nodes with children, every one after its children.
  const std::vector<NodeId>& innerPostorder() const { return innerPostorder_; }

  // Whether the node was made by resolving a node of more than two
  // children while reading (a polytomy, kept to be refined): its place in
  // the tree is one binary resolution of many.
  bool created(NodeId n) const { return !created_.empty() && created_[static_cast<std::size_t>(n)] != 0; }
  bool hasCreatedNodes() const { return !created_.empty(); }

  // Building, in the order of the text: nodes, then links, then finish().
  NodeId addNode(NameId name, std::string_view geneLabel = {});
  NodeId addCreatedNode();
  void attach(NodeId parent, NodeId child) { rooting_.attach(parent, child); }
  void setRoot(NodeId root) { rooting_.setRoot(root); }
  void finish();

  // The same tree with other links: children[n] the children of every node
  // (kNoNode for none), root the new root (a rooting of another binary
  // resolution of its polytomies, say). The nodes, names and labels stay.
  GeneTree relinked(const std::vector<std::array<NodeId, 2>>& children, NodeId root) const;

  // Asks the processor to fetch the tree's nodes ahead of use: scoring
  // streams through all gene trees once per pruned subtree, far more data
  // than the caches hold, and a tree fetched while the previous one is
  // scored is not waited for node by node.
  void prefetch() const;

 private:
  template <class Bytes, class Tree>
  friend void transferGeneTree(Bytes& bytes, Tree& tree);

  void orderInnerNodes();

  bool rooted_;
  double weight_;
  GeneRooting rooting_;
  std::vector<NameId> names_;
  // Gene labels, one after another, and where each node's ends; both empty
  // while no node has one.
  std::string geneLabels_;
  std::vector<std::size_t> geneLabelEnd_;
  std::vector<NodeId> leaves_;
  std::vector<NodeId> innerPostorder_;
  std::vector<char> created_;  // per node; empty while no node is
};

}  // namespace dls
