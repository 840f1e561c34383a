#include "app/run.hpp"

#include <algorithm>
#include <iostream>

#include "app/interrupt.hpp"
#include "app/startup.hpp"
#include "build/constraint_groups.hpp"
#include "build/leaf_adding_builder.hpp"
#include "common/errors.hpp"
#include "common/random.hpp"
#include "reconcile/species_coverage.hpp"
#include "report/report_writer.hpp"
#include "search/spr_search.hpp"
#include "tree/text_reader.hpp"
#include "tree/tree_input.hpp"

namespace {

std::string geneTreeSummary(const std::vector<GeneTree>& trees) {
  std::size_t rooted = 0;
  for (const GeneTree& tree : trees) rooted += tree.rooted() ? 1 : 0;
  return std::to_string(rooted) + " rooted and " + std::to_string(trees.size() - rooted) +
         " unrooted input gene trees total";
}

// The species tree to start from: the input's first tree, or one built by
// leaf adding from the gene trees (with the constraint groups).
void readAndStart(const Options& options, const RunInputs& inputs, TreeInput& trees, Random& random, Console& console,
                  WorkerTeam& team) {
  TextReader text(inputs.trees, options.inputPath.empty() ? "standard input" : options.inputPath);
  TreeInputRules rules;
  rules.unrootedByDefault = options.unrootedByDefault;
  if (inputs.map != nullptr)
    rules.geneSpecies = GeneSpeciesMap::read(*inputs.map, options.mapPath);
  else if (options.speciesDelimiter != '\0')
    rules.geneSpecies = GeneSpeciesMap::byDelimiter(options.speciesDelimiter, options.speciesAfterLastDelimiter);
  if (options.generator == 0) {
    console.line("Using user-provided initial species tree");
    console.line(options.evaluateOnly ? "Scoring it as it is, without search (--evaluate)"
                                      : "Using SPR local search heuristic to infer final species tree");
    rules.speciesTreeFirst = true;
    readTreeInput(text, rules, random, console, trees);
    console.line(geneTreeSummary(trees.geneTrees));
    return;
  }
  console.line("Using fast randomized leaf adding heuristic to build initial species tree");
  readTreeInput(text, rules, random, console, trees);
  console.line(std::to_string(trees.geneTrees.size()) + " input gene trees total");
  std::vector<ConstraintGroup> groups;
  if (inputs.constraints != nullptr) {
    const std::vector<NameId> species = speciesOfGeneTrees(trees.geneTrees, trees.names);
    TextReader constraints(*inputs.constraints, options.constraintsPath, " in constraints input");
    groups = readConstraintGroups(
        constraints,
        [&](const std::string& name) {
          return std::binary_search(species.begin(), species.end(), trees.names.find(name));
        },
        console);
  }
  LeafAddingBuilder builder(trees.geneTrees, trees.names, random, console, team);
  trees.speciesTree = std::make_unique<SpeciesTree>(builder.build(groups));
  console.line("Using SPR local search heuristic to infer final species tree");
  console.line(geneTreeSummary(trees.geneTrees));
}

}  // namespace

void runStages(const Options& options, const RunInputs& inputs, std::ostream& report, Console& console) {
  Random random(options.seed);
  WorkerTeam team(options.threads);
  TreeInput trees;
  readAndStart(options, inputs, trees, random, console, team);
  console.summariseWarnings();

  SearchResult result;
  if (options.evaluateOnly) {
    std::vector<const GeneTree*> genes;
    for (const GeneTree& tree : trees.geneTrees) genes.push_back(&tree);
    checkSpeciesCoverage(*trees.speciesTree, genes, trees.names, console);
    console.summariseWarnings();
    result.cost = weightedCost(*trees.speciesTree, trees.geneTrees, options.lossScope, team);
    console.line("Final weighted reconciliation cost: " + formatCost(result.cost));
  } else {
    SprSearch search(*trees.speciesTree, trees.geneTrees, trees.names, options.lossScope, random, console,
                     stopRequested(), team);
    result = search.run();
    console.line("Time taken for search heuristic: " + formatElapsed(result.seconds));
  }

  ReportRequest request;
  request.format = options.format;
  request.withGeneTrees = options.writeGeneTrees;
  request.lossScope = options.lossScope;
  request.weightedCost = result.cost;
  writeReport(report, *trees.speciesTree, trees.geneTrees, trees.names, request, team);
}

int runProgram(int argc, char** argv, Console& console) {
  CommandLine line(argc, argv);
  Options options;
  RunFiles files;
  if (!startUp(line, options, files, console)) return 0;
  RunInputs inputs{files.input.is_open() ? static_cast<std::istream&>(files.input) : std::cin,
                   files.constraints.is_open() ? &files.constraints : nullptr,
                   files.map.is_open() ? &files.map : nullptr};
  if (files.output) {
    runStages(options, inputs, files.output->stream(), console);
    files.output->commit();
  } else {
    runStages(options, inputs, std::cout, console);
    if (!std::cout) throw InputError("standard output could not be written");
  }
  return 0;
}
