#pragma once
// Trying the rootings of an unrooted gene tree. It counts with its cheapest
// rooting; all cheapest rootings have the same duplications and losses
// (Górecki and Tiuryn 2007), and among equally cheap ones the first tried
// is kept: the present rooting, then every other edge in a fixed order.

#include "common/options.hpp"
#include "reconcile/gene_scratch.hpp"
#include "reconcile/reconciliation.hpp"

// Puts the root of `rooting` on every edge other than its present one in
// turn: the edges below the root's child 0, then those below its child 1,
// each edge after the edges below it. At each, visit(edge) gets the edge as
// (upper end, lower end); turned(node) is called for each node whose parent
// changed on the way. The root is left on the last edge.
template <class Turned, class Visit>
void forEachOtherRooting(GeneRooting& rooting, GeneScratch& scratch, Turned&& turned, Visit&& visit) {
  scratch.edges.clear();
  const NodeId top = rooting.root();
  for (int side = 0; side < 2; ++side) {
    const NodeId below = rooting.child(top, side);
    if (below == kNoNode) continue;
    scratch.tour.run(
        below, [&rooting](NodeId n, int i) { return rooting.child(n, i); },
        [&](NodeId n, TourStep step) {
          if (step == TourStep::leave && n != below) scratch.edges.push_back({rooting.parent(n), n});
        });
  }
  for (const RootEdge& edge : scratch.edges) {
    rooting.moveRootTo(edge.second, edge.first, turned);
    visit(edge);
  }
}

// Maps every direction of an unrooted gene tree into scratch.map and
// scratch.directed(), and returns the relevant tree to count it in: the
// shared one over the whole species tree, or one restricted to its species.
const RelevantTree& reconcileEveryDirection(const GeneTree& tree, const SpeciesTree& species,
                                            const SpeciesIndex& index, LossScope scope,
                                            const RelevantTree& wholeTree, GeneScratch& scratch);
