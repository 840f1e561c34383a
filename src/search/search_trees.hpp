#pragma once
// Tree classes of the SPR search stage.

#include <cstdint>

#include "reconcile/lca_species_tree.hpp"
#include "search/search_nodes.hpp"
#include "tree/tree.hpp"
#include "tree/tree_io.hpp"

namespace localsearch {

class SpeciesTree : public LcaSpeciesTree<SpeciesNode, NamedSpeciesNode, false> {
 public:
  // Number of "[&CONSTRAINT]" marks read, which is the last colour given.
  std::uint32_t constraintCount = 0;

  // Gives every node marked "[&CONSTRAINT]" a fresh colour, in text order.
  void createNode(TempNode& temp) override;
};

class GeneTreeRooted : public TreeIO<Tree<GeneNodeRooted, NamedGeneNodeRooted>> {
 public:
  explicit GeneTreeRooted(double weight) : weight(weight) {}
  const double weight;  // the tree's cost is multiplied by it
};

class GeneTreeUnrooted : public TreeIO<Tree<GeneNodeUnrooted, NamedGeneNodeUnrooted>> {
 public:
  explicit GeneTreeUnrooted(double weight) : weight(weight) {}
  const double weight;
};

// Spreads constraint colours down from the root: every node with colour 0
// takes its parent's colour (preorder), the given colour at the root.
void colorSpeciesTreeByConstraintsDFS(SpeciesNode* node, std::uint32_t color);

}  // namespace localsearch
