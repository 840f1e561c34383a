#include "reconcile/event_placement.hpp"

#include "common/errors.hpp"

namespace dls {

void BranchEvents::clear(std::size_t speciesNodes) {
  for (std::vector<std::int64_t>* counts : {&duplications, &losses, &families}) counts->assign(speciesNodes, 0);
  weightedDuplications.assign(speciesNodes, 0);
  weightedLosses.assign(speciesNodes, 0);
}

void BranchEvents::addCounts(const BranchEvents& other) {
  for (std::size_t s = 0; s < other.duplications.size(); ++s) {
    duplications[s] += other.duplications[s];
    losses[s] += other.losses[s];
    families[s] += other.families[s];
  }
}

EventPlacer::EventPlacer(const SpeciesTree& species)
    : species_(species),
      treeDuplications_(species.size(), 0),
      treeLosses_(species.size(), 0),
      isTouched_(species.size(), 0),
      visited_(species.size(), 0) {}

void EventPlacer::count(std::vector<std::int64_t>& counts, NodeId s) {
  if (isTouched_[at(s)] == 0) {
    isTouched_[at(s)] = 1;
    touched_.push_back(s);
  }
  ++counts[at(s)];
}

void EventPlacer::placeLosses(const RelevantTree& relevant, NodeId m, NodeId child, bool belowDuplication) {
  if (child == m) return;
  // From the child's mapping up to m: the sibling of every node on the way
  // is lost, but below m after a speciation.
  for (NodeId x = child;;) {
    const NodeId up = relevant.parent(x);
    if (up == kNoNode) throw InternalError("a gene node maps to an ancestor of its children's mappings");
    if (up == m && !belowDuplication) return;
    count(treeLosses_, relevant.child(up, 0) == x ? relevant.child(up, 1) : relevant.child(up, 0));
    if (up == m) return;
    x = up;
  }
}

GeneTreeCost EventPlacer::place(Reconciler& reconciler, const GeneTree& tree, const RootEdge& edge, double weight,
                                BranchEvents& events) {
  const GeneTreeCost cost = reconciler.costAt(tree, edge, [&](NodeId g, NodeId c0, NodeId c1) {
    const NodeId* map = reconciler.mapping();
    const NodeId m = map[g];
    const bool duplication = isDuplication<false>(m, map[c0], map[c1]);
    if (duplication) count(treeDuplications_, m);
    placeLosses(reconciler.relevantTree(), m, map[c0], duplication);
    placeLosses(reconciler.relevantTree(), m, map[c1], duplication);
  });
  // The tree's counts per node, and times its weight, into the sums.
  GeneTreeCost placed;
  for (const NodeId s : touched_) {
    const std::size_t i = at(s);
    placed.duplications += treeDuplications_[i];
    placed.losses += treeLosses_[i];
    events.duplications[i] += treeDuplications_[i];
    events.losses[i] += treeLosses_[i];
    events.weightedDuplications[i] += weight * static_cast<double>(treeDuplications_[i]);
    events.weightedLosses[i] += weight * static_cast<double>(treeLosses_[i]);
    treeDuplications_[i] = treeLosses_[i] = 0;
    isTouched_[i] = 0;
  }
  touched_.clear();
  if (placed.duplications != cost.duplications || placed.losses != cost.losses)
    throw InternalError("the events placed on the branches of a gene tree add up to its counts");
  const NodeId rootMapping = reconciler.mapping()[reconciler.rooting().root()];
  forEachBranchWithCopy(tree, rootMapping, [&](NodeId s) { ++events.families[at(s)]; });
  return cost;
}

}  // namespace dls
