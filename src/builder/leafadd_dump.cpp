#include "builder/leafadd_nodes.hpp"
#include "tree/node_dump.hpp"

namespace buildtree {
namespace LEAFADD {

std::ostream& operator<<(std::ostream& out, SpeciesNode& node) { return dumpStructure(out, node); }
std::ostream& operator<<(std::ostream& out, GeneNodeRooted& node) { return dumpStructure(out, node); }
std::ostream& operator<<(std::ostream& out, GeneNodeUnrooted& node) { return dumpStructure(out, node); }

}  // namespace LEAFADD
}  // namespace buildtree
