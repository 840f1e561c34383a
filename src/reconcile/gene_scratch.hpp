#pragma once
// Scratch space for reconciling one gene tree at a time, sized to the
// largest gene tree; one per worker, so that trees are only read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/tree_tour.hpp"
#include "reconcile/reconciliation.hpp"
#include "reconcile/relevant_tree.hpp"
#include "tree/gene_tree.hpp"

namespace dls {

// An edge of a gene tree; rooted on it, first is the root's child 0.
struct RootEdge {
  NodeId first, second;
};

struct GeneScratch {
  std::vector<NodeId> map;                      // mapping of every gene node at the rooting in use
  std::vector<std::array<NodeId, 3>> directed;  // per node: the mapping for each neighbour slot
  std::vector<NodeId> up;
  GeneRooting rooting;             // a copy of an unrooted tree, re-rooted at will
  std::vector<RootEdge> edges;     // the edges in the order they are tried
  std::vector<NodeId> turned;      // nodes whose parent the last move of the root changed
  std::vector<GeneTreeCost> cost;  // per inner node: its duplication and losses, at the rooting in use
  RelevantTree relevant;           // a relevant tree restricted to one gene tree
  TreeTour tour;

  void fit(std::size_t geneNodes) {
    if (map.size() >= geneNodes) return;
    map.resize(geneNodes);
    cost.resize(geneNodes);
    directed.resize(geneNodes);
    up.resize(geneNodes);
  }
};

}  // namespace dls
