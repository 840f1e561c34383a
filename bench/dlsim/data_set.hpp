#pragma once
// A whole generated data set: optional species tree line, then one line per
// gene family that kept at least two genes.

#include <ostream>

#include "sim_options.hpp"
#include "sim_random.hpp"

namespace dlsim {

struct DataSetSize {
  int families = 0;    // gene-tree lines written
  long geneLeaves = 0;
};

// Every simulated family draws its marks before it evolves, whatever the
// shares are, so the trees of a seed do not depend on the marking options.
DataSetSize writeDataSet(const SimOptions& options, SimRandom& random, std::ostream& out);

}  // namespace dlsim
