#pragma once
// Trying the rootings of an unrooted gene tree. It counts with its cheapest
// rooting under the cost weights; with the default weights all cheapest
// rootings have the same duplications and losses (Górecki and Tiuryn 2007),
// with others they may split their cost differently. Among equally cheap
// ones the first tried is kept: the present rooting, then every other edge
// in a fixed order.

#include "reconcile/cost_model.hpp"
#include "reconcile/gene_scratch.hpp"
#include "reconcile/reconciliation.hpp"

namespace dls {

// Puts the root of scratch.rooting on the edge {a, b}, as its children a
// and b: scratch.turned lists the nodes whose parent changed, and
// scratch.map holds their mappings there (from scratch.directed).
inline void moveRootWithMappings(GeneScratch& scratch, NodeId a, NodeId b) {
  GeneRooting& rooting = scratch.rooting;
  scratch.turned.clear();
  rooting.moveRootTo(a, b, [&](NodeId n) {
    scratch.map[static_cast<std::size_t>(n)] = scratch.directed[static_cast<std::size_t>(n)][rooting.parentSlot(n)];
    scratch.turned.push_back(n);
  });
}

// Puts the root of scratch.rooting on every edge other than its present one
// in turn: the edges below the root's child 0, then those below its child
// 1, each edge after the edges below it. At each, scratch.map holds the
// mappings at that rooting (from scratch.directed), scratch.turned the
// nodes whose parent changed since the rooting before (only they, and the
// root, have other children or another mapping), and visit(edge) gets the
// edge as (upper end, lower end). Moving along the edges in this order, the
// root crosses each edge at most twice. The root is left on the last edge.
template <class Visit>
void forEachOtherRooting(GeneScratch& scratch, Visit&& visit) {
  GeneRooting& rooting = scratch.rooting;
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
    moveRootWithMappings(scratch, edge.second, edge.first);
    visit(edge);
  }
}

// Prepares the rootings of an unrooted gene tree: maps every direction
// (scratch.directed, and scratch.map at the rooting on `edge`, the present
// one), copies its links into scratch.rooting, rooted on the edge, and returns the relevant tree to count it in:
// the shared one over the whole species tree, or one restricted to its
// species.
const RelevantTree& reconcileEveryDirection(const GeneTree& tree, const RootEdge& edge, const SpeciesTree& species,
                                            const SpeciesIndex& index, LossScope scope, const RelevantTree& wholeTree,
                                            GeneScratch& scratch);

}  // namespace dls
