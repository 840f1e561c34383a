#include "builder/leafadd_tree_set.hpp"

#include "driver/messages.hpp"
#include "tree/tree_set_reader.hpp"

namespace buildtree {
namespace LEAFADD {

void TreeSet::readTrees(Input& in) {
  speciesTree = new SpeciesTree();
  readGeneTrees(in, *this, GeneTreeReading{false, false});
  progress(std::to_string(rootedGeneTrees.size()) + " input gene trees total");
}

}  // namespace LEAFADD
}  // namespace buildtree
