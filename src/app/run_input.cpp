#include "app/run_input.hpp"

#include <algorithm>

#include "reconcile/species_coverage.hpp"
#include "reconcile/species_index.hpp"
#include "scoring/scored_gene_trees.hpp"
#include "tree/text_reader.hpp"

namespace dls {

namespace {

std::string geneTreeSummary(const std::vector<GeneTree>& trees) {
  std::size_t rooted = 0;
  for (const GeneTree& tree : trees) rooted += tree.rooted() ? 1 : 0;
  return std::to_string(rooted) + " rooted and " + std::to_string(trees.size() - rooted) +
         " unrooted input gene trees total";
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

}  // namespace

void readRunInput(const Options& options, const InputStreams& streams, RunInput& input, Random& random,
                  Console& console) {
  TextReader text(streams.trees, options.inputPath.empty() ? "standard input" : options.inputPath);
  TreeInputRules rules;
  rules.unrootedByDefault = options.unrootedByDefault;
  rules.minSupport = options.minSupport;
  rules.refinePolytomies = options.refinePolytomies;
  if (streams.map != nullptr)
    rules.geneSpecies = GeneSpeciesMap::read(*streams.map, options.mapPath);
  else if (options.speciesDelimiter != '\0')
    rules.geneSpecies = GeneSpeciesMap::byDelimiter(options.speciesDelimiter, options.speciesAfterLastDelimiter);
  TreeInput& trees = input.trees;
  if (options.startTree == StartTree::given) {
    console.line("Using user-provided initial species tree");
    console.line(options.evaluateOnly ? "Scoring it as it is, without search (--evaluate)"
                                      : "Using SPR local search heuristic to infer final species tree");
    rules.speciesTreeFirst = true;
    readTreeInput(text, rules, random, console, trees);
    input.species = speciesOfGeneTrees(trees.geneTrees, trees.names);
    input.geneTreeSummary = geneTreeSummary(trees.geneTrees);
    console.line(input.geneTreeSummary);
    // The given tree against every gene tree, before they are handed out
    // in shares, in the order the search sums them (input order when it is
    // only scored), which decides the fault reported first.
    console.summariseWarnings();
    std::vector<const GeneTree*> genes = treesOf(scoringOrder(trees.geneTrees));
    if (options.evaluateOnly)
      for (std::size_t i = 0; i < genes.size(); ++i) genes[i] = &trees.geneTrees[i];
    if (options.starts > 1) input.groups = groupsOfClades(*trees.speciesTree, trees.names);
    checkSpeciesCoverage(*trees.speciesTree, genes, trees.names, console);
    console.summariseWarnings();
    return;
  }
  console.line("Using fast randomized leaf adding heuristic to build initial species tree");
  readTreeInput(text, rules, random, console, trees);
  console.line(std::to_string(trees.geneTrees.size()) + " input gene trees total");
  input.species = speciesOfGeneTrees(trees.geneTrees, trees.names);
  input.geneTreeSummary = geneTreeSummary(trees.geneTrees);
  if (streams.constraints != nullptr) {
    TextReader constraints(*streams.constraints, options.constraintsPath, " in constraints input");
    input.groups = readConstraintGroups(
        constraints,
        [&](const std::string& name) {
          return std::binary_search(input.species.begin(), input.species.end(), trees.names.find(name));
        },
        console);
  }
}

}  // namespace dls
