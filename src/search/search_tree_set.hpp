#pragma once
// The SPR search stage's trees: the species tree to improve and the
// weighted gene trees.

#include "search/search_trees.hpp"
#include "tree/input.hpp"
#include "tree/tree_set.hpp"

namespace localsearch {

class TreeSet : public TreeSetOf<SpeciesTree, GeneTreeRooted, GeneTreeUnrooted> {
 public:
  // Reads the species tree, then the gene trees with their "[&U]", "[&R]" and
  // "[&WEIGHT=" marks, and prints how many of each kind were read.
  void readTrees(Input& in);
};

}  // namespace localsearch
