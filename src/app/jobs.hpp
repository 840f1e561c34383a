#pragma once
// A run as a list of jobs: the starts (1..N, each improved by the search),
// then the bootstrap replicates (1..B); or the one scoring of a given tree
// (--evaluate). A job is a function of the read-only input, its
// description and its seed alone: it never changes the input, and returns
// what it found, so that any executor (one after the other, side by side
// on threads, spread over ranks) gives the same results.

#include <cstdint>
#include <vector>

#include "app/options.hpp"
#include "app/run_input.hpp"
#include "common/console.hpp"
#include "common/process_group.hpp"
#include "common/random.hpp"
#include "common/worker_team.hpp"
#include "reconcile/reconciliation.hpp"
#include "tree/species_tree.hpp"

namespace dls {

struct Job {
  enum class Kind { evaluate, start, replicate };
  Kind kind;
  int number;  // of the start or replicate, from 1
};

// The starts, then the replicates, or the scoring of the given tree.
std::vector<Job> jobsOf(const Options& options);

struct JobResult {
  bool done = false;  // false: not run (interrupted before it), an interrupted replicate, or failed
  // A replicate whose weights times draws leave the range of double fails
  // alone: no tree, no cost.
  bool costNotFinite = false;
  SpeciesTree tree;
  double cost = 0;  // weighted reconciliation cost
  std::uint32_t seed = 0;
  unsigned moves = 0;
  long long seconds = 0;
  // A start's, or the scoring's: per gene tree of this process, in input
  // order, the edge it is rooted on; the scoring also gives its counts.
  std::vector<RootEdge> rootings;
  std::vector<GeneTreeCost> counts;
  // With polytomies refined: the gene trees that have them at the
  // refinement used (the rootings are of these), and their input positions.
  std::vector<GeneTree> refined;
  std::vector<std::size_t> refinedAt;
};

// What every job reads.
struct JobInput {
  const Options& options;
  const RunInput& input;
  const Random& afterReading;  // the run's generator after reading: start 1 draws on from it
};

// Runs one job. The team scores the gene trees; searchers are the
// processes that search in step with this one (each with its share of the
// gene trees), the plain build's one process otherwise.
JobResult runJob(const JobInput& in, const Job& job, Console& console, WorkerTeam& team, ProcessGroup& searchers);

}  // namespace dls
