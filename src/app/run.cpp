#include "app/run.hpp"

#include <chrono>
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>

#include "app/bootstrap_support.hpp"
#include "app/interrupt.hpp"
#include "app/job_executors.hpp"
#include "app/option_table.hpp"
#include "app/rank_messages.hpp"
#include "app/run_annotations.hpp"
#include "app/startup.hpp"
#include "common/decimal_text.hpp"
#include "common/errors.hpp"
#include "report/report_formats.hpp"
#include "scoring/gene_tree_counts.hpp"
#include "search/spr_search.hpp"
#include "tree/newick_writer.hpp"

namespace dls {

namespace {

// Takes the jobs' results in job order, as the executor tells them: keeps
// the best start (lowest cost, the earliest among equal ones) and tallies
// the replicates' trees against it, with a progress line for each.
class ResultTally {
 public:
  ResultTally(const Options& options, const NameTable& names, const RunOutputs* outputs, Console& console)
      : options_(options), names_(names), outputs_(outputs), console_(console), begun_(now()) {}

  void take(const Job& job, const JobResult& result) {
    if (job.kind == Job::Kind::replicate) {
      takeReplicate(job, result);
      return;
    }
    if (!result.done) return;  // not run: interrupted before it
    if (best_ == nullptr || isLowerCost(result.cost, best_->cost)) {
      best_ = &result;
      bestStart_ = job.number;
    }
    if (options_.starts == 1) return;
    console_.line("Start " + std::to_string(job.number) + " of " + std::to_string(options_.starts) + " (seed " +
                  std::to_string(result.seed) + "): cost " + formatCost(result.cost) + ", best " +
                  formatCost(best_->cost) + " (start " + std::to_string(bestStart_) + "), elapsed " + elapsed());
  }

  const JobResult& best() const { return *best_; }
  // The support labels of the best tree's nodes; none without replicates.
  std::vector<std::string> supports() const { return support_ ? support_->labels() : std::vector<std::string>(); }
  int replicatesDone() const { return support_ ? support_->replicates() : 0; }
  int replicatesFailed() const { return replicatesFailed_; }

 private:
  static std::chrono::steady_clock::time_point now() { return std::chrono::steady_clock::now(); }
  std::string elapsed() const {
    return formatElapsed(std::chrono::duration_cast<std::chrono::seconds>(now() - begun_).count());
  }

  // The replicates done before the first one missing count; one whose cost
  // is not finite is left out alone.
  void takeReplicate(const Job& job, const JobResult& result) {
    if (result.costNotFinite) {
      ++replicatesFailed_;
      console_.warning("bootstrap replicate " + std::to_string(job.number) +
                           " left out: its weighted cost is not finite (the weights times the draws are too large)",
                       "bootstrap replicate left out");
      return;
    }
    if (!result.done) replicatesEnded_ = true;
    if (replicatesEnded_) return;
    if (!support_) support_.emplace(best_->tree);
    support_->add(result.tree);
    if (outputs_ != nullptr && outputs_->bootstrapTrees) {
      std::ostream& out = outputs_->bootstrapTrees();
      NewickWriter(names_).write(out, result.tree);
      out << ";\n";
    }
    console_.line("Replicate " + std::to_string(job.number) + " of " + std::to_string(options_.bootstrap) + ": cost " +
                  formatCost(result.cost) + ", elapsed " + elapsed());
  }

