#pragma once
// The bootstrap replicates' trees, in replicate order, against the best
// tree: for every inner node of it but the root, the percentage of
// replicate trees with the same clade (the same set of species).

#include <ostream>
#include <string>
#include <vector>

#include "tree/name_table.hpp"
#include "tree/species_tree.hpp"

namespace dls {

class BootstrapSupport {
 public:
  explicit BootstrapSupport(const SpeciesTree& best);

  void add(const SpeciesTree& replicate);
  int replicates() const { return replicates_; }
  // Per node of the best tree, its support as a label (empty: none).
  std::vector<std::string> labels() const;

 private:
  const SpeciesTree& best_;
  const std::vector<std::vector<NameId>> bestClades_;
  std::vector<int> support_;
  int replicates_ = 0;
};

}  // namespace dls
