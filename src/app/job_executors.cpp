#include "app/job_executors.hpp"

#include <mutex>
#include <sstream>

#include "app/interrupt.hpp"
#include "app/rank_messages.hpp"

namespace dls {

namespace {

class OneAfterTheOther : public JobExecutor {
 public:
  OneAfterTheOther(Console& console, WorkerTeam& team, ProcessGroup& searchers)
      : console_(console), team_(team), searchers_(searchers) {}

  std::vector<JobResult> run(const std::vector<Job>& jobs, const JobRunner& runJob, const JobDone& done) override {
    std::vector<JobResult> results(jobs.size());
    for (std::size_t k = 0; k < jobs.size() && !(k > 0 && stopRequested()); ++k) {
      results[k] = runJob(jobs[k], console_, team_, searchers_);
      if (searchers_.leads()) done(k, results[k]);
    }
    return results;
  }

 private:
  Console& console_;
  WorkerTeam& team_;
  ProcessGroup& searchers_;
};

// Each job on one worker, with a console of its own: its progress is not
// shown, nor the warnings of the jobs after the first. A job's result is
// told as soon as it and those before it are done, by the worker that
// finished last.
class SideBySide : public JobExecutor {
 public:
  SideBySide(Console& console, WorkerTeam& team) : console_(console), team_(team) {}

  std::vector<JobResult> run(const std::vector<Job>& jobs, const JobRunner& runJob, const JobDone& done) override {
    std::vector<JobResult> results(jobs.size());
    std::vector<char> finished(jobs.size(), 0);
    std::size_t told = 0;
    std::mutex telling;
    console_.line("Running " + describe(jobs) + " side by side");
    team_.forEach(jobs.size(), 1, [&](unsigned, std::size_t k) {
      if (k == 0 || !stopRequested()) {
        std::ostringstream lines;
        Console own(lines, k == 0 ? console_.warningStream() : lines);
        own.setQuiet(true);
        WorkerTeam alone(1);
        results[k] = runJob(jobs[k], own, alone, soleProcess());
      }
      const std::lock_guard<std::mutex> lock(telling);
      finished[k] = 1;
      for (; told < jobs.size() && finished[told]; ++told) done(told, results[told]);
    });
    return results;
  }

 private:
  // "3 starts", "1 start and 10 bootstrap replicates"
  static std::string describe(const std::vector<Job>& jobs) {
    std::size_t starts = 0;
    for (const Job& job : jobs) starts += job.kind == Job::Kind::start ? 1 : 0;
    const std::size_t replicates = jobs.size() - starts;
    std::string text = std::to_string(starts) + (starts == 1 ? " start" : " starts");
    if (replicates > 0)
      text +=
          " and " + std::to_string(replicates) + (replicates == 1 ? " bootstrap replicate" : " bootstrap replicates");
    return text;
  }

  Console& console_;
  WorkerTeam& team_;
};

// Job j on rank j mod size, each rank's jobs one after the other on its
// team; rank 0 gathers the results and tells them in order.
class OverTheRanks : public JobExecutor {
 public:
  OverTheRanks(Console& console, WorkerTeam& team, ProcessGroup& processes)
      : console_(console), team_(team), processes_(processes) {}

  std::vector<JobResult> run(const std::vector<Job>& jobs, const JobRunner& runJob, const JobDone& done) override {
    std::vector<JobResult> results(jobs.size());
    for (std::size_t k = 0; k < jobs.size() && !(k > 0 && stopRequested()); ++k)
      if (jobRank(processes_, k) == processes_.rank()) results[k] = runJob(jobs[k], console_, team_, soleProcess());
    gatherJobResults(processes_, jobs, results);
    if (processes_.leads())
      for (std::size_t k = 0; k < jobs.size(); ++k) done(k, results[k]);
    return results;
  }

 private:
  Console& console_;
  WorkerTeam& team_;
  ProcessGroup& processes_;
};

}  // namespace

std::unique_ptr<JobExecutor> executorFor(const std::vector<Job>& jobs, Console& console, WorkerTeam& team,
                                         ProcessGroup& processes) {
  // Only the thread that started MPI talks to the other ranks: a job run
  // by one process (side by side with others, say) never does.
  if (jobs.size() > 1 && processes.size() > 1) return std::make_unique<OverTheRanks>(console, team, processes);
  if (jobs.size() > 1 && team.size() > 1) return std::make_unique<SideBySide>(console, team);
  return std::make_unique<OneAfterTheOther>(console, team, processes);
}

}  // namespace dls
