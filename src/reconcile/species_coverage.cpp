#include "reconcile/species_coverage.hpp"

#include <map>
#include <string>

#include "common/errors.hpp"
#include "tree/text_reader.hpp"

namespace dls {

void checkSpeciesCoverage(SpeciesTree& species, const std::vector<const GeneTree*>& genes, const NameTable& names,
                          Console& console) {
  std::vector<char> inSpeciesTree(names.size(), 0);
  for (NodeId leaf : species.leaves()) {
    char& seen = inSpeciesTree[static_cast<std::size_t>(species.name(leaf))];
    if (seen) throw InputError("\"" + shownText(names.text(species.name(leaf))) + "\" is not a unique species");
    seen = 1;
  }
  std::vector<char> named(names.size(), 0);
  for (const GeneTree* tree : genes) {
    for (NodeId leaf : tree->leaves()) {
      const std::size_t name = static_cast<std::size_t>(tree->name(leaf));
      if (!inSpeciesTree[name])
        throw InputError("species \"" + shownText(names.text(tree->name(leaf))) +
                         "\" is not covered in the species tree");
      named[name] = 1;
    }
  }
  // Uncovered species, in name order.
  std::map<std::string, NodeId> uncovered;
  for (NodeId leaf : species.leaves())
    if (!named[static_cast<std::size_t>(species.name(leaf))]) uncovered.emplace(names.text(species.name(leaf)), leaf);
  std::vector<NodeId> dropped;
  for (const auto& entry : uncovered) {
    console.warning("species \"" + shownText(entry.first) + "\" is not covered by any gene tree - species ignored",
                    "species not covered by any gene tree");
    dropped.push_back(entry.second);
  }
  species.removeLeaves(dropped);
  species.coverNames(names.size());
}

}  // namespace dls
