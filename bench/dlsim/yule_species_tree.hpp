#pragma once
// A random rooted binary species tree from the Yule (pure birth) process,
// with branch lengths scaled so that the root-to-leaf height is 1.

#include <string>
#include <vector>

#include "sim_random.hpp"

namespace dlsim {

struct SpeciesBranch {
  int parent = -1;
  int child[2] = {-1, -1};
  double length = 0.0;  // length of the branch above the node; 0 for the root
  std::string name;     // leaves only: S001, S002, ... from left to right
};

struct YuleSpeciesTree {
  std::vector<SpeciesBranch> nodes;  // node 0 is the root; parents precede children
  int leafCount = 0;

  bool isLeaf(int node) const { return nodes[static_cast<std::size_t>(node)].child[0] < 0; }
  std::string newick() const;  // names only, no branch lengths, ending in ";"
};

// Grows a tree of the given number of leaves (at least 1).
YuleSpeciesTree growYuleTree(int leaves, SimRandom& random);

// Species names of a tree of the given size: S001 ... with at least three digits.
std::string speciesName(int number, int leaves);

}  // namespace dlsim
