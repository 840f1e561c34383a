#include "reconcile/reconciler.hpp"

#include <cmath>

#include "reconcile/rootings.hpp"

namespace dls {

Reconciler::Reconciler(const SpeciesTree& species, const CostModel& model) : species_(species), model_(model) {
  index_.rebuild(species);
  if (model.scope == LossScope::wholeSpeciesTree) wholeTree_.buildWhole(species, index_);
}

GeneTreeCost Reconciler::costAt(const GeneTree& tree, const RootEdge& edge) {
  return costAt(tree, edge, [](NodeId, NodeId, NodeId) {});
}

// The cost of the present rooting's neighbours, and unless none is
// cheaper of every rooting in turn, kept up to date as the root moves:
// only the nodes whose parent changed, and the root, count differently.
// The counts are whole, so that a rooting's weighted cost is always
// reckoned alike, from its own counts.
RootEdge Reconciler::cheapestRootEdge(const GeneTree& tree, const RootEdge& present) {
  const RelevantTree& relevant =
      reconcileEveryDirection(tree, present, species_, index_, model_.scope, wholeTree_, scratch_);
  const GeneRooting& rooting = scratch_.rooting;
  const NodeId* map = scratch_.map.data();
  GeneTreeCost* cost = scratch_.cost.data();
  GeneTreeCost total;
  // Duplication and losses of an inner node; none for a leaf.
  auto costAt = [&](NodeId g) -> GeneTreeCost {
    const NodeId c0 = rooting.child(g, 0), c1 = rooting.child(g, 1);
    if (c0 == kNoNode || c1 == kNoNode) return {};
    const NodeId m = map[g], m0 = map[c0], m1 = map[c1];
    return {isDuplication<false>(m, m0, m1) ? 1 : 0, lossesBelow<false>(relevant, m, m0, m1)};
  };
  auto recount = [&](NodeId g) {
    const GeneTreeCost now = costAt(g);
    total.duplications += now.duplications - cost[g].duplications;
    total.losses += now.losses - cost[g].losses;
    cost[g] = now;
  };
  auto weighted = [&] {
    return model_.weights.of(static_cast<double>(total.duplications), static_cast<double>(total.losses));
  };
  for (NodeId g = 0; g < static_cast<NodeId>(rooting.size()); ++g) {
    cost[g] = costAt(g);
    total.duplications += cost[g].duplications;
    total.losses += cost[g].losses;
  }
  double best = weighted();
  RootEdge bestEdge{rooting.child(rooting.root(), 0), rooting.child(rooting.root(), 1)};
  if (bestEdge.first == kNoNode) return bestEdge;  // a single leaf has one rooting
  // Over the whole species tree, a rooting that is not cheapest has a
  // strictly cheaper neighbour (Górecki and Tiuryn 2007), rootings ordered
  // by weighted cost and, without a loss weight, then by losses. If no
  // neighbour of the present rooting is cheaper, it is cheapest and stays,
  // and the others need not be tried. Not when its cost overflows: then
  // every neighbour's may too, and a cheaper rooting be further away. The
  // root returns to the present edge after each look, and the links are
  // then as before.
  if (model_.scope == LossScope::wholeSpeciesTree && std::isfinite(best)) {
    const GeneTreeCost presentCounts = total;
    const auto cheaperThanPresent = [&] { return cheaperCounts(model_.weights, total, presentCounts); };
    const auto moveRoot = [&](NodeId a, NodeId b) {
      moveRootWithMappings(scratch_, a, b);
      for (NodeId g : scratch_.turned) recount(g);
      recount(rooting.root());
    };
    bool anyCheaper = false;
    for (int side = 0; side < 2 && !anyCheaper; ++side) {
      const NodeId over = side == 0 ? bestEdge.second : bestEdge.first;
      for (int k = 0; k < 2 && !anyCheaper; ++k) {
        const NodeId to = rooting.child(over, k);
        if (to == kNoNode) continue;
        moveRoot(to, over);
        anyCheaper = cheaperThanPresent();
        moveRoot(bestEdge.first, bestEdge.second);
      }
    }
    if (!anyCheaper) return bestEdge;
  }
  // The gene tree's weight is the same for every rooting: the weighted
  // counts decide.
  forEachOtherRooting(scratch_, [&](const RootEdge& edge) {
    for (NodeId g : scratch_.turned) recount(g);
    recount(rooting.root());
    if (weighted() < best) {
      best = weighted();
      bestEdge = edge;
    }
  });
  return bestEdge;
}

}  // namespace dls
