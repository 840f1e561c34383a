#pragma once
// Reconciles gene trees, one at a time, with one fixed species tree: the
// cost of a gene tree at a rooting, counted from the definitions, and the
// cheapest rooting of an unrooted one under the cost weights. The species
// tree must keep its shape while the reconciler is used; the gene trees
// are only read.

#include "reconcile/cost_model.hpp"
#include "reconcile/gene_scratch.hpp"
#include "reconcile/reconciliation.hpp"
#include "reconcile/relevant_tree.hpp"
#include "reconcile/species_index.hpp"
#include "tree/gene_tree.hpp"
#include "tree/species_tree.hpp"

namespace dls {

class Reconciler {
 public:
  Reconciler(const SpeciesTree& species, const CostModel& model);

  // The counts of the gene tree rooted on `edge` (its own root edge: as read).
  GeneTreeCost costAt(const GeneTree& tree, const RootEdge& edge);
  // The same, calling atNode(g, c0, c1) at every inner gene node g (children
  // c0 and c1) while mapping(), relevantTree() and rooting() describe the
  // reconciliation: passes that ride on the count.
  template <class AtNode>
  GeneTreeCost costAt(const GeneTree& tree, const RootEdge& edge, AtNode&& atNode);
  GeneTreeCost costAsRead(const GeneTree& tree) { return costAt(tree, tree.rootEdge()); }
  // The root edge of the cheapest rooting of an unrooted gene tree, as the
  // root's (child 0, child 1) there; the weighted cost (duplications and
  // losses by their weights) decides, and the present rooting, on `present`,
  // stays unless another is strictly cheaper.
  RootEdge cheapestRootEdge(const GeneTree& tree, const RootEdge& present);

  // Of the last costAt: each gene node's mapping, the species nodes its
  // losses are counted over, and the rooting.
  const NodeId* mapping() const { return scratch_.map.data(); }
  const RelevantTree& relevantTree() const { return *relevant_; }
  const GeneRooting& rooting() const { return *rooting_; }
  const SpeciesTree& speciesTree() const { return species_; }
  const SpeciesIndex& speciesIndex() const { return index_; }

 private:
  const SpeciesTree& species_;
  const CostModel model_;
  SpeciesIndex index_;
  RelevantTree wholeTree_;  // the relevant tree when losses count over the whole species tree
  GeneScratch scratch_;
  const RelevantTree* relevant_ = nullptr;
  const GeneRooting* rooting_ = nullptr;
};

template <class AtNode>
GeneTreeCost Reconciler::costAt(const GeneTree& tree, const RootEdge& edge, AtNode&& atNode) {
  scratch_.fit(tree.size());
  rooting_ = &scratch_.rootAt(tree, edge);
  mapGeneTree<false>(tree, *rooting_, scratch_.turned, species_.leafByName().data(), index_, scratch_.map.data());
  relevant_ = &wholeTree_;
  if (model_.scope == LossScope::geneSpeciesOnly) {
    scratch_.relevant.buildRestricted(species_, index_, tree, scratch_.map.data());
    relevant_ = &scratch_.relevant;
  }
  return countCost<false>(*rooting_, scratch_.map.data(), *relevant_, atNode);
}

}  // namespace dls
