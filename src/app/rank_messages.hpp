#pragma once
// What the processes of a run send each other. Rank 0 reads and checks
// the input and hands it out: to every rank the options, the names, the
// given species tree and the constraint groups, and either every gene tree
// (each rank then runs whole starts and replicates of its own) or each
// rank's share, whole blocks of gene trees in the search's summing order
// balanced by their sizes (the ranks then search together). At the end
// rank 0 gathers what it reports: the jobs' results, or the counts and
// rootings of every share (and the gene trees, when it lists them).

#include <string>
#include <vector>

#include "app/jobs.hpp"
#include "app/options.hpp"
#include "app/run_input.hpp"
#include "common/process_group.hpp"
#include "common/random.hpp"
#include "report/run_summary.hpp"

namespace dls {

// Rank 0's options to every rank, or (options null) word that there is
// nothing to run; the other ranks return false then.
bool shareOptions(ProcessGroup& processes, Options* options);

// Where rank 0 put the gene trees it handed out in shares.
struct GeneTreeShares {
  std::vector<std::size_t> inputIndex;  // per position of the summing order
  std::vector<std::size_t> rankStart;   // per rank, its first position; then the end
};

// Rank 0 (input read, or failed = true) to every rank: the other ranks
// return false when rank 0 failed. With every tree, each rank gets all gene
// trees; otherwise each keeps its share, and rank 0 learns where they went.
// random: rank 0's state after reading, which the stages go on drawing from.
bool shareInputs(ProcessGroup& processes, bool failed, bool everyTree, RunInput& input, Random& random,
                 GeneTreeShares& shares);

// The ranks' shares back at rank 0, in input order; others get nothing.
std::vector<GeneTree> gatherGeneTrees(ProcessGroup& processes, std::vector<GeneTree>& mine,
                                      const GeneTreeShares& shares);

// The counts and rootings of the ranks' shares (each in its share's input
// order) at rank 0, in input order; others get nothing.
std::vector<GeneTreeOutcome> gatherOutcomes(ProcessGroup& processes, const std::vector<GeneTreeOutcome>& mine,
                                            const GeneTreeShares& shares);

// Jobs spread over the ranks run by turns: job j on rank j mod size.
int jobRank(const ProcessGroup& processes, std::size_t job);

// Every rank's results of its own jobs to rank 0.
void gatherJobResults(ProcessGroup& processes, const std::vector<Job>& jobs, std::vector<JobResult>& results);

}  // namespace dls
