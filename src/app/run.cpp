#include "app/run.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <memory>
#include <sstream>

#include "app/interrupt.hpp"
#include "app/rank_messages.hpp"
#include "app/startup.hpp"
#include "common/decimal_text.hpp"
#include "common/errors.hpp"
#include "common/random.hpp"
#include "reconcile/species_coverage.hpp"
#include "report/report_writer.hpp"
#include "search/spr_search.hpp"
#include "start/leaf_adding_builder.hpp"
#include "tree/constraint_reader.hpp"
#include "tree/newick_writer.hpp"
#include "tree/text_reader.hpp"
#include "tree/tree_input.hpp"

namespace dls {

namespace {

std::string geneTreeSummary(const std::vector<GeneTree>& trees) {
  std::size_t rooted = 0;
  for (const GeneTree& tree : trees) rooted += tree.rooted() ? 1 : 0;
  return std::to_string(rooted) + " rooted and " + std::to_string(trees.size() - rooted) +
         " unrooted input gene trees total";
}

// The species of the leaves below v, in pre-order.
std::vector<NameId> speciesBelow(const SpeciesTree& tree, const SpeciesIndex& index, NodeId v) {
  std::vector<NameId> species;
  for (std::uint32_t i = index.begin(v); i < index.end(v); ++i)
    if (tree.isLeaf(index.preorder()[i])) species.push_back(tree.name(index.preorder()[i]));
  return species;
}

// The constraint clades of a given species tree, each the species below
// its top node, as groups for the starts built by leaf adding (which
// refuse nested ones).
std::vector<ConstraintGroup> groupsOfClades(const SpeciesTree& tree, const NameTable& names) {
  SpeciesIndex index;
  index.rebuild(tree);
  std::vector<ConstraintGroup> groups;
  for (NodeId v : index.preorder()) {
    const CladeId clade = tree.clade(v);
    if (clade == kNoClade || (v != tree.root() && tree.clade(tree.parent(v)) == clade)) continue;
    ConstraintGroup group;
    for (NameId name : speciesBelow(tree, index, v)) group.push_back(names.text(name));
    if (group.size() >= 2) groups.push_back(group);
  }
  return groups;
}

// The species below every node, as sorted name numbers.
std::vector<std::vector<NameId>> cladesOf(const SpeciesTree& tree) {
  SpeciesIndex index;
  index.rebuild(tree);
  std::vector<std::vector<NameId>> clades(tree.size());
  for (NodeId v = 0; v < static_cast<NodeId>(tree.size()); ++v) {
    std::vector<NameId>& clade = clades[static_cast<std::size_t>(v)];
    clade = speciesBelow(tree, index, v);
    std::sort(clade.begin(), clade.end());
  }
  return clades;
}

// Reads the trees and the constraints, with their information lines.
void readInputs(const Options& options, const RunInputs& inputs, RunData& data, Random& random, Console& console) {
  TextReader text(inputs.trees, options.inputPath.empty() ? "standard input" : options.inputPath);
  TreeInputRules rules;
  rules.unrootedByDefault = options.unrootedByDefault;
  if (inputs.map != nullptr)
    rules.geneSpecies = GeneSpeciesMap::read(*inputs.map, options.mapPath);
  else if (options.speciesDelimiter != '\0')
    rules.geneSpecies = GeneSpeciesMap::byDelimiter(options.speciesDelimiter, options.speciesAfterLastDelimiter);
  TreeInput& trees = data.trees;
  if (options.generator == 0) {
    console.line("Using user-provided initial species tree");
    console.line(options.evaluateOnly ? "Scoring it as it is, without search (--evaluate)"
                                      : "Using SPR local search heuristic to infer final species tree");
    rules.speciesTreeFirst = true;
    readTreeInput(text, rules, random, console, trees);
    data.species = speciesOfGeneTrees(trees.geneTrees, trees.names);
    data.geneTreeSummary = geneTreeSummary(trees.geneTrees);
    console.line(data.geneTreeSummary);
    // The given tree against every gene tree, before they are handed out
    // in shares, in the order the search sums them (input order when it is
    // only scored), which decides the fault reported first.
    console.summariseWarnings();
    std::vector<const GeneTree*> genes = rootedThenUnrooted(trees.geneTrees);
    if (options.evaluateOnly)
      for (std::size_t i = 0; i < genes.size(); ++i) genes[i] = &trees.geneTrees[i];
    if (options.starts > 1) data.groups = groupsOfClades(*trees.speciesTree, trees.names);
    checkSpeciesCoverage(*trees.speciesTree, genes, trees.names, console);
    console.summariseWarnings();
    return;
  }
  console.line("Using fast randomized leaf adding heuristic to build initial species tree");
  readTreeInput(text, rules, random, console, trees);
  console.line(std::to_string(trees.geneTrees.size()) + " input gene trees total");
  data.species = speciesOfGeneTrees(trees.geneTrees, trees.names);
  data.geneTreeSummary = geneTreeSummary(trees.geneTrees);
  if (inputs.constraints != nullptr) {
    TextReader constraints(*inputs.constraints, options.constraintsPath, " in constraints input");
    data.groups = readConstraintGroups(
        constraints,
        [&](const std::string& name) {
          return std::binary_search(data.species.begin(), data.species.end(), trees.names.find(name));
        },
        console);
  }
}

// The species tree start `start` searches from: the given one for start 1
// of -g 0, else one built by leaf adding.
std::unique_ptr<SpeciesTree> startTree(const Options& options, int start, RunData& data, Random& random,
                                       Console& console, WorkerTeam& team, ProcessGroup& processes) {
  if (options.generator == 0 && start == 1) return std::move(data.trees.speciesTree);
  LeafAddingBuilder builder(data.trees.geneTrees, data.species, data.trees.names, options.weights, random, console,
                            team, processes);
  auto tree = std::make_unique<SpeciesTree>(builder.build(data.groups));
  if (options.generator == 1) {
    console.line("Using SPR local search heuristic to infer final species tree");
    console.line(data.geneTreeSummary);
  }
  return tree;
}

// Bootstrap replicate `replicate`: as many gene trees as were read, drawn
// with replacement (a tree drawn k times counts k times its weight) from
// the generator of seed derivedSeed(seed, 2^31 + replicate), and one start
// searched on them (the given tree for -g 0). The data's gene trees and
// species become the replicate's. Null when interrupted: an interrupted
// replicate does not count.
std::unique_ptr<SpeciesTree> runReplicate(const Options& options, RunData& data, const std::vector<GeneTree>& asRead,
                                          const SpeciesTree* given, int replicate, Console& console, WorkerTeam& team,
                                          double& cost) {
  Random draws(derivedSeed(options.seed, 0x80000000U + static_cast<std::uint32_t>(replicate)));
  std::vector<int> drawn(asRead.size(), 0);
  for (std::size_t i = 0; i < asRead.size(); ++i) ++drawn[draws.next() % asRead.size()];
  data.trees.geneTrees.clear();
  for (std::size_t i = 0; i < asRead.size(); ++i) {
    if (drawn[i] == 0) continue;
    data.trees.geneTrees.push_back(asRead[i]);
    data.trees.geneTrees.back().setWeight(asRead[i].weight() * drawn[i]);
  }
  data.species = speciesOfGeneTrees(data.trees.geneTrees, data.trees.names);
  // The replicate's own lines would drown the progress: one line for it.
  console.setQuiet(true);
  std::unique_ptr<SpeciesTree> tree = given != nullptr
                                          ? std::make_unique<SpeciesTree>(*given)
                                          : startTree(options, 2, data, draws, console, team, soleProcess());
  const SearchResult result = SprSearch(*tree, data.trees.geneTrees, data.trees.names, options.lossScope,
                                        options.weights, draws, console, stopRequested(), team)
                                  .run();
  console.setQuiet(options.quiet);
  if (stopRequested()) return nullptr;
  cost = result.cost;
  return tree;
}

// The replicates' trees, in replicate order, against the best tree: for
// every inner node of it but the root, the percentage of replicate trees
// with the same clade.
class SupportTally {
 public:
  SupportTally(const SpeciesTree& best, const Options& options, const NameTable& names, Console& console,
               std::ostream* treesOut)
      : best_(best),
        bestClades_(cladesOf(best)),
        support_(best.size(), 0),
        asked_(options.bootstrap),
        newick_(names),
        console_(console),
        treesOut_(treesOut),
        begun_(std::chrono::steady_clock::now()) {}

