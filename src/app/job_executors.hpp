#pragma once
// Three ways to run a list of jobs, with one interface: one after the
// other, side by side on the workers of a team, spread over the ranks of a
// cluster run. Each gives every job the same inputs, so the results are
// the same whatever the executor and the number of threads and ranks; only
// the progress shown differs.

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "app/jobs.hpp"

namespace dls {

using JobRunner = std::function<JobResult(const Job&, Console&, WorkerTeam&, ProcessGroup& searchers)>;
// Told on the leading process, in job order, for every job once its result
// and those of the jobs before it are known.
using JobDone = std::function<void(std::size_t, JobResult&)>;

class JobExecutor {
 public:
  virtual ~JobExecutor() = default;
  // Runs the jobs; the results are complete on the leading process. A
  // keyboard interrupt ends the list: the jobs not begun are not run
  // (their results not done), except the first, which always runs.
  virtual std::vector<JobResult> run(const std::vector<Job>& jobs, const JobRunner& runJob, const JobDone& done) = 0;
};

// The executor for the jobs: spread over the ranks when there are several
// jobs and ranks; side by side when there are several jobs and workers;
// else one after the other, each job on the whole team and, with several
// ranks, searched by all ranks together.
std::unique_ptr<JobExecutor> executorFor(const std::vector<Job>& jobs, Console& console, WorkerTeam& team,
                                         ProcessGroup& processes);

}  // namespace dls
