#include "app/run.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <memory>
#include <sstream>

#include "app/interrupt.hpp"
#include "app/startup.hpp"
#include "build/constraint_groups.hpp"
#include "build/leaf_adding_builder.hpp"
#include "common/errors.hpp"
#include "common/random.hpp"
#include "reconcile/species_coverage.hpp"
#include "report/report_writer.hpp"
#include "search/spr_search.hpp"
#include "tree/newick_writer.hpp"
#include "tree/text_reader.hpp"
#include "tree/tree_input.hpp"

namespace {

std::string geneTreeSummary(const std::vector<GeneTree>& trees) {
  std::size_t rooted = 0;
  for (const GeneTree& tree : trees) rooted += tree.rooted() ? 1 : 0;
  return std::to_string(rooted) + " rooted and " + std::to_string(trees.size() - rooted) +
         " unrooted input gene trees total";
}

// One start's species tree, search result and seed.
struct StartOutcome {
  std::unique_ptr<SpeciesTree> tree;
  SearchResult result;
  std::uint32_t seed = 0;
};

// What every start shares: the trees as read (the given species tree for
// -g 0) and the constraint groups of the starts built by leaf adding.
struct RunData {
  TreeInput trees;
  std::vector<ConstraintGroup> groups;
};

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
    console.line(geneTreeSummary(trees.geneTrees));
    if (options.starts > 1) data.groups = groupsOfClades(*trees.speciesTree, trees.names);
    return;
  }
  console.line("Using fast randomized leaf adding heuristic to build initial species tree");
  readTreeInput(text, rules, random, console, trees);
  console.line(std::to_string(trees.geneTrees.size()) + " input gene trees total");
  if (inputs.constraints != nullptr) {
    const std::vector<NameId> species = speciesOfGeneTrees(trees.geneTrees, trees.names);
    TextReader constraints(*inputs.constraints, options.constraintsPath, " in constraints input");
    data.groups = readConstraintGroups(
        constraints,
        [&](const std::string& name) {
          return std::binary_search(species.begin(), species.end(), trees.names.find(name));
        },
        console);
  }
}

// The species tree start `start` searches from: the given one for start 1
// of -g 0, else one built by leaf adding.
std::unique_ptr<SpeciesTree> startTree(const Options& options, int start, RunData& data, Random& random,
                                       Console& console, WorkerTeam& team) {
  if (options.generator == 0 && start == 1) return std::move(data.trees.speciesTree);
  LeafAddingBuilder builder(data.trees.geneTrees, data.trees.names, options.weights, random, console, team);
  auto tree = std::make_unique<SpeciesTree>(builder.build(data.groups));
  if (options.generator == 1) {
    console.line("Using SPR local search heuristic to infer final species tree");
    console.line(geneTreeSummary(data.trees.geneTrees));
  }
  return tree;
}

