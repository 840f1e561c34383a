#pragma once
// Node classes of the report stage.

#include <ostream>

#include "tree/labelled_node.hpp"
#include "tree/tree_node.hpp"

namespace genedupreport {

class SpeciesNode : public TreeNodeRooted<SpeciesNode> {};
using NamedSpeciesNode = Labelled<SpeciesNode>;

class GeneNodeRooted : public TreeNodeRooted<GeneNodeRooted> {};
using NamedGeneNodeRooted = Labelled<GeneNodeRooted>;

class GeneNodeUnrooted : public TreeNodeUnrooted<GeneNodeUnrooted> {};
using NamedGeneNodeUnrooted = Labelled<GeneNodeUnrooted>;

std::ostream& operator<<(std::ostream& out, SpeciesNode& node);
std::ostream& operator<<(std::ostream& out, GeneNodeRooted& node);
std::ostream& operator<<(std::ostream& out, GeneNodeUnrooted& node);

}  // namespace genedupreport
