#pragma once
// The input of a run, read once (by rank 0, which hands it out to the
// other ranks of a cluster run) and only read from then on: the trees, the
// constraint groups, the species of the gene trees.

#include <istream>
#include <string>
#include <vector>

#include "app/input_files.hpp"
#include "app/options.hpp"
#include "common/console.hpp"
#include "common/random.hpp"
#include "tree/constraint_reader.hpp"
#include "tree/tree_input.hpp"

namespace dls {

// The opened inputs of a run.
struct InputStreams {
  std::istream& trees;
  std::istream* constraints;  // null: none
  std::istream* map;          // gene labels to species; null: none
  // The trees as many files, read in turn in place of `trees`; null or
  // empty: none.
  const std::vector<TreeFile>* treeFiles = nullptr;
};

struct RunInput {
  TreeInput trees;  // the gene trees: this process's share, or all
  std::vector<ConstraintGroup> groups;
  std::vector<NameId> species;  // of all gene trees, by name number
  std::string geneTreeSummary;  // "R rooted and U unrooted input gene trees total"
};

// Reads the trees and the constraints, with their information lines;
// random resolves multifurcations.
void readRunInput(const Options& options, const InputStreams& streams, RunInput& input, Random& random,
                  Console& console);

}  // namespace dls
