#pragma once
// Reconciles gene trees, one at a time, with one fixed species tree: the
// cost of a gene tree at its present rooting, counted from the definitions,
// and the cheapest rooting of an unrooted one under the cost weights. The
// species tree must keep its shape while the reconciler is used.

#include "common/options.hpp"
#include "reconcile/gene_scratch.hpp"
#include "reconcile/reconciliation.hpp"
#include "reconcile/relevant_tree.hpp"
#include "reconcile/species_index.hpp"
#include "tree/gene_tree.hpp"
#include "tree/species_tree.hpp"

namespace dls {

class Reconciler {
 public:
  Reconciler(const SpeciesTree& species, LossScope scope, const CostWeights& weights);

  GeneTreeCost costAtPresentRooting(const GeneTree& tree);
  // The root edge of the cheapest rooting of an unrooted gene tree, as the
  // root's (child 0, child 1) there; the weighted cost (duplications and
  // losses by their weights) decides, and the present rooting stays unless
  // another is strictly cheaper.
  RootEdge cheapestRootEdge(const GeneTree& tree);
  // Roots an unrooted gene tree at its cheapest rooting.
  void rootAtCheapest(GeneTree& tree);

 private:
  const SpeciesTree& species_;
  const LossScope scope_;
  const CostWeights weights_;
  SpeciesIndex index_;
  RelevantTree wholeTree_;  // the relevant tree when losses count over the whole species tree
  GeneScratch scratch_;
};

}  // namespace dls
