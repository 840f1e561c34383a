#pragma once
// Tree classes of the leaf-adding stage. Its species tree is grown by the
// builder, not read, and is written with "[&CONSTRAINT]" on the top node of
// every constraint clade, for the search to keep those clades together.

#include <ostream>

#include "builder/leafadd_nodes.hpp"
#include "reconcile/lca_species_tree.hpp"
#include "tree/tree.hpp"
#include "tree/tree_io.hpp"

namespace buildtree {
namespace LEAFADD {

class SpeciesTree : public LcaSpeciesTree<SpeciesNode, NamedSpeciesNode, true> {
 public:
  void namednode2newick(std::ostream& out, NamedSpeciesNode& node) override {
    LcaSpeciesTree::namednode2newick(out, node);
    writeConstraintMark(out, node);
  }
  void node2newick(std::ostream& out, SpeciesNode& node) override { writeConstraintMark(out, node); }

 private:
  static void writeConstraintMark(std::ostream& out, SpeciesNode& node) {
    if (node.parent() != nullptr && node.color != node.parent()->color) out << "[&CONSTRAINT]";
  }
};

class GeneTreeRooted : public TreeIO<Tree<GeneNodeRooted, NamedGeneNodeRooted>> {};
// Declared for symmetry with the other stages; this stage reads every gene
// tree as rooted, so none is ever created.
class GeneTreeUnrooted : public TreeIO<Tree<GeneNodeUnrooted, NamedGeneNodeUnrooted>> {};

}  // namespace LEAFADD
}  // namespace buildtree
