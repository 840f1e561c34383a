#pragma once
// Node classes of the leaf-adding stage.

#include <cstdint>
#include <ostream>

#include "reconcile/gene_nodes.hpp"
#include "reconcile/order.hpp"
#include "tree/labelled_node.hpp"
#include "tree/tree_node.hpp"

namespace buildtree {
namespace LEAFADD {

class SpeciesNode : public TreeNodeRooted<SpeciesNode>, public Order {
 public:
  std::int32_t idx = 0;  // position in the species tree's node list
  // Constraint colour given by the builder; a node whose colour differs from
  // its parent's is the top of a constraint clade.
  std::int32_t color = 0;
};
using NamedSpeciesNode = Labelled<SpeciesNode>;

using GeneNodeRooted = GeneNodeRootedOf<SpeciesNode>;
using NamedGeneNodeRooted = Labelled<GeneNodeRooted>;

using GeneNodeUnrooted = GeneNodeUnrootedOf<SpeciesNode>;
using NamedGeneNodeUnrooted = Labelled<GeneNodeUnrooted>;

std::ostream& operator<<(std::ostream& out, SpeciesNode& node);

}  // namespace LEAFADD
}  // namespace buildtree
