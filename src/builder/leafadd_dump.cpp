#include "builder/leafadd_nodes.hpp"
#include "tree/node_dump.hpp"

namespace buildtree {
namespace LEAFADD {

std::ostream& operator<<(std::ostream& out, SpeciesNode& node) {
  return dumpStructure(out, node) << ", idx:" << node.idx << ", " << static_cast<Order&>(node);
}

}  // namespace LEAFADD
}  // namespace buildtree
