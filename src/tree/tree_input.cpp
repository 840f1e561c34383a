#include "tree/tree_input.hpp"

#include "common/decimal_text.hpp"
#include "common/errors.hpp"
#include "tree/newick_reader.hpp"
#include "tree/nexus_reader.hpp"

namespace dls {

namespace {

struct GeneTreeMarks {
  bool rootingMarked = false;
  GeneTreeRooting rooting = GeneTreeRooting::byRoot;  // as marked, else as the rules read unmarked trees
  double weight = 1.0;
  TextPosition weightAt;  // of the number of the weight mark that counts
};

void markRooting(GeneTreeMarks& marks, GeneTreeRooting rooting) {
  marks.rootingMarked = true;
  marks.rooting = rooting;
}

// Applies one comment in front of a gene tree; a later mark overrides an
// earlier one. A weight is the whole text between "=" and "]" (blanks
// around it aside): one decimal number, finite. NEXUS writes a tree's
// weight "[&W w]", which is read alike.
void applyMark(const TextReader& in, const TextComment& comment, GeneTreeMarks& marks) {
  static const std::string weightMark = "[&WEIGHT=", nexusWeightMark = "[&W ";
  if (comment.text == "[&U]") markRooting(marks, GeneTreeRooting::unrooted);
  if (comment.text == "[&R]") markRooting(marks, GeneTreeRooting::rooted);
  const std::size_t at = comment.text.find(weightMark);
  std::size_t from = at + weightMark.size();
  if (at == std::string::npos) {
    if (comment.text.rfind(nexusWeightMark, 0) != 0) return;
    from = nexusWeightMark.size();
  }
  const std::string_view text = std::string_view(comment.text).substr(from, comment.text.find(']', from) - from);
  const std::string_view number = TextReader::trimmed(text);
  marks.weightAt = comment.start.advancedOver(comment.text, from + (number.data() - text.data()));
  if (!readDecimal(number, marks.weight)) {
    // One line of it at most.
    const std::string_view line = number.substr(0, number.find('\n'));
    throw InputError("bad weight " + shownText(line) + (line.size() < number.size() ? "..." : "") + " at " +
                     in.place(marks.weightAt));
  }
}

// A run needs three species: when labels name genes, fewer show that the
// species are not where the map or delimiter takes them from. The message
// gives two labels with their species, and where the species are taken
// from (GeneSpeciesMap::source()).
void checkSpeciesOfLabels(const std::vector<GeneTree>& trees, const NameTable& names, const std::string& source) {
  std::vector<char> seen(names.size(), 0);
  std::size_t count = 0;
  // The first leaf, the first of another species, the first of another label.
  struct Example {
    std::string label;
    NameId species = kNoName;
  } first, otherSpecies, otherLabel;
  for (const GeneTree& tree : trees) {
    for (const NodeId leaf : tree.leaves()) {
      const NameId species = tree.name(leaf);
      const std::string_view label = tree.geneLabel(leaf).empty() ? names.text(species) : tree.geneLabel(leaf);
      if (first.species == kNoName)
        first = {std::string(label), species};
      else if (otherLabel.species == kNoName && label != first.label)
        otherLabel = {std::string(label), species};
      if (otherSpecies.species == kNoName && species != first.species) otherSpecies = {std::string(label), species};
      if (seen[static_cast<std::size_t>(species)]) continue;
      seen[static_cast<std::size_t>(species)] = 1;
      if (++count >= 3) return;
    }
  }
  std::string message = "the gene labels give " + std::to_string(count) +
                        (count == 1 ? " species" : " distinct species") + ", taken " + source + ":";
  for (const Example* example : {&first, otherSpecies.species != kNoName ? &otherSpecies : &otherLabel}) {
    if (example->species == kNoName) continue;
    message += std::string(example == &first ? " \"" : ", \"") + shownText(example->label) + "\" gives \"" +
               shownText(names.text(example->species)) + "\"";
  }
  throw InputError(message + "; a species tree needs at least 3");
}

}  // namespace

std::vector<NameId> speciesOfGeneTrees(const std::vector<GeneTree>& trees, const NameTable& names,
                                       const std::vector<int>* draws) {
  std::vector<char> named(names.size(), 0);
  for (std::size_t i = 0; i < trees.size(); ++i) {
    if (draws != nullptr && (*draws)[i] == 0) continue;
    for (NodeId leaf : trees[i].leaves()) named[static_cast<std::size_t>(trees[i].name(leaf))] = 1;
  }
  std::vector<NameId> species;
  for (std::size_t name = 0; name < named.size(); ++name)
    if (named[name]) species.push_back(static_cast<NameId>(name));
  return species;
}

void TreeInputReader::read(TextReader& in, GeneSpeciesMap* geneSpecies) {
  in.setRole(in.namesFileInPlaces() ? in.fileName() : "the input", "trees: give gene trees in Newick or NEXUS");
  NewickReader reader(in, trees_.names, random_, console_);
  std::unique_ptr<NexusReader> nexus;
  if (NexusReader::readHeader(in)) {
    nexus = std::make_unique<NexusReader>(in);
    reader.setTranslation(&nexus->translation());
    reader.setInNexusBlock(true);
  }
  // The start of the next tree; in a NEXUS file, the text after the "=" of
  // its statement, where a tree must follow.
  const auto nextTree = [&]() { return nexus == nullptr || nexus->nextTree(); };
  const auto missingTree = [&]() {
    if (nexus != nullptr) throw InputError("unexpected end in the tree expression " + in.position());
  };
  if (rules_.speciesTreeFirst && firstText_) {
    trees_.speciesTree = std::make_unique<SpeciesTree>();
    if (!nextTree()) throw InputError("missing input for species tree " + in.lastPosition());
    if (!reader.read(*trees_.speciesTree)) {
      missingTree();
      throw InputError("missing input for species tree " + in.lastPosition());
    }
  }
  firstText_ = false;
  GeneSpeciesMap& species = geneSpecies != nullptr ? *geneSpecies : rules_.geneSpecies;
  if (labelSpecies_.empty() && species.mapsLabels()) labelSpecies_ = species.source();
  reader.setGeneSpecies(&species);
  reader.setGeneTreePolytomies(rules_.minSupport, rules_.refinePolytomies);
  while (nextTree()) {
    GeneTreeMarks marks;
    marks.rooting = rules_.unmarked;
    if (nexus != nullptr) {
      if (nexus->unrootedStatement()) markRooting(marks, GeneTreeRooting::unrooted);
      for (const TextComment& comment : nexus->statementComments()) applyMark(in, comment, marks);
    }
    for (TextComment comment = in.readComment(); !comment.text.empty(); comment = in.readComment())
      applyMark(in, comment, marks);
    if (!(marks.weight > 0))
      throw InputError("the weight of each gene tree has to be greater than 0 at " + in.place(marks.weightAt));
    GeneTree tree(true, marks.weight);
    if (!reader.read(tree, marks.rooting)) {
      missingTree();
      break;
    }
    if (!tree.rooted()) {
      TreeInput::UnrootedCounts& counts = trees_.unrooted;
      ++(marks.rootingMarked                          ? counts.marked
         : marks.rooting == GeneTreeRooting::unrooted ? counts.unmarked
                                                      : counts.byRoot);
    }
    trees_.geneTrees.push_back(std::move(tree));
  }
  randomlyResolved_ += reader.randomlyResolved();
  end_ = in.lastPosition();
  if (geneSpecies != nullptr) geneSpecies->checkAllCovered();
}

void TreeInputReader::finish() {
  if (trees_.geneTrees.empty()) throw InputError("missing input for gene trees " + end_);
  if (randomlyResolved_ > 0)
    console_.warning("gene-tree multifurcations resolved at random: " + std::to_string(randomlyResolved_) +
                     " (--polytomies refine scores each at its cheapest resolution instead)");
  rules_.geneSpecies.checkAllCovered();
  if (!labelSpecies_.empty()) checkSpeciesOfLabels(trees_.geneTrees, trees_.names, labelSpecies_);
}

void readTreeInput(TextReader& in, TreeInputRules& rules, Random& random, Console& console, TreeInput& trees) {
  TreeInputReader reader(rules, random, console, trees);
  reader.read(in);
  reader.finish();
}

}  // namespace dls
