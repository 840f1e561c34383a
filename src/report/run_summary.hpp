#pragma once
// What a run found, as the outputs write it: the species tree with its
// costs, each gene tree's counts at the rooting it was reconciled with
// (unrooted ones at their cheapest), the bootstrap supports, and the cost
// weights. Made once, at the end of a run; the formatters only write it.

#include <cstdint>
#include <string>
#include <vector>

#include "reconcile/cost_model.hpp"
#include "reconcile/event_placement.hpp"
#include "reconcile/reconciliation.hpp"
#include "scoring/branch_support.hpp"
#include "tree/gene_tree.hpp"
#include "tree/species_tree.hpp"

namespace dls {

struct GeneTreeOutcome {
  GeneTreeCost counts;  // at its rooting
  RootEdge rooting;     // the edge it is rooted on
  double weight;        // the tree's
};

struct RunSummary {
  const SpeciesTree* speciesTree = nullptr;
  double weightedCost = 0;  // of the gene trees' counts (summedCost)
  CostWeights weights;      // of the weighted cost; the totals are counts
  // Per gene tree, in input order.
  std::vector<GeneTreeOutcome> geneTrees;
  // Bootstrap: per species-tree node, the support written as its label
  // (empty: none), and the replicates done of those asked for.
  std::vector<std::string> supports;
  int replicatesDone = 0, replicatesAsked = 0, replicatesFailed = 0;
  // Per species-tree node, when asked for: the bootstrap support alone
  // (supports may add the families' to it), the events on the branch above
  // it (empty: not counted) and the support of that branch from the gene
  // trees (empty: not asked for).
  std::vector<std::string> bootstrap;
  BranchEvents events;
  std::vector<BranchSupport> familySupport;
  // The lines of the header comment of the annotated forms: the program,
  // the command line, the seed, the threads, the weights.
  std::vector<std::string> provenance;
};

// Whether some gene tree's weight is not 1: the weighted sums of the
// events per branch are then shown beside the counts.
bool hasGeneTreeWeights(const RunSummary& summary);

// The weighted cost of the gene trees' counts: weight × (duplication weight
// × duplications + loss weight × losses) of each, summed in input order.
// Every term is computed from whole counts, so that no weight cancels
// another's counts; the sum is the one --evaluate and the search report.
double summedCost(const std::vector<GeneTreeOutcome>& geneTrees, const CostWeights& weights);

}  // namespace dls
