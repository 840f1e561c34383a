#include "data_set.hpp"

#include <cstdio>

#include "family_sequences.hpp"
#include "gene_family.hpp"
#include "yule_species_tree.hpp"

namespace dlsim {

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
                         const DataSetOutputs& outputs) {
  long genes = 0;
  static const char* const weights[] = {"0.5", "1.5", "2", "3"};
  YuleSpeciesTree species = growYuleTree(options.species, random);
  if (!options.orderedNames) {
    SimRandom naming(sideSeed(options.seed, 1));
    shuffleNames(species, naming);
  }
  SimRandom noise(sideSeed(options.seed, 2));
  const std::uint64_t sequenceSeed = sideSeed(options.seed, 3);
  if (options.speciesTreeFirst) out << species.newick() << '\n';
  if (outputs.speciesTree != nullptr) *outputs.speciesTree = species.newick();
  DataSetSize size;
  for (int i = 0; i < options.families; ++i) {
    const bool unrooted = random.uniform() < options.unrootedShare;
    const bool weighted = random.uniform() < options.weightedShare;
    const char* weight = weights[random.below(4)];
    const GeneFamily family = evolveFamily(species, options.rates, random, noise);
    if (family.leaves < 2) continue;
    if (unrooted && family.leaves >= 3) out << "[&U]";
    if (weighted) out << "[&WEIGHT=" << weight << "]";
    // Leaves are named in the order written: gene k of the data set is "species_gk".
    std::vector<std::string> label(family.written.size());
    std::vector<int> leafOrder;
    const auto childOf = [](const GeneTree& tree) {
      return [&tree](int node, int side) {
        return tree.child[static_cast<std::size_t>(node)][static_cast<std::size_t>(side)];
      };
    };
    out << binaryNewick(family.written.root, childOf(family.written), [&](int node) {
      const std::string& name =
          species.nodes[static_cast<std::size_t>(family.written.species[static_cast<std::size_t>(node)])].name;
      std::string& leaf = label[static_cast<std::size_t>(node)];
      leaf = options.geneLabels ? name + "_g" + std::to_string(++genes) : name;
      if (options.geneLabels && outputs.genesOfSpecies != nullptr) (*outputs.genesOfSpecies)[name].push_back(leaf);
      leafOrder.push_back(node);
      return leaf;
    }) << '\n';
    ++size.families;
    size.geneLeaves += family.leaves;
    size.movedLeaves += family.moved;
    if (outputs.trueGeneTrees == nullptr && !outputs.alignment) continue;
    SimRandom stream(sideSeed(sequenceSeed, static_cast<std::uint64_t>(i)));
    const FamilySequences sequences = simulateFamilySequences(family.evolved, options.substitutionScale,
                                                              outputs.alignment ? options.sites : 0, stream);
    if (outputs.trueGeneTrees != nullptr) {
      const GeneTree& tree = family.evolved;
      *outputs.trueGeneTrees << binaryNewick(
                                    tree.root, childOf(tree),
                                    [&](int node) { return label[static_cast<std::size_t>(node)]; },
                                    [&](int node) {
                                      if (node == tree.root) return std::string();
                                      char length[32];
                                      std::snprintf(length, sizeof length, ":%.6g",
                                                    sequences.length[static_cast<std::size_t>(node)]);
                                      return std::string(length);
                                    })
                             << '\n';
    }
    if (outputs.alignment) {
      std::string fasta;
      for (int leaf : leafOrder)
        fasta += ">" + label[static_cast<std::size_t>(leaf)] + "\n" +
                 sequences.sequence[static_cast<std::size_t>(leaf)] + "\n";
      outputs.alignment(size.families, fasta);
    }
  }
  return size;
}

}  // namespace dlsim