  void add(int replicate, const SpeciesTree& tree, double cost) {
    std::vector<std::vector<NameId>> clades = cladesOf(tree);
    // The root's clade is every species of the replicate: no clade to support.
    clades[static_cast<std::size_t>(tree.root())].clear();
    for (NodeId v = 0; v < static_cast<NodeId>(best_.size()); ++v)
      if (std::find(clades.begin(), clades.end(), bestClades_[static_cast<std::size_t>(v)]) != clades.end())
        ++support_[static_cast<std::size_t>(v)];
    if (treesOut_ != nullptr) {
      newick_.write(*treesOut_, tree);
      *treesOut_ << ";\n";
    }
    done_ = replicate;
    const long long elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - begun_).count();
    console_.line("Replicate " + std::to_string(replicate) + " of " + std::to_string(asked_) + ": cost " +
                  formatCost(cost) + ", elapsed " + formatElapsed(elapsed));
  }

  void finish(ReportRequest& request) const {
    request.replicatesAsked = asked_;
    request.replicatesDone = done_;
    if (done_ == 0) return;
    request.supports.assign(best_.size(), std::string());
    for (NodeId v = 0; v < static_cast<NodeId>(best_.size()); ++v) {
      if (best_.isLeaf(v) || v == best_.root()) continue;
      request.supports[static_cast<std::size_t>(v)] =
          std::to_string(std::llround(100.0 * support_[static_cast<std::size_t>(v)] / done_));
    }
  }