// Bootstrap replicates: each draws as many gene trees as were read, with
// replacement (a tree drawn k times counts k times its weight), from the
// generator of seed derivedSeed(seed, 2^31 + replicate), and searches one
// start (the given tree for -g 0). The request receives, for every inner
// node of the best tree but the root, the percentage of replicate trees
// with the same clade.
void runBootstrap(const Options& options, RunData& data, const std::vector<GeneTree>& asRead, const SpeciesTree* given,
                  const SpeciesTree& best, ReportRequest& request, Console& console, WorkerTeam& team,
                  std::ostream* treesOut) {
  const std::vector<std::vector<NameId>> bestClades = cladesOf(best);
  std::vector<int> support(best.size(), 0);
  request.replicatesAsked = options.bootstrap;
  const auto begun = std::chrono::steady_clock::now();
  const NewickWriter newick(data.trees.names);
  for (int replicate = 1; replicate <= options.bootstrap && !stopRequested(); ++replicate) {
    Random draws(derivedSeed(options.seed, 0x80000000U + static_cast<std::uint32_t>(replicate)));
    std::vector<int> drawn(asRead.size(), 0);
    for (std::size_t i = 0; i < asRead.size(); ++i) ++drawn[draws.next() % asRead.size()];
    data.trees.geneTrees.clear();
    for (std::size_t i = 0; i < asRead.size(); ++i) {
      if (drawn[i] == 0) continue;
      data.trees.geneTrees.push_back(asRead[i]);
      data.trees.geneTrees.back().setWeight(asRead[i].weight() * drawn[i]);
    }
    // The replicate's own lines would drown the progress: one line for it.
    console.setQuiet(true);
    std::unique_ptr<SpeciesTree> tree =
        given != nullptr ? std::make_unique<SpeciesTree>(*given) : startTree(options, 2, data, draws, console, team);
    const SearchResult result = SprSearch(*tree, data.trees.geneTrees, data.trees.names, options.lossScope,
                                          options.weights, draws, console, stopRequested(), team)
                                    .run();
    console.setQuiet(options.quiet);
    if (stopRequested()) break;  // an interrupted replicate does not count
    std::vector<std::vector<NameId>> clades = cladesOf(*tree);
    // The root's clade is every species of the replicate: no clade to support.
    clades[static_cast<std::size_t>(tree->root())].clear();
    for (NodeId v = 0; v < static_cast<NodeId>(best.size()); ++v)
      if (std::find(clades.begin(), clades.end(), bestClades[static_cast<std::size_t>(v)]) != clades.end())
        ++support[static_cast<std::size_t>(v)];
    if (treesOut != nullptr) {
      newick.write(*treesOut, *tree);
      *treesOut << ";\n";
    }
    request.replicatesDone = replicate;
    const long long elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - begun).count();
    console.line("Replicate " + std::to_string(replicate) + " of " + std::to_string(options.bootstrap) + ": cost " +
                 formatCost(result.cost) + ", elapsed " + formatElapsed(elapsed));
  }
  if (request.replicatesDone == 0) return;
  request.supports.assign(best.size(), std::string());
  for (NodeId v = 0; v < static_cast<NodeId>(best.size()); ++v) {
    if (best.isLeaf(v) || v == best.root()) continue;
    request.supports[static_cast<std::size_t>(v)] =
        std::to_string(std::llround(100.0 * support[static_cast<std::size_t>(v)] / request.replicatesDone));
  }
}

}  // namespace

