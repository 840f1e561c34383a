#pragma once
// The gene trees counted against one fixed species tree, on a team of
// workers: each tree's duplications and losses at its rooting, the
// cheapest rootings of the unrooted ones, and the weighted cost they sum
// to. The gene trees are only read; their rootings are the caller's.

#include <vector>

#include "common/process_group.hpp"
#include "common/worker_team.hpp"
#include "reconcile/cost_model.hpp"
#include "reconcile/reconciliation.hpp"
#include "scoring/scored_gene_trees.hpp"
#include "tree/species_tree.hpp"

namespace dls {

// The edges of the trees as read, one per tree.
std::vector<RootEdge> rootingsAsRead(const std::vector<ScoredGeneTree>& genes);

// Moves rootings[i] of every unrooted genes[i] to its cheapest rooting
// (the present one unless another is strictly cheaper).
void rootAtCheapest(const SpeciesTree& species, const std::vector<ScoredGeneTree>& genes,
                    std::vector<RootEdge>& rootings, const CostModel& model, WorkerTeam& team);

// Every tree's counts at its rooting, by position in genes.
std::vector<GeneTreeCost> countAt(const SpeciesTree& species, const std::vector<ScoredGeneTree>& genes,
                                  const std::vector<RootEdge>& rootings, const CostModel& model, WorkerTeam& team);

// The weighted cost of the counts (each tree's weighted counts times its
// weight), summed in the order of genes, over the processes' shares in
// rank order: as the search sums.
double weightedCost(const std::vector<ScoredGeneTree>& genes, const std::vector<GeneTreeCost>& counts,
                    const CostWeights& weights, ProcessGroup& processes = soleProcess());

}  // namespace dls