 private:
  const SpeciesTree& best_;
  const std::vector<std::vector<NameId>> bestClades_;
  std::vector<int> support_;
  const int asked_;
  int done_ = 0;
  const NewickWriter newick_;
  Console& console_;
  std::ostream* treesOut_;
  const std::chrono::steady_clock::time_point begun_;
};

// The stages after the input is shared: the starts, the bootstrap, the
// report (rank 0's).
void searchAndReport(const Options& options, RunData& data, const GeneTreeShares& shares, Random& random,
                     WorkerTeam& team, std::ostream* report, Console& console, std::ostream* bootstrapTrees,
                     ProcessGroup& processes) {
  TreeInput& trees = data.trees;
  // With several processes, starts and replicates are spread over them,
  // each run whole by one; a single search or scoring is run by all of them
  // together, each on its share of the gene trees. Only the thread that
  // started MPI talks to the other ranks: a search of one process (side by
  // side with others, say) never does.
  const bool severalSearches = options.starts > 1 || options.bootstrap > 0;
  const bool spread = processes.size() > 1 && severalSearches;
  ProcessGroup& searchers = spread || processes.size() == 1 ? soleProcess() : processes;
  ReportRequest request;
  request.format = options.format;
  request.withGeneTrees = options.writeGeneTrees;
  request.lossScope = options.lossScope;
  request.weights = options.weights;
  // Rank 0 writes the report, of every gene tree.
  const auto writeResult = [&](const SpeciesTree& species) {
    if (!spread && processes.size() > 1) trees.geneTrees = gatherGeneTrees(processes, trees.geneTrees, shares);
    processes.setWorkingTogether(false);
    if (processes.leads()) writeReport(*report, species, trees.geneTrees, trees.names, request, team);
  };

  if (options.evaluateOnly) {
    console.summariseWarnings();
    request.weightedCost =
        weightedCost(*trees.speciesTree, trees.geneTrees, options.lossScope, options.weights, team, searchers);
    console.line("Final weighted reconciliation cost: " + formatCost(request.weightedCost));
    writeResult(*trees.speciesTree);
    return;
  }

  // Every start searches from the gene trees as read; the lowest final
  // cost wins, the earliest start among equal ones.
  const std::vector<GeneTree> asRead = severalSearches ? trees.geneTrees : std::vector<GeneTree>();
  const std::unique_ptr<SpeciesTree> given =
      options.bootstrap > 0 && trees.speciesTree ? std::make_unique<SpeciesTree>(*trees.speciesTree) : nullptr;
  std::vector<StartOutcome> outcomes(static_cast<std::size_t>(options.starts));
  const auto runStart = [&](int start, Console& startConsole, WorkerTeam& startTeam, std::vector<GeneTree>& genes) {
    StartOutcome& outcome = outcomes[static_cast<std::size_t>(start) - 1];
    outcome.seed = start == 1 ? options.seed : derivedSeed(options.seed, static_cast<std::uint32_t>(start));
    Random startRandom(outcome.seed);
    Random& draws = start == 1 ? random : startRandom;
    outcome.tree = startTree(options, start, data, draws, startConsole, startTeam, searchers);
    startConsole.summariseWarnings();
    SprSearch search(*outcome.tree, genes, trees.names, options.lossScope, options.weights, draws, startConsole,
                     stopRequested(), startTeam, searchers);
    outcome.result = search.run();
    startConsole.line("Time taken for search heuristic: " + formatElapsed(outcome.result.seconds));
  };
  const auto begun = std::chrono::steady_clock::now();
  int bestStart = 0;
  std::vector<GeneTree> bestGenes;
  // Keeps the start if it is the best so far (with its gene trees, when
  // given), and reports it.
  const auto weigh = [&](int start, const std::vector<GeneTree>* genes) {
    StartOutcome& outcome = outcomes[static_cast<std::size_t>(start) - 1];
    if (!outcome.tree) return;  // not run: interrupted before it
    if (bestStart == 0 || isLowerCost(outcome.result.cost, request.weightedCost)) {
      bestStart = start;
      request.weightedCost = outcome.result.cost;
      if (severalSearches && genes != nullptr) bestGenes = *genes;
    }
    if (options.starts == 1) return;
    const long long elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - begun).count();
    console.line("Start " + std::to_string(start) + " of " + std::to_string(options.starts) + " (seed " +
                 std::to_string(outcome.seed) + "): cost " + formatCost(outcome.result.cost) + ", best " +
                 formatCost(request.weightedCost) + " (start " + std::to_string(bestStart) + "), elapsed " +
                 formatElapsed(elapsed));
  };

