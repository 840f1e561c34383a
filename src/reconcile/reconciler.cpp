#include "reconcile/reconciler.hpp"

#include "reconcile/rootings.hpp"

Reconciler::Reconciler(const SpeciesTree& species, LossScope scope) : species_(species), scope_(scope) {
  index_.rebuild(species);
  if (scope == LossScope::wholeSpeciesTree) wholeTree_.buildWhole(species, index_);
}

GeneTreeCost Reconciler::costAtPresentRooting(const GeneTree& tree) {
  scratch_.fit(tree.size());
  mapGeneTree<false>(tree, species_.leafByName().data(), index_, scratch_.map.data());
  const RelevantTree* relevant = &wholeTree_;
  if (scope_ == LossScope::geneSpeciesOnly) {
    scratch_.relevant.buildRestricted(species_, index_, tree, scratch_.map.data());
    relevant = &scratch_.relevant;
  }
  return countCost<false>(tree.rooting(), scratch_.map.data(), *relevant);
}

RootEdge Reconciler::cheapestRootEdge(const GeneTree& tree) {
  const RelevantTree& relevant = reconcileEveryDirection(tree, species_, index_, scope_, wholeTree_, scratch_);
  const GeneRooting& rooting = scratch_.rooting;
  const NodeId* map = scratch_.map.data();
  const double weight = tree.weight();
  auto costHere = [&]() {
    const GeneTreeCost cost = countCost<false>(rooting, map, relevant);
    return static_cast<double>(cost.losses) * weight + static_cast<double>(cost.duplications) * weight;
  };
  double best = costHere();
  RootEdge bestEdge{rooting.child(rooting.root(), 0), rooting.child(rooting.root(), 1)};
  if (bestEdge.first == kNoNode) return bestEdge;  // a single leaf has one rooting
  forEachOtherRooting(scratch_, [&](const RootEdge& edge) {
    const double cost = costHere();
    if (cost < best) {
      best = cost;
      bestEdge = edge;
    }
  });
  return bestEdge;
}

void Reconciler::rootAtCheapest(GeneTree& tree) {
  const RootEdge edge = cheapestRootEdge(tree);
  const NodeId root = tree.root();
  if (edge.first != tree.child(root, 0) || edge.second != tree.child(root, 1)) tree.moveRootTo(edge.first, edge.second);
}
