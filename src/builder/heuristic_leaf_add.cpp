#include "builder/heuristic_leaf_add.hpp"

namespace buildtree {

void HeuristicLeafAdd::computeGeneDuplications(SpeciesNode* x, bool) {
  SpeciesNode* r = beginScoring(x);
  for (std::size_t i = 0; i < rootedGeneTrees.size(); ++i) {
    LEAFADD::GeneTreeRooted* tree = rootedGeneTrees[i];
    if (i + 1 < rootedGeneTrees.size()) rootedGeneTrees[i + 1]->prefetchNodes();
    mapRootedTree(*tree);
    scoreGeneTree(*tree, x, r, 1);
  }
  endScoring();
  forEachCallScoreComputed(r);
}

void HeuristicLeafAdd::forEachCallScoreComputed(SpeciesNode* r) {
  for (; r != nullptr; r = r->child(1)) {
    scoreComputed(*r);
    forEachCallScoreComputed(r->child(0));
  }
}

std::ostream& operator<<(std::ostream& out, HeuristicLeafAdd& heuristic) {
  return out << static_cast<LEAFADD::TreeSet&>(heuristic);
}

}  // namespace buildtree
