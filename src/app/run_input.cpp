#include "app/run_input.hpp"

#include <algorithm>
#include <fstream>

#include "common/decompressing_stream.hpp"
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

// When gene trees were read as unrooted for the three children of their
// root, a line saying so, with every reason for unrooted trees.
void tellUnrootedByRoot(const TreeInput::UnrootedCounts& counts, Console& console) {
  if (counts.byRoot == 0) return;
  const std::size_t unrooted = counts.byRoot + counts.marked + counts.unmarked;
  std::string line = std::to_string(unrooted) + (unrooted == 1 ? " gene tree" : " gene trees") +
                     " read as unrooted: " + std::to_string(counts.byRoot) + " with a three-way root";
  if (counts.marked > 0) line += ", " + std::to_string(counts.marked) + " marked [&U]";
  console.line(line + " (--rooted reads unmarked trees as rooted)");
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

// Reads the trees of the one input, or of every file in turn, each with
// its family's map if it has one (read once for families in a row that
// share it); positions in messages then name the file.
void readTrees(const Options& options, const InputStreams& streams, TreeInputRules& rules, Random& random,
               Console& console, TreeInput& trees) {
  TreeInputReader reader(rules, random, console, trees);
  if (streams.treeFiles == nullptr || streams.treeFiles->empty()) {
    TextReader text(streams.trees, options.inputPath.empty() ? "standard input" : options.inputPath);
    reader.read(text);
    reader.finish();
    return;
  }
  GeneSpeciesMap familyMap;
  std::string familyMapPath;
  for (const TreeFile& file : *streams.treeFiles) {
    if (!file.map.empty() && file.map != familyMapPath) {
      std::ifstream mapFile;
      openForReading(mapFile, file.map, "map file");
      DecompressingStream mapText(*mapFile.rdbuf(), file.map);
      familyMap = GeneSpeciesMap::read(mapText, file.map);
      familyMapPath = file.map;
    }
    std::ifstream treeFile;
    openForReading(treeFile, file.trees, "input file");
    DecompressingStream treeText(*treeFile.rdbuf(), file.trees);
    TextReader text(treeText, file.trees);
    text.nameFileInPlaces();
    reader.read(text, file.map.empty() ? nullptr : &familyMap);
  }
  reader.finish();
}

}  // namespace

void readRunInput(const Options& options, const InputStreams& streams, RunInput& input, Random& random,
                  Console& console) {
  TreeInputRules rules;
  rules.unmarked = options.unrootedByDefault ? GeneTreeRooting::unrooted
                   : options.rootedByDefault ? GeneTreeRooting::rooted
                                             : GeneTreeRooting::byRoot;
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
    readTrees(options, streams, rules, random, console, trees);
    input.species = speciesOfGeneTrees(trees.geneTrees, trees.names);
    input.geneTreeSummary = geneTreeSummary(trees.geneTrees);
    console.line(input.geneTreeSummary);
    tellUnrootedByRoot(trees.unrooted, console);
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
  readTrees(options, streams, rules, random, console, trees);
  console.line(std::to_string(trees.geneTrees.size()) + " input gene trees total");
  tellUnrootedByRoot(trees.unrooted, console);
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
