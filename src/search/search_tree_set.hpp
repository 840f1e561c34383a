#pragma once
// The SPR search stage's trees: the species tree to improve and the
// weighted gene trees.

#include "search/search_trees.hpp"
#include "tree/input.hpp"
#include "reconcile/reconciliation_set.hpp"

namespace localsearch {

class TreeSet : public ReconciliationSet<SpeciesTree, GeneTreeRooted, GeneTreeUnrooted, false> {
 public:
  // Reads the species tree, then the gene trees with their "[&U]", "[&R]" and
  // "[&WEIGHT=" marks, and prints how many of each kind were read.
  void readTrees(Input& in);
};

}  // namespace localsearch
