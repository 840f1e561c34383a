#include "data_set.hpp"

#include "gene_family.hpp"
#include "yule_species_tree.hpp"

namespace dlsim {

DataSetSize writeDataSet(const SimOptions& options, SimRandom& random, std::ostream& out) {
  static const char* const weights[] = {"0.5", "1.5", "2", "3"};
  const YuleSpeciesTree species = growYuleTree(options.species, random);
  if (options.speciesTreeFirst) out << species.newick() << '\n';
  DataSetSize size;
  for (int i = 0; i < options.families; ++i) {
    const bool unrooted = random.uniform() < options.unrootedShare;
    const bool weighted = random.uniform() < options.weightedShare;
    const char* weight = weights[random.below(4)];
    const GeneFamily family = evolveFamily(species, options.rates, random);
    if (family.leaves < 2) continue;
    if (unrooted && family.leaves >= 3) out << "[&U]";
    if (weighted) out << "[&WEIGHT=" << weight << "]";
    out << family.newick << '\n';
    ++size.families;
    size.geneLeaves += family.leaves;
  }
  return size;
}

}  // namespace dlsim
