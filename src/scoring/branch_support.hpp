#pragma once
// How the gene trees themselves support each inner branch of a species
// tree, without searching again: the two nearest-neighbour interchanges
// around the branch, what each costs in all, and which of the three trees
// each gene tree prefers.
//
// The branch above an inner node v other than the root, whose parent is u:
// v's children A and B and its sibling C make u's clade ((A,B),C). The
// alternatives join C with A, ((A,C),B), or with B, ((B,C),A): C pruned
// and regrafted onto the edge above A, or above B; regrafted above v it
// gives the tree back. So one scoring of the regrafts of C (RegraftScorer)
// gives a gene tree's counts in all three trees, each at its cheapest
// rooting when the gene tree is unrooted. Gene trees whose species all lie
// outside u's clade, or all below one of A, B and C, cost the same in the
// three trees and are not scored (they have a copy on the branch above
// neither u nor v, event_placement.hpp); nor, when losses are counted in
// restricted trees, those whose species lie below only one of A, B and C
// (their restricted trees stay as they are).
//
// The cost differences are summed in a fixed order (blocks of gene trees,
// then processes, as branch_events.hpp): the same for any number of threads
// and processes.

#include <cstdint>
#include <functional>
#include <vector>

#include "common/process_group.hpp"
#include "common/worker_team.hpp"
#include "reconcile/cost_model.hpp"
#include "reconcile/reconciliation.hpp"
#include "scoring/scored_gene_trees.hpp"
#include "tree/species_tree.hpp"

namespace dls {

struct BranchSupport {
  bool scored = false;  // the branch above an inner node other than the root
  // Per alternative (C with A, C with B): its weighted cost less the tree's,
  // summed over the gene trees by their weights.
  double costChange[2] = {0, 0};
  // Gene trees whose least cost only one topology has: the tree's, then
  // the alternatives'; and those whose least cost two of them share. Gene
  // trees for which all three cost the same are in none.
  std::int64_t preferring[3] = {0, 0, 0};
  std::int64_t ties = 0;

  std::int64_t deciding() const { return preferring[0] + preferring[1] + preferring[2] + ties; }
};

// Per species node, the support of the branch above it. genes: this
// process's gene trees in summing order (scoringOrder); rootings and
// counts: by input position, the edge each is rooted on and its counts
// there, cheapest for the species tree (the reported ones). Every process
// gets the sums over all of them. progress(done, total), when given, is
// called after each branch.
std::vector<BranchSupport> familySupport(
    const SpeciesTree& species, const std::vector<ScoredGeneTree>& genes, const std::vector<RootEdge>& rootings,
    const std::vector<GeneTreeCost>& counts, const CostModel& model, WorkerTeam& team,
    ProcessGroup& processes = soleProcess(),
    const std::function<void(std::size_t, std::size_t)>& progress = std::function<void(std::size_t, std::size_t)>());

}  // namespace dls
