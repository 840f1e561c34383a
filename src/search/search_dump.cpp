#include "search/search_nodes.hpp"
#include "tree/node_dump.hpp"

namespace localsearch {

std::ostream& operator<<(std::ostream& out, SpeciesNode& node) {
  return dumpStructure(out, node) << ", idx:" << node.idx << ", " << static_cast<Order&>(node);
}

}  // namespace localsearch
