#pragma once
// Node classes of the leaf-adding stage.

#include <cstdint>
#include <ostream>

#include "tree/labelled_node.hpp"
#include "tree/tree_node.hpp"

namespace buildtree {
namespace LEAFADD {

class SpeciesNode : public TreeNodeRooted<SpeciesNode> {
 public:
  // Constraint colour given by the builder; a node whose colour differs from
  // its parent's is the top of a constraint clade.
  std::int32_t color = 0;
};
using NamedSpeciesNode = Labelled<SpeciesNode>;

class GeneNodeRooted : public TreeNodeRooted<GeneNodeRooted> {};
using NamedGeneNodeRooted = Labelled<GeneNodeRooted>;

class GeneNodeUnrooted : public TreeNodeUnrooted<GeneNodeUnrooted> {};
using NamedGeneNodeUnrooted = Labelled<GeneNodeUnrooted>;

std::ostream& operator<<(std::ostream& out, SpeciesNode& node);
std::ostream& operator<<(std::ostream& out, GeneNodeRooted& node);
std::ostream& operator<<(std::ostream& out, GeneNodeUnrooted& node);

}  // namespace LEAFADD
}  // namespace buildtree
