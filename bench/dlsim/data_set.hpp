#pragma once
// A whole generated data set: optional species tree line, then one line per
// gene family that kept at least two genes.

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "sim_options.hpp"
#include "sim_random.hpp"

namespace dlsim {

struct DataSetSize {
  int families = 0;  // gene-tree lines written
  long geneLeaves = 0;
  long movedLeaves = 0;  // by the gene-tree noise
};

using GenesOfSpecies = std::map<std::string, std::vector<std::string>>;

// What a data set writes besides its gene trees; each part when given.
struct DataSetOutputs {
  GenesOfSpecies* genesOfSpecies = nullptr;  // with gene labels: the genes of each species, in the order written
  std::string* speciesTree = nullptr;        // the generating species tree's Newick line
  // A line per gene tree written: the family's tree as evolved (before the
  // gene-tree noise, leaves labelled as in the gene tree), with branch
  // lengths in substitutions per site.
  std::ostream* trueGeneTrees = nullptr;
  // Each family's alignment of options.sites sites in FASTA, one line per
  // sequence, in the order of the gene tree's leaves; family: the gene
  // tree's number among those written, from 1.
  std::function<void(int family, const std::string& fasta)> alignment;
};

// Every simulated family draws its marks before it evolves, whatever the
// shares are, so the trees of a seed do not depend on the marking options.
// Species names are dealt out in random order unless options.orderedNames;
// that shuffle, the gene-tree noise and each family's branch lengths and
// sequences draw from side streams of options.seed (the sequences of family
// i, counting those dropped, from a stream of their own), so the trees of a
// seed are the same with either naming, every noise level and whatever
// sequences are asked for, but for the names and the moved leaves.
DataSetSize writeDataSet(const SimOptions& options, SimRandom& random, std::ostream& out,
                         const DataSetOutputs& outputs = {});

// Writes a gene-to-species map in the layout asked for; in pairs, genes
// come by species.
void writeMap(const GenesOfSpecies& genesOfSpecies, MapLayout layout, std::ostream& out);

}  // namespace dlsim
