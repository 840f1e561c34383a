#pragma once
// Tree classes of the report stage.

#include <cstdint>

#include "reconcile/lca_species_tree.hpp"
#include "report/report_nodes.hpp"
#include "tree/tree.hpp"
#include "tree/tree_io.hpp"

namespace genedupreport {

class SpeciesTree : public LcaSpeciesTree<SpeciesNode, NamedSpeciesNode, false> {};

// Counts of one gene tree for the current species tree.
class GeneTree {
 public:
  std::uint32_t duplications = 0;
  std::uint32_t losses = 0;
};

class GeneTreeRooted : public TreeIO<Tree<GeneNodeRooted, NamedGeneNodeRooted>>, public GeneTree {};
class GeneTreeUnrooted : public TreeIO<Tree<GeneNodeUnrooted, NamedGeneNodeUnrooted>>, public GeneTree {};

}  // namespace genedupreport
