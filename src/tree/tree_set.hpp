#pragma once
// One species tree and the gene trees, split into rooted and unrooted ones,
// each list in input order. Each stage's tree set derives from this.

#include <ostream>
#include <vector>

template <class SpeciesTreeT, class GeneTreeRootedT, class GeneTreeUnrootedT>
class TreeSetOf {
 public:
  using SpeciesTree = SpeciesTreeT;
  using GeneTreeRooted = GeneTreeRootedT;
  using GeneTreeUnrooted = GeneTreeUnrootedT;

  SpeciesTree* speciesTree = nullptr;
  std::vector<GeneTreeRooted*> rootedGeneTrees;
  std::vector<GeneTreeUnrooted*> unrootedGeneTrees;

  TreeSetOf() = default;
  TreeSetOf(const TreeSetOf&) = delete;
  TreeSetOf& operator=(const TreeSetOf&) = delete;
  virtual ~TreeSetOf() {
    for (GeneTreeRooted* tree : rootedGeneTrees) delete tree;
    for (GeneTreeUnrooted* tree : unrootedGeneTrees) delete tree;
    delete speciesTree;
  }
};

// Debug dump of a tree set: every gene tree, then the species tree.
template <class S, class R, class U>
std::ostream& operator<<(std::ostream& out, TreeSetOf<S, R, U>& set) {
  for (std::size_t i = 0; i < set.rootedGeneTrees.size(); ++i) {
    out << "gene tree" << i << ":\n";
    set.rootedGeneTrees[i]->outputSubtree(out, set.rootedGeneTrees[i]->root, 0);
    out << '\n';
  }
  for (std::size_t i = 0; i < set.unrootedGeneTrees.size(); ++i) {
    out << "gene tree" << i << ":\n";
    set.unrootedGeneTrees[i]->outputSubtree(out, set.unrootedGeneTrees[i]->root, 0);
    out << '\n';
  }
  out << "species tree:\n";
  if (set.speciesTree != nullptr) set.speciesTree->outputSubtree(out, set.speciesTree->root, 0);
  return out << '\n';
}