  if (spread) {
    // Job j, the starts first, then the replicates, runs on rank j mod size;
    // rank 0 gathers the results and tells them in order.
    std::vector<std::vector<GeneTree>> startGenes(outcomes.size());
    std::vector<std::unique_ptr<SpeciesTree>> replicateTrees(static_cast<std::size_t>(options.bootstrap));
    std::vector<double> replicateCosts(replicateTrees.size(), 0.0);
    const int jobs = options.starts + options.bootstrap;
    for (int job = 0; job < jobs && !(job > 0 && stopRequested()); ++job) {
      if (jobRank(processes, job) != processes.rank()) continue;
      if (job < options.starts) {
        startGenes[static_cast<std::size_t>(job)] = asRead;
        runStart(job + 1, console, team, startGenes[static_cast<std::size_t>(job)]);
      } else {
        const std::size_t k = static_cast<std::size_t>(job - options.starts);
        replicateTrees[k] =
            runReplicate(options, data, asRead, given.get(), static_cast<int>(k) + 1, console, team, replicateCosts[k]);
      }
    }
    gatherJobResults(processes, {outcomes, replicateTrees, replicateCosts});
    if (processes.leads())
      for (int start = 1; start <= options.starts; ++start) weigh(start, nullptr);
    bestGenes = fetchStartGeneTrees(processes, bestStart, startGenes);
    processes.setWorkingTogether(false);
    if (!processes.leads()) return;
    const SpeciesTree& bestTree = *outcomes[static_cast<std::size_t>(bestStart) - 1].tree;
    if (options.bootstrap > 0) {
      SupportTally tally(bestTree, options, trees.names, console, bootstrapTrees);
      for (std::size_t k = 0; k < replicateTrees.size() && replicateTrees[k]; ++k)
        tally.add(static_cast<int>(k) + 1, *replicateTrees[k], replicateCosts[k]);
      tally.finish(request);
    }
    trees.geneTrees = std::move(bestGenes);
    writeReport(*report, bestTree, trees.geneTrees, trees.names, request, team);
    return;
  }

