#include "tree/gene_rooting.hpp"

namespace dls {

NodeId GeneRooting::addNode() {
  nodes_.emplace_back();
  return static_cast<NodeId>(nodes_.size() - 1);
}

void GeneRooting::attach(NodeId parent, NodeId child) {
  nodes_[at(child)].neighbour[0] = parent;
  Node& up = nodes_[at(parent)];
  up.neighbour[up.neighbour[1] == kNoNode ? 1 : 2] = child;
}

}  // namespace dls
