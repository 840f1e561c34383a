#include "data_set.hpp"

#include "gene_family.hpp"
#include "yule_species_tree.hpp"

namespace dlsim {

namespace {

bool isNameChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }

// Gives every leaf (a species name after "(" or ",") a gene label of its
// own: the species name, "_g" and the gene's number in the data set.
std::string withGeneLabels(const std::string& newick, long& genes, GenesOfSpecies* genesOfSpecies) {
  std::string labelled;
  for (std::size_t at = 0; at < newick.size();) {
    const char c = newick[at++];
    labelled += c;
    if (c != '(' && c != ',') continue;
    std::size_t end = at;
    while (end < newick.size() && isNameChar(newick[end])) ++end;
    if (end == at) continue;
    const std::string species = newick.substr(at, end - at);
    const std::string gene = species + "_g" + std::to_string(++genes);
    if (genesOfSpecies != nullptr) (*genesOfSpecies)[species].push_back(gene);
    labelled += gene;
    at = end;
  }
  return labelled;
}

}  // namespace

void writeMap(const GenesOfSpecies& genesOfSpecies, MapLayout layout, std::ostream& out) {
  for (const auto& entry : genesOfSpecies) {
    if (layout == MapLayout::pairs) {
      for (const std::string& gene : entry.second) out << gene << ' ' << entry.first << '\n';
      continue;
    }
    out << entry.first << ':';
    for (std::size_t i = 0; i < entry.second.size(); ++i) {
      if (layout == MapLayout::comma && i > 0) out << ',';
      out << entry.second[i] << (layout == MapLayout::semicolon ? ";" : "");
    }
    out << '\n';
  }
}

DataSetSize writeDataSet(const SimOptions& options, SimRandom& random, std::ostream& out,
                         GenesOfSpecies* genesOfSpecies, std::string* speciesTree) {
  long genes = 0;
  static const char* const weights[] = {"0.5", "1.5", "2", "3"};
  YuleSpeciesTree species = growYuleTree(options.species, random);
  if (!options.orderedNames) {
    SimRandom naming(sideSeed(options.seed, 1));
    shuffleNames(species, naming);
  }
  SimRandom noise(sideSeed(options.seed, 2));
  if (options.speciesTreeFirst) out << species.newick() << '\n';
  if (speciesTree != nullptr) *speciesTree = species.newick();
  DataSetSize size;
  for (int i = 0; i < options.families; ++i) {
    const bool unrooted = random.uniform() < options.unrootedShare;
    const bool weighted = random.uniform() < options.weightedShare;
    const char* weight = weights[random.below(4)];
    const GeneFamily family = evolveFamily(species, options.rates, random, noise);
    if (family.leaves < 2) continue;
    if (unrooted && family.leaves >= 3) out << "[&U]";
    if (weighted) out << "[&WEIGHT=" << weight << "]";
    out << (options.geneLabels ? withGeneLabels(family.newick, genes, genesOfSpecies) : family.newick) << '\n';
    ++size.families;
    size.geneLeaves += family.leaves;
    size.movedLeaves += family.moved;
  }
  return size;
}

}  // namespace dlsim
