#include "report/report_tree_set.hpp"

#include "tree/tree_set_reader.hpp"

namespace genedupreport {

void TreeSet::readTrees(Input& in) {
  readSpeciesTree(in, *this);
  readGeneTrees(in, *this, GeneTreeReading{true, false});
}

}  // namespace genedupreport
