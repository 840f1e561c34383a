#pragma once
// The events of every gene tree at its rooting, placed on the branches of
// one species tree (reconcile/event_placement.hpp) and summed over the
// gene trees by a team of workers. The counts are whole numbers, the same
// in any order; the weighted sums are not: the gene trees are cut into
// blocks of consecutive trees by their sizes alone (geneTreeBlocks), each
// block is summed whole by one worker, the blocks' sums are added in block
// order and the processes' in rank order (each process holding whole
// blocks, as the search's shares do). So every sum is the same, to the
// last bit, for any number of threads and processes.

#include <vector>

#include "common/process_group.hpp"
#include "common/worker_team.hpp"
#include "reconcile/cost_model.hpp"
#include "reconcile/event_placement.hpp"
#include "scoring/scored_gene_trees.hpp"
#include "tree/species_tree.hpp"

namespace dls {

// genes: this process's gene trees in summing order (scoringOrder), each
// with its weight; rootings and counts: by their input position
// (ScoredGeneTree::input), the edge each is rooted on and the counts
// reported for it. Throws InternalError when a tree's events do not add up
// to its reported counts. Every process gets the sums over all of them.
BranchEvents countBranchEvents(const SpeciesTree& species, const std::vector<ScoredGeneTree>& genes,
                               const std::vector<RootEdge>& rootings, const std::vector<GeneTreeCost>& counts,
                               const CostModel& model, WorkerTeam& team, ProcessGroup& processes = soleProcess());

}  // namespace dls