  // With threads to spare the starts run side by side, each on one worker
  // with its own gene trees and a console of its own (its progress is not
  // shown, nor the warnings of the later starts); one after the other, each
  // start's gene trees are scored by all workers. Either way a start's
  // result depends on its seed alone.
  if (options.starts > 1 && team.size() > 1) {
    std::vector<std::vector<GeneTree>> genes(outcomes.size());
    std::vector<std::ostringstream> lines(outcomes.size());
    console.line("Running " + std::to_string(options.starts) + " starts side by side");
    team.forEach(outcomes.size(), 1, [&](unsigned, std::size_t i) {
      if (stopRequested()) return;  // a keyboard interrupt ends the starts too
      genes[i] = asRead;
      // Start 1's warnings are shown, as they are without threads.
      Console quiet(lines[i], i == 0 ? console.warningStream() : lines[i]);
      quiet.setQuiet(true);
      WorkerTeam alone(1);
      runStart(static_cast<int>(i) + 1, quiet, alone, genes[i]);
    });
    for (std::size_t i = 0; i < outcomes.size(); ++i) weigh(static_cast<int>(i) + 1, &genes[i]);
  } else {
    for (int start = 1; start <= options.starts && !(start > 1 && stopRequested()); ++start) {
      if (start > 1) trees.geneTrees = asRead;
      runStart(start, console, team, trees.geneTrees);
      weigh(start, &trees.geneTrees);
    }
  }
  const SpeciesTree& bestTree = *outcomes[static_cast<std::size_t>(bestStart) - 1].tree;
  if (options.bootstrap > 0) {
    SupportTally tally(bestTree, options, trees.names, console, bootstrapTrees);
    for (int replicate = 1; replicate <= options.bootstrap && !stopRequested(); ++replicate) {
      double cost = 0;
      const std::unique_ptr<SpeciesTree> tree =
          runReplicate(options, data, asRead, given.get(), replicate, console, team, cost);
      if (!tree) break;
      tally.add(replicate, *tree, cost);
    }
    tally.finish(request);
  }
  if (severalSearches) trees.geneTrees = std::move(bestGenes);
  writeResult(bestTree);
}

}  // namespace

void runStages(const Options& options, const RunInputs* inputs, std::ostream* report, Console& console,
               std::ostream* bootstrapTrees, ProcessGroup& processes) {
  Random random(options.seed);
  RunData data;
  GeneTreeShares shares;
  const bool severalSearches = options.starts > 1 || options.bootstrap > 0;
  if (processes.leads()) {
    try {
      readInputs(options, *inputs, data, random, console);
    } catch (...) {
      // Every rank learns of the failure and ends; rank 0 reports it.
      processes.setWorkingTogether(false);
      shareInputs(processes, /*failed=*/true, severalSearches, data, random, shares);
      throw;
    }
  }
  if (!shareInputs(processes, /*failed=*/false, severalSearches, data, random, shares)) return;
  WorkerTeam team(options.threads);
  try {
    searchAndReport(options, data, shares, random, team, report, console, bootstrapTrees, processes);
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
    runStages(options, nullptr, nullptr, console, nullptr, processes);
    return 0;
  }
  CommandLine line(argc, argv);
  RunFiles files;
  bool run = false;
  try {
    run = startUp(line, options, files, console);
  } catch (...) {
    shareOptions(processes, nullptr);
    throw;
  }
  if (!shareOptions(processes, run ? &options : nullptr)) return 0;
  processes.setWorkingTogether(true);
  RunInputs inputs{*files.trees, files.constraintsText.get(), files.mapText.get()};
  // The replicates' trees are committed first: a failure there leaves the
  // report's file as it was.
  std::ostream* bootstrapTrees = files.bootstrapTrees ? &files.bootstrapTrees->stream() : nullptr;
  if (files.output) {
    runStages(options, &inputs, &files.output->stream(), console, bootstrapTrees, processes);
    if (files.bootstrapTrees) files.bootstrapTrees->commit();
    files.output->commit();
  } else {
    runStages(options, &inputs, &std::cout, console, bootstrapTrees, processes);
    if (files.bootstrapTrees) files.bootstrapTrees->commit();
    if (!std::cout) throw InputError("standard output could not be written");
  }
  return 0;
}

}  // namespace dls
