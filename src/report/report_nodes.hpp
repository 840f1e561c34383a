#pragma once
// Node classes of the report stage.

#include <cstdint>
#include <ostream>

#include "reconcile/gene_nodes.hpp"
#include "reconcile/order.hpp"
#include "search/regraft_species_node.hpp"
#include "tree/labelled_node.hpp"
#include "tree/tree_node.hpp"

namespace genedupreport {

// Duplication counters of the insertion and regraft scoring; the report
// counts directly and leaves them at zero.
using GeneDuplication = GeneDuplicationRecord<std::uint32_t>;

// The relevant species tree of the gene tree being counted.
class GeneLoss {
 public:
  std::int32_t leafCount = 0;  // gene leaves mapped into this subtree
  std::uint32_t depth = 0;     // relevant nodes from the root down to here; 0 if not relevant
  bool isRelevant = false;
};

class SpeciesNode : public TreeNodeRooted<SpeciesNode>, public Order, public GeneDuplication, public GeneLoss {
 public:
  std::int32_t idx = 0;  // position in the species tree's node list

  void resetRelevant() {
    leafCount = 0;
    depth = 0;
    isRelevant = false;
  }
};
using NamedSpeciesNode = Labelled<SpeciesNode>;

using GeneNodeRooted = GeneNodeRootedOf<SpeciesNode>;
using NamedGeneNodeRooted = Labelled<GeneNodeRooted>;

using GeneNodeUnrooted = GeneNodeUnrootedOf<SpeciesNode>;
using NamedGeneNodeUnrooted = Labelled<GeneNodeUnrooted>;

std::ostream& operator<<(std::ostream& out, const GeneLoss& record);
std::ostream& operator<<(std::ostream& out, SpeciesNode& node);

}  // namespace genedupreport
