#include "builder/heuristic_leaf_add.hpp"

namespace buildtree {

void HeuristicLeafAdd::computeGeneDuplications(SpeciesNode* x, bool) {
  SpeciesNode* r = beginScoring(x);
  for (LEAFADD::GeneTreeRooted* tree : rootedGeneTrees) {
    mapRootedTree(*tree);
    scoreGeneTree(*tree, x, r, 1);
  }
  speciesTree->postprocessLCA();
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
