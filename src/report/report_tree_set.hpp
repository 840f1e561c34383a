#pragma once
// The report stage's trees: the final species tree and the gene trees.

#include "reconcile/reconciliation_set.hpp"
#include "report/report_trees.hpp"
#include "tree/input.hpp"

namespace genedupreport {

class TreeSet : public ReconciliationSet<SpeciesTree, GeneTreeRooted, GeneTreeUnrooted, false> {
 public:
  // Reads the species tree, then the gene trees with their "[&U]" and "[&R]"
  // marks; weights are not read here.
  void readTrees(Input& in);
};

}  // namespace genedupreport
