#include "reconcile/rootings.hpp"

namespace dls {

const RelevantTree& reconcileEveryDirection(const GeneTree& tree, const SpeciesTree& species, const SpeciesIndex& index,
                                            LossScope scope, const RelevantTree& wholeTree, GeneScratch& scratch) {
  scratch.fit(tree.size());
  mapEveryDirection<false>(tree, species.leafByName().data(), index, scratch.map.data(), scratch.directed.data(),
                           scratch.up.data());
  scratch.rooting = tree.rooting();
  if (scope == LossScope::wholeSpeciesTree) return wholeTree;
  // The relevant tree depends on the gene leaves only: one for all rootings.
  scratch.relevant.buildRestricted(species, index, tree, scratch.map.data());
  return scratch.relevant;
}

}  // namespace dls
