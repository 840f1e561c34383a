#include "search/search_nodes.hpp"
#include "tree/node_dump.hpp"

namespace localsearch {

std::ostream& operator<<(std::ostream& out, const GeneDuplication& record) {
  return out << "score:" << record.score << "(" << record.countChild0 << "[" << record.countHere << "]"
             << record.countChild1 << ")";
}

std::ostream& operator<<(std::ostream& out, const GeneLoss& record) {
  return out << "Losses:" << record.leafCount << " " << record.isRelevant << " " << record.localCount << "  "
             << record.inheritedPlus << " " << record.depthCount << " " << record.siblingDepthCount << " "
             << record.siblingCount << " " << record.inheritedMinus << " : " << record.score;
}

std::ostream& operator<<(std::ostream& out, SpeciesNode& node) {
  return dumpStructure(out, node) << ", idx:" << node.idx << ", " << static_cast<Order&>(node) << ", "
                                  << static_cast<GeneDuplication&>(node);
}

}  // namespace localsearch
