#pragma once
// What the processes of a run send each other. Rank 0 reads and checks
// the input and hands it out: to every rank the options, the names, the
// given species tree and the constraint groups, and either every gene tree
// (each rank then runs whole starts and replicates of its own) or each
// rank's share, whole blocks of gene trees in the search's summing order
// balanced by their sizes (the ranks then search together). At the end
// rank 0 gathers what it reports.

#include <memory>
#include <string>
#include <vector>

#include "common/options.hpp"
#include "common/process_group.hpp"
#include "common/random.hpp"
#include "search/spr_search.hpp"
#include "tree/constraint_reader.hpp"
#include "tree/tree_input.hpp"

namespace dls {

// The input as every start and replicate uses it.
struct RunData {
  TreeInput trees;  // the gene trees: this process's share, or all
  std::vector<ConstraintGroup> groups;
  std::vector<NameId> species;  // of all gene trees, by name number
  std::string geneTreeSummary;  // "R rooted and U unrooted input gene trees total"
};

// One start's species tree, search result and seed.
struct StartOutcome {
  std::unique_ptr<SpeciesTree> tree;  // null: not run (interrupted before it)
  SearchResult result;
  std::uint32_t seed = 0;
};

// Rank 0's options to every rank, or (options null) word that there is
// nothing to run; the other ranks return false then.
bool shareOptions(ProcessGroup& processes, Options* options);

// Where rank 0 put the gene trees it handed out in shares.
struct GeneTreeShares {
  std::vector<std::size_t> inputIndex;  // per position of the summing order
  std::vector<std::size_t> rankStart;   // per rank, its first position; then the end
};

// Rank 0 (data read, or failed = true) to every rank: the other ranks
// return false when rank 0 failed. With every tree, each rank gets all gene
// trees; otherwise each keeps its share, and rank 0 learns where they went.
// random: rank 0's state after reading, which the stages go on drawing from.
bool shareInputs(ProcessGroup& processes, bool failed, bool everyTree, RunData& data, Random& random,
                 GeneTreeShares& shares);

// The ranks' shares back at rank 0, in input order; others get nothing.
std::vector<GeneTree> gatherGeneTrees(ProcessGroup& processes, std::vector<GeneTree>& mine,
                                      const GeneTreeShares& shares);

// Starts and replicates run on the ranks by turns: job j (the starts
// first, then the replicates) on rank j mod size.
int jobRank(const ProcessGroup& processes, int job);

// A rank's results to rank 0: the starts' outcomes, and the replicates'
// trees (null: not done) with their costs.
struct JobResults {
  std::vector<StartOutcome>& starts;
  std::vector<std::unique_ptr<SpeciesTree>>& replicateTrees;
  std::vector<double>& replicateCosts;
};
void gatherJobResults(ProcessGroup& processes, const JobResults& results);

// Rank 0's choice of start to every rank, and that start's gene trees (as
// its search left them) from the rank that ran it to rank 0, which gets
// them back; startGenes: per start, a rank's own starts' gene trees.
std::vector<GeneTree> fetchStartGeneTrees(ProcessGroup& processes, int& bestStart,
                                          std::vector<std::vector<GeneTree>>& startGenes);

}  // namespace dls
