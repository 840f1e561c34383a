#pragma once
// The leaf-adding stage's trees: every input tree as a rooted gene tree, an
// empty species tree for the builder to grow, and the constraint groups.

#include <string>
#include <vector>

#include "builder/leafadd_trees.hpp"
#include "tree/input.hpp"
#include "reconcile/reconciliation_set.hpp"

namespace buildtree {
namespace LEAFADD {

class TreeSet : public ReconciliationSet<SpeciesTree, GeneTreeRooted, GeneTreeUnrooted, true> {
 public:
  // Groups of species names to keep together as clades, in file order.
  std::vector<std::vector<std::string>> constraints;

  // Reads every tree of the input as a rooted gene tree (markers have no
  // effect, weights are not read) and prints how many were read.
  void readTrees(Input& in);

  // Reads groups of species names ("A,B,C;" ...) and keeps those with at
  // least two species named in the gene trees; warns about the rest.
  void readConstraints(Input& in);
};

}  // namespace LEAFADD
}  // namespace buildtree
