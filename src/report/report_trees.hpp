#pragma once
// Tree classes of the report stage.

#include "report/report_nodes.hpp"
#include "tree/tree.hpp"
#include "tree/tree_io.hpp"

namespace genedupreport {

class SpeciesTree : public TreeIO<Tree<SpeciesNode, NamedSpeciesNode>> {};
class GeneTreeRooted : public TreeIO<Tree<GeneNodeRooted, NamedGeneNodeRooted>> {};
class GeneTreeUnrooted : public TreeIO<Tree<GeneNodeUnrooted, NamedGeneNodeUnrooted>> {};

}  // namespace genedupreport
