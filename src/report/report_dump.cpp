#include "report/report_nodes.hpp"
#include "tree/node_dump.hpp"

namespace genedupreport {

std::ostream& operator<<(std::ostream& out, const GeneLoss& record) {
  return out << "Losses:" << record.leafCount << " " << record.isRelevant;
}

std::ostream& operator<<(std::ostream& out, SpeciesNode& node) {
  return dumpStructure(out, node) << ", idx:" << node.idx << ", " << static_cast<Order&>(node) << ", "
                                  << static_cast<GeneDuplication&>(node);
}

}  // namespace genedupreport
