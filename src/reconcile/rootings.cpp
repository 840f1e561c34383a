#include "reconcile/rootings.hpp"

namespace dls {

const RelevantTree& reconcileEveryDirection(const GeneTree& tree, const RootEdge& edge, const SpeciesTree& species,
                                            const SpeciesIndex& index, LossScope scope, const RelevantTree& wholeTree,
                                            GeneScratch& scratch) {
  scratch.fit(tree.size());
  NodeId* map = scratch.map.data();
  const std::array<NodeId, 3>* directed = scratch.directed.data();
  mapEveryDirection(tree, species.leafByName().data(), index, map, scratch.directed.data(), scratch.up.data());
  // The mappings of a direction hold at every rooting: those of the nodes
  // whose parent the move to the edge changes are read from it.
  scratch.rooting = tree.rooting();
  GeneRooting& rooting = scratch.rooting;
  if (edge != tree.rootEdge())
    rooting.moveRootTo(edge.first, edge.second, [&](NodeId n) { map[n] = directed[n][rooting.parentSlot(n)]; });
  if (scope == LossScope::wholeSpeciesTree) return wholeTree;
  // The relevant tree depends on the gene leaves only: one for all rootings.
  scratch.relevant.buildRestricted(species, index, tree, scratch.map.data());
  return scratch.relevant;
}

}  // namespace dls
