#include "tree/tree_input.hpp"

#include <sstream>

#include "common/errors.hpp"

namespace {

struct GeneTreeMarks {
  bool rooted = true;
  double weight = 1.0;
};

// The comments in front of a gene tree; a later mark overrides an earlier.
GeneTreeMarks readMarks(TextReader& in) {
  static const std::string weightMark = "[&WEIGHT=";
  GeneTreeMarks marks;
  for (std::string comment = in.readComment(); !comment.empty(); comment = in.readComment()) {
    if (comment == "[&U]") marks.rooted = false;
    if (comment == "[&R]") marks.rooted = true;
    const std::size_t at = comment.find(weightMark);
    if (at == std::string::npos) continue;
    // The number has a reader of its own, so that an error points into the
    // text after "=".
    std::istringstream text(comment.substr(at + weightMark.size()));
    TextReader weight(text);
    marks.weight = weight.readNumber();
  }
  return marks;
}

}  // namespace

std::vector<NameId> speciesOfGeneTrees(const std::vector<GeneTree>& trees, const NameTable& names) {
  std::vector<char> named(names.size(), 0);
  for (const GeneTree& tree : trees)
    for (NodeId leaf : tree.leaves()) named[static_cast<std::size_t>(tree.name(leaf))] = 1;
  std::vector<NameId> species;
  for (std::size_t name = 0; name < named.size(); ++name)
    if (named[name]) species.push_back(static_cast<NameId>(name));
  return species;
}

std::vector<const GeneTree*> rootedThenUnrooted(const std::vector<GeneTree>& trees) {
  std::vector<const GeneTree*> order;
  for (const GeneTree& tree : trees)
    if (tree.rooted()) order.push_back(&tree);
  for (const GeneTree& tree : trees)
    if (!tree.rooted()) order.push_back(&tree);
  return order;
}

void readTreeInput(TextReader& in, NewickReader& reader, bool speciesTreeFirst, TreeInput& trees) {
  if (speciesTreeFirst) {
    trees.speciesTree = std::make_unique<SpeciesTree>();
    if (!reader.read(*trees.speciesTree)) throw InputError("missing input for species tree " + in.lastPosition());
  }
  for (;;) {
    const GeneTreeMarks marks = readMarks(in);
    if (!(marks.weight > 0)) throw InputError("the weight of each gene tree has to be greater than 0");
    GeneTree tree(marks.rooted, marks.weight);
    if (!reader.read(tree)) break;
    trees.geneTrees.push_back(std::move(tree));
  }
  if (trees.geneTrees.empty()) throw InputError("missing input for gene trees " + in.lastPosition());
}
