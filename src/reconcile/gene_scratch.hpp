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

  // The tree's links rooted on `edge`: the tree's own when that is its
  // root edge (turned then empty), else `rooting`, a copy re-rooted there,
  // with `turned` the nodes whose parent differs from the tree's, each
  // listed before the nodes below it. The tree stays as read.
  const GeneRooting& rootAt(const GeneTree& tree, const RootEdge& edge) {
    turned.clear();
    if (edge == tree.rootEdge()) return tree.rooting();
    rooting = tree.rooting();
    rooting.moveRootTo(edge.first, edge.second, [this](NodeId n) { turned.push_back(n); });
    return rooting;
  }

  void fit(std::size_t geneNodes) {
    if (map.size() >= geneNodes) return;
    map.resize(geneNodes);
    cost.resize(geneNodes);
    directed.resize(geneNodes);
    up.resize(geneNodes);
  }
};

}  // namespace dls
