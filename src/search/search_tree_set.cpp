#include "search/search_tree_set.hpp"

#include <iostream>

#include "driver/messages.hpp"
#include "tree/tree_set_reader.hpp"

namespace localsearch {

void TreeSet::readTrees(Input& in) {
  readSpeciesTree(in, *this);
  colorSpeciesTreeByConstraintsDFS(speciesTree->root, speciesTree->root->color);
  readGeneTrees(in, *this, GeneTreeReading{true, true});
  progress(std::to_string(rootedGeneTrees.size()) + " rooted and " +
           std::to_string(unrootedGeneTrees.size()) + " unrooted input gene trees total");
}

}  // namespace localsearch
