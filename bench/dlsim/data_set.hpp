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
};

// Every simulated family draws its marks before it evolves, whatever the
// shares are, so the trees of a seed do not depend on the marking options.
// With gene labels, the genes of each species go to genesOfSpecies (when
// given), in the order written.
using GenesOfSpecies = std::map<std::string, std::vector<std::string>>;
DataSetSize writeDataSet(const SimOptions& options, SimRandom& random, std::ostream& out,
                         GenesOfSpecies* genesOfSpecies = nullptr);

// Writes a gene-to-species map in the layout asked for; in pairs, genes
// come by species.
void writeMap(const GenesOfSpecies& genesOfSpecies, MapLayout layout, std::ostream& out);

}  // namespace dlsim
