#pragma once
// The report stage's trees: the final species tree and the gene trees.

#include "report/report_trees.hpp"
#include "tree/input.hpp"
#include "tree/tree_set.hpp"

namespace genedupreport {

class TreeSet : public TreeSetOf<SpeciesTree, GeneTreeRooted, GeneTreeUnrooted> {
 public:
  // Reads the species tree, then the gene trees with their "[&U]" and "[&R]"
  // marks; weights are not read here.
  void readTrees(Input& in);
};

}  // namespace genedupreport
