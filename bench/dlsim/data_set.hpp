#pragma once
// A whole generated data set: optional species tree line, then one line per
// gene family that kept at least two genes.

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

// Every simulated family draws its marks before it evolves, whatever the
// shares are, so the trees of a seed do not depend on the marking options.
// With gene labels, the genes of each species go to genesOfSpecies (when
// given), in the order written. speciesTree (when given) receives the
// generating species tree's Newick line. Species names are dealt out in
// random order unless options.orderedNames; that shuffle and the gene-tree
// noise draw from side streams of options.seed, so the trees of a seed are
// the same with either naming and every noise level, but for the names and
// the moved leaves.
using GenesOfSpecies = std::map<std::string, std::vector<std::string>>;
DataSetSize writeDataSet(const SimOptions& options, SimRandom& random, std::ostream& out,
                         GenesOfSpecies* genesOfSpecies = nullptr, std::string* speciesTree = nullptr);

// Writes a gene-to-species map in the layout asked for; in pairs, genes
// come by species.
void writeMap(const GenesOfSpecies& genesOfSpecies, MapLayout layout, std::ostream& out);

}  // namespace dlsim