void runStages(const Options& options, const RunInputs& inputs, std::ostream& report, Console& console,
               std::ostream* bootstrapTrees) {
  Random random(options.seed);
  WorkerTeam team(options.threads);
  RunData data;
  readInputs(options, inputs, data, random, console);
  TreeInput& trees = data.trees;
  ReportRequest request;
  request.format = options.format;
  request.withGeneTrees = options.writeGeneTrees;
  request.lossScope = options.lossScope;
  request.weights = options.weights;

  if (options.evaluateOnly) {
    console.summariseWarnings();
    std::vector<const GeneTree*> genes;
    for (const GeneTree& tree : trees.geneTrees) genes.push_back(&tree);
    checkSpeciesCoverage(*trees.speciesTree, genes, trees.names, console);
    console.summariseWarnings();
    request.weightedCost = weightedCost(*trees.speciesTree, trees.geneTrees, options.lossScope, options.weights, team);
    console.line("Final weighted reconciliation cost: " + formatCost(request.weightedCost));
    writeReport(report, *trees.speciesTree, trees.geneTrees, trees.names, request, team);
    return;
  }

  // Every start searches from the gene trees as read; the lowest final
  // cost wins, the earliest start among equal ones.
  const bool again = options.starts > 1 || options.bootstrap > 0;
  const std::vector<GeneTree> asRead = again ? trees.geneTrees : std::vector<GeneTree>();
  const std::unique_ptr<SpeciesTree> given =
      options.bootstrap > 0 && trees.speciesTree ? std::make_unique<SpeciesTree>(*trees.speciesTree) : nullptr;
  // With threads to spare the starts run side by side, each on one worker
  // with its own gene trees and a console of its own (its progress is not
  // shown, nor the warnings of the later starts); one after the other, each
  // start's gene trees are scored by all workers. Either way a start's
  // result depends on its seed alone.
  const bool sideBySide = options.starts > 1 && team.size() > 1;
  std::vector<StartOutcome> outcomes(static_cast<std::size_t>(options.starts));
  const auto runStart = [&](int start, Console& startConsole, WorkerTeam& startTeam, std::vector<GeneTree>& genes) {
    StartOutcome& outcome = outcomes[static_cast<std::size_t>(start) - 1];
    outcome.seed = start == 1 ? options.seed : derivedSeed(options.seed, static_cast<std::uint32_t>(start));
    Random startRandom(outcome.seed);
    Random& draws = start == 1 ? random : startRandom;
    outcome.tree = startTree(options, start, data, draws, startConsole, startTeam);
    startConsole.summariseWarnings();
    SprSearch search(*outcome.tree, genes, trees.names, options.lossScope, options.weights, draws, startConsole,
                     stopRequested(), startTeam);
    outcome.result = search.run();
    startConsole.line("Time taken for search heuristic: " + formatElapsed(outcome.result.seconds));
  };
  const auto begun = std::chrono::steady_clock::now();
  int bestStart = 0;
  std::vector<GeneTree> bestGenes;
  // Keeps the start if it is the best so far, and reports it.
  const auto weigh = [&](int start, std::vector<GeneTree>& genes) {
    StartOutcome& outcome = outcomes[static_cast<std::size_t>(start) - 1];
    if (!outcome.tree) return;  // not run: interrupted before it
    if (bestStart == 0 || isLowerCost(outcome.result.cost, request.weightedCost)) {
      bestStart = start;
      request.weightedCost = outcome.result.cost;
      if (again) bestGenes = genes;
    }
    if (options.starts == 1) return;
    const long long elapsed =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - begun).count();
    console.line("Start " + std::to_string(start) + " of " + std::to_string(options.starts) + " (seed " +
                 std::to_string(outcome.seed) + "): cost " + formatCost(outcome.result.cost) + ", best " +
                 formatCost(request.weightedCost) + " (start " + std::to_string(bestStart) + "), elapsed " +
                 formatElapsed(elapsed));
  };
  if (sideBySide) {
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
    for (std::size_t i = 0; i < outcomes.size(); ++i) weigh(static_cast<int>(i) + 1, genes[i]);
  } else {
    for (int start = 1; start <= options.starts && !(start > 1 && stopRequested()); ++start) {
      if (start > 1) trees.geneTrees = asRead;
      runStart(start, console, team, trees.geneTrees);
      weigh(start, trees.geneTrees);
    }
  }
  const SpeciesTree& bestTree = *outcomes[static_cast<std::size_t>(bestStart) - 1].tree;
  if (options.bootstrap > 0)
    runBootstrap(options, data, asRead, given.get(), bestTree, request, console, team, bootstrapTrees);
  if (again) trees.geneTrees = std::move(bestGenes);
  writeReport(report, bestTree, trees.geneTrees, trees.names, request, team);
}

int runProgram(int argc, char** argv, Console& console) {
  CommandLine line(argc, argv);
  Options options;
  RunFiles files;
  if (!startUp(line, options, files, console)) return 0;
  RunInputs inputs{files.input.is_open() ? static_cast<std::istream&>(files.input) : std::cin,
                   files.constraints.is_open() ? &files.constraints : nullptr,
                   files.map.is_open() ? &files.map : nullptr};
  // The replicates' trees are committed first: a failure there leaves the
  // report's file as it was.
  std::ostream* bootstrapTrees = files.bootstrapTrees ? &files.bootstrapTrees->stream() : nullptr;
  if (files.output) {
    runStages(options, inputs, files.output->stream(), console, bootstrapTrees);
    if (files.bootstrapTrees) files.bootstrapTrees->commit();
    files.output->commit();
  } else {
    runStages(options, inputs, std::cout, console, bootstrapTrees);
    if (files.bootstrapTrees) files.bootstrapTrees->commit();
    if (!std::cout) throw InputError("standard output could not be written");
  }
  return 0;
}
