#pragma once
// Node classes of the SPR search stage.

#include <cstdint>
#include <ostream>

#include "tree/labelled_node.hpp"
#include "tree/tree_node.hpp"

namespace localsearch {

class SpeciesNode : public TreeNodeRooted<SpeciesNode> {
 public:
  // Constraint colour: that of the nearest "[&CONSTRAINT]"-marked
  // ancestor-or-self, 0 when unconstrained.
  std::uint32_t color = 0;
};
using NamedSpeciesNode = Labelled<SpeciesNode>;

class GeneNodeRooted : public TreeNodeRooted<GeneNodeRooted> {};
using NamedGeneNodeRooted = Labelled<GeneNodeRooted>;

class GeneNodeUnrooted : public TreeNodeUnrooted<GeneNodeUnrooted> {};
using NamedGeneNodeUnrooted = Labelled<GeneNodeUnrooted>;

std::ostream& operator<<(std::ostream& out, SpeciesNode& node);
std::ostream& operator<<(std::ostream& out, GeneNodeRooted& node);
std::ostream& operator<<(std::ostream& out, GeneNodeUnrooted& node);

}  // namespace localsearch