  const Options& options_;
  const NameTable& names_;
  const RunOutputs* outputs_;
  Console& console_;
  const std::chrono::steady_clock::time_point begun_;
  const JobResult* best_ = nullptr;
  int bestStart_ = 0;
  std::optional<BootstrapSupport> support_;
  bool replicatesEnded_ = false;
  int replicatesFailed_ = 0;
};

const ReportFormat& formatOf(OutputFormat format) {
  static const TreeLineFormat treeLine;
  static const NewickReportFormat newick;
  static const NexusFormat nexus;
  static const AnnotatedNexusFormat annotated;
  static const NhxFormat nhx;
  switch (format) {
    case OutputFormat::tree:
      return treeLine;
    case OutputFormat::nexus:
      return nexus;
    case OutputFormat::annotated:
      return annotated;
    case OutputFormat::nhx:
      return nhx;
    default:
      return newick;
  }
}

// This process's gene trees as the result reports them, in input order:
// each at the refinement of its polytomies the result used, if any, else
// as read.
std::vector<ScoredGeneTree> reportedTrees(const JobResult& result, const RunInput& input) {
  std::vector<ScoredGeneTree> reported = inputOrder(input.trees.geneTrees);
  for (std::size_t k = 0; k < result.refinedAt.size(); ++k) reported[result.refinedAt[k]].tree = &result.refined[k];
  return reported;
}

// The counts and rootings of the reported gene trees for the result's
// tree: the scoring's own, else counted at the result's rootings.
std::vector<GeneTreeOutcome> outcomesOf(const JobResult& result, const std::vector<ScoredGeneTree>& reported,
                                        const Options& options, WorkerTeam& team) {
  const std::vector<GeneTreeCost> counts =
      !result.counts.empty() || reported.empty()
          ? result.counts
          : countAt(result.tree, reported, result.rootings, options.costModel, team);
  std::vector<GeneTreeOutcome> outcomes(reported.size());
  for (std::size_t i = 0; i < reported.size(); ++i)
    outcomes[i] = {counts[i], result.rootings[i], reported[i].tree->weight()};
  return outcomes;
}

// The stages after the input is shared: the jobs, then the report (rank
// 0's). The processes of one search searched together, each with its share
// of the gene trees: they count their shares for the report.
void runJobsAndReport(const Options& options, RunInput& input, const Random& afterReading, const GeneTreeShares& shares,
                      WorkerTeam& team, const RunOutputs* outputs, Console& console, ProcessGroup& processes) {
  const std::vector<Job> jobs = jobsOf(options);
  const JobInput in{options, input, afterReading};
  ResultTally tally(options, input.trees.names, outputs, console);
  std::vector<JobResult> results = executorFor(jobs, console, team, processes)
                                       ->run(
                                           jobs,
                                           [&](const Job& job, Console& c, WorkerTeam& t, ProcessGroup& searchers) {
                                             return runJob(in, job, c, t, searchers);
                                           },
                                           [&](std::size_t k, JobResult& result) { tally.take(jobs[k], result); });
  const bool searchedTogether = jobs.size() == 1 && processes.size() > 1;
  if (!processes.leads() && !searchedTogether) {
    processes.setWorkingTogether(false);
    return;
  }
  const JobResult& best = processes.leads() ? tally.best() : results[0];
  RunSummary summary;
  summary.speciesTree = &best.tree;
  summary.weights = options.costModel.weights;
  const std::vector<ScoredGeneTree> reported = reportedTrees(best, input);
  summary.geneTrees = outcomesOf(best, reported, options, team);
  annotateBranches(options, reported, team, searchedTogether ? processes : soleProcess(), console, summary);
  std::vector<const GeneTree*> listed = treesOf(reported);
  std::vector<GeneTree> gathered;
  if (searchedTogether) {
    summary.geneTrees = gatherOutcomes(processes, summary.geneTrees, shares);
    if (options.writeGeneTrees) {
      std::vector<GeneTree> mine;
      for (const GeneTree* tree : listed) mine.push_back(*tree);
      gathered = gatherGeneTrees(processes, mine, shares);
      listed.clear();
      for (const GeneTree& tree : gathered) listed.push_back(&tree);
    }
  }
  processes.setWorkingTogether(false);
  if (!processes.leads()) return;
  // The cost reported is the one of the counts reported, in every mode.
  summary.weightedCost = summedCost(summary.geneTrees, summary.weights);
  if (options.evaluateOnly) console.line("Final weighted reconciliation cost: " + formatCost(summary.weightedCost));
  if (!std::isfinite(summary.weightedCost)) throw CostNotFinite();
  summary.bootstrap = tally.supports();
  summary.supports = innerLabels(summary);
  summary.replicatesDone = tally.replicatesDone();
  summary.replicatesFailed = tally.replicatesFailed();
  summary.replicatesAsked = options.bootstrap;
  summary.provenance = provenanceLines(options, outputs->commandLine, summary);
  formatOf(options.format)
      .write(outputs->report(), summary, options.writeGeneTrees ? &listed : nullptr, input.trees.names);
  writeSideOutputs(outputs->svg, outputs->branchTable, summary, input.trees.names);
}

}  // namespace

void runStages(const Options& options, const InputStreams* streams, const RunOutputs* outputs, Console& console,
               ProcessGroup& processes) {
  Random random(options.seed);
  RunInput input;
  GeneTreeShares shares;
  const bool severalSearches = options.starts > 1 || options.bootstrap > 0;
  if (processes.leads()) {
    try {
      readRunInput(options, *streams, input, random, console);
    } catch (...) {
      // Every rank learns of the failure and ends; rank 0 reports it.
      processes.setWorkingTogether(false);
      shareInputs(processes, /*failed=*/true, severalSearches, input, random, shares);
      throw;
    }
  }
  if (!shareInputs(processes, /*failed=*/false, severalSearches, input, random, shares)) return;
  WorkerTeam team(options.threads);
  try {
    runJobsAndReport(options, input, random, shares, team, outputs, console, processes);
  } catch (const InputError&) {
    // Searching in step with rank 0, another rank meets a fault of the
    // input where rank 0 does, which reports it and ends them all; a start
    // or replicate of its own is its own to report.
    if (processes.leads() || severalSearches) throw;
    processes.setWorkingTogether(false);
    throw ReportedElsewhere();
  }
}

int runProgram(int argc, char** argv, Console& console, ProcessGroup& processes) {
  Options options;
  if (!processes.leads()) {
    // The other ranks run what rank 0 hands out, and write nothing. From
    // here on, a failure of any rank ends them all.
    if (!shareOptions(processes, &options)) return 0;
    processes.setWorkingTogether(true);
    runStages(options, nullptr, nullptr, console, processes);
    return 0;
  }
  RunFiles files;
  bool run = false;
  try {
    CommandLine line(argc, argv, isFlagOption);
    run = startUp(line, options, files, console);
  } catch (...) {
    shareOptions(processes, nullptr);
    throw;
  }
  if (!shareOptions(processes, run ? &options : nullptr)) return 0;
  processes.setWorkingTogether(true);
  const InputStreams streams{*files.trees, files.constraintsText.get(), files.mapText.get(), &files.treeFiles};
  RunOutputs outputs;
  outputs.report = [&]() -> std::ostream& { return files.output ? files.output->stream() : std::cout; };
  if (files.bootstrapTrees) outputs.bootstrapTrees = [&]() -> std::ostream& { return files.bootstrapTrees->stream(); };
  if (files.svg) outputs.svg = [&]() -> std::ostream& { return files.svg->stream(); };
  if (files.branchTable) outputs.branchTable = [&]() -> std::ostream& { return files.branchTable->stream(); };
  outputs.commandLine.assign(argv, argv + argc);
  runStages(options, &streams, &outputs, console, processes);
  // The files beside the report are committed first (the replicates' trees
  // a file, empty when none was done): a failure there leaves the report's
  // file as it was.
  for (const std::unique_ptr<OutputFile>* side : {&files.bootstrapTrees, &files.svg, &files.branchTable}) {
    if (!*side) continue;
    (*side)->stream();
    (*side)->commit();
  }
  if (files.output)
    files.output->commit();
  else if (!std::cout)
    throw InputError("standard output could not be written");
  return 0;
}

}  // namespace dls
