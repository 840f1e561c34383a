#include "search/heuristic.hpp"

#include "reconcile/rerooting.hpp"

namespace localsearch {

void Heuristic::computeGeneDuplications(SpeciesNode* x, bool allRootings) {
  SpeciesNode* r = beginScoring(x);
  for (std::size_t i = 0; i < rootedGeneTrees.size(); ++i) {
    GeneTreeRooted* tree = rootedGeneTrees[i];
    if (i + 1 < rootedGeneTrees.size()) rootedGeneTrees[i + 1]->prefetchNodes();
    mapRootedTree(*tree);
    scoreGeneTree(*tree, x, r, tree->weight);
  }
  for (std::size_t i = 0; i < unrootedGeneTrees.size(); ++i) {
    GeneTreeUnrooted* tree = unrootedGeneTrees[i];
    if (i + 1 < unrootedGeneTrees.size()) unrootedGeneTrees[i + 1]->prefetchNodes();
    if (allRootings) {
      scoreAllRootings(*tree, x, r);
    } else {
      mapUnrootedTreeAsRooted(*tree);
      scoreGeneTree(*tree, x, r, tree->weight);
    }
  }

  endScoring();
  forEachCallScoreComputed(x, r);
}

// Prepares the present rooting of an unrooted gene tree whose relevant
// tree is built: the secondary mappings, the duplication counters and clean
// loss counters.
void Heuristic::prepareRooting(GeneTreeUnrooted& tree, SpeciesNode* x) {
  countFrontier(tree, x);
  if (!wholeTreeRelevant()) resetLossCounters();  // else left clear by scoreWholeTree
}

void Heuristic::scoreAllRootings(GeneTreeUnrooted& tree, SpeciesNode* x, SpeciesNode* r) {
  const double weight = tree.weight;
  createPrimaryMappingUnrooted(tree);
  buildRelevantTree(tree);  // one for all rootings
  prepareRooting(tree, x);
  if (wholeTreeRelevant()) {
    // One pass for the counts, one down the species tree for the scores.
    std::int32_t duplications = 0, losses = 0;
    countWholeTree(tree, x, duplications, losses);
    rootingScore = duplications * weight;
    const double lossBase = losses * weight;
    auto replace = [lossBase, weight](SpeciesNode* v, double dupBase) {
      replaceByRooting(v, dupBase, lossBase);
      v->GeneLoss::tempScore += static_cast<double>(v->lossDelta) * weight;
    };
    scoreWholeTree(x, r, rootingScore, weight, replace);
  } else {
    std::int32_t duplications = 0;
    getScoreDFS(duplications, tree.root);
    rootingScore = duplications * weight;
    const std::int32_t losses = computeGeneLossForRoot<std::int32_t>(tree);
    computeGeneDuplicationsTempReplace(r, rootingScore, losses * weight, weight);
    countLossChanges<Transfer::TEMP_SCORE>(tree, x, weight);
  }
  resetSecondaryMappingDFS(tree.root);
  secondaryFrontierUnrooted.clear();

  GeneNodeUnrooted* a = tree.root->child(0);
  GeneNodeUnrooted* b = tree.root->child(1);
  if (a != nullptr && b != nullptr) {
    moveRoot(tree, a, x, r);
    moveRoot(tree, b, x, r);
    moveRootToEdge(tree, a, b);
  }
  addTempGeneDuplications(r);
}

void Heuristic::moveRoot(GeneTreeUnrooted& tree, GeneNodeUnrooted* v, SpeciesNode* x, SpeciesNode* r) {
  const double weight = tree.weight;
  const bool whole = wholeTreeRelevant();
  forEachRootEdgeBelow(tree, v, [&](GeneNodeUnrooted*, GeneNodeUnrooted*) {
    prepareRooting(tree, x);
    std::int32_t duplicationCount = 0, lossCount = 0;
    if (whole) {
      countWholeTree(tree, x, duplicationCount, lossCount);
      const double losses = lossCount * weight;
      auto keepCheaper = [losses, weight](SpeciesNode* y, double dupBase) {
        keepCheaperRooting(y, dupBase, losses, weight);
      };
      scoreWholeTree(x, r, duplicationCount * weight, weight, keepCheaper);
    } else {
      getScoreDFS(duplicationCount, tree.root);
      lossCount = computeGeneLossForRoot<std::int32_t>(tree);
      countLossChanges<Transfer::LOSS_DELTA>(tree, x, weight);
      computeGeneDuplicationsTempMin2(r, duplicationCount * weight, lossCount * weight, weight);
    }
    resetSecondaryMappingDFS(tree.root);
    secondaryFrontierUnrooted.clear();
  });
}

// The first rooting's scores replace the per-rooting parts: duplications as
// in computeGeneDuplicationsAdd, and the loss count at the present species
// tree everywhere.
void Heuristic::computeGeneDuplicationsTempReplace(SpeciesNode* v, double base, double lossBase, double weight) {
  for (; v != nullptr; v = v->child(1)) {
    replaceByRooting(v, base, lossBase);
    computeGeneDuplicationsTempReplace(v->child(0), base + step(v, v->countChild0, weight), lossBase, weight);
    base += step(v, v->countChild1, weight);
  }
}

void Heuristic::computeGeneDuplicationsTempMin2(SpeciesNode* v, double dupBase, double lossBase, double weight) {
  for (; v != nullptr; v = v->child(1)) {
    keepCheaperRooting(v, dupBase, lossBase, weight);
    computeGeneDuplicationsTempMin2(v->child(0), dupBase + step(v, v->countChild0, weight), lossBase, weight);
    dupBase += step(v, v->countChild1, weight);
  }
}

// A regraft position takes the present rooting's scores when they are
// cheaper than those of the rootings tried before.
void Heuristic::keepCheaperRooting(SpeciesNode* v, double dupBase, double lossBase, double weight) {
  const double candidate = weight * v->lossDelta + (lossBase + dupBase);
  if (v->GeneDuplication::tempScore + v->GeneLoss::tempScore > candidate) {
    v->GeneDuplication::tempScore = dupBase;
    v->GeneLoss::tempScore = v->lossDelta * weight + lossBase;
  }
}

void Heuristic::replaceByRooting(SpeciesNode* v, double dupBase, double lossBase) {
  v->GeneDuplication::tempScore = dupBase;
  v->GeneLoss::tempScore = lossBase;
}

void Heuristic::addTempGeneDuplications(SpeciesNode* v) {
  for (; v != nullptr; v = v->child(1)) {
    v->GeneDuplication::score += v->GeneDuplication::tempScore;
    v->GeneLoss::score += v->GeneLoss::tempScore;
    addTempGeneDuplications(v->child(0));
  }
}

double Heuristic::rootingCost(GeneTreeUnrooted& tree) {
  std::int32_t duplications = 0;
  getScoreDFS(duplications, tree.root);
  const std::int32_t losses = computeGeneLossForRoot<std::int32_t>(tree);
  return losses * tree.weight + duplications * tree.weight;
}

void Heuristic::computeBestRooting() {
  speciesTreeChanged();
  std::uint32_t counter = 0;
  speciesTree->establishOrderDFS(speciesTree->root, counter);
  speciesTree->preprocessLCA();
  for (GeneTreeUnrooted* tree : unrootedGeneTrees) {
    createPrimaryMappingUnrooted(*tree);
    buildRelevantTree(*tree);
    rootingScore = rootingCost(*tree);
    GeneNodeUnrooted* a = tree->root->child(0);
    GeneNodeUnrooted* b = tree->root->child(1);
    if (a == nullptr || b == nullptr) continue;  // a single leaf has one rooting
    bestRootEdge[0] = a;
    bestRootEdge[1] = b;
    moveRoot2(*tree, a, rootingScore);
    moveRoot2(*tree, b, rootingScore);
    moveRootToEdge(*tree, bestRootEdge[0], bestRootEdge[1]);
  }
  speciesTree->postprocessLCA();
}

double Heuristic::costOfCurrentTree() {
  computeBestRooting();  // also marks the species tree as changed
  std::uint32_t counter = 0;
  speciesTree->establishOrderDFS(speciesTree->root, counter);
  speciesTree->preprocessLCA();
  double cost = 0;
  auto add = [&](auto& tree) {
    std::int32_t duplications = 0;
    getScoreDFS(duplications, tree.root);
    buildRelevantTree(tree);
    cost += (duplications + computeGeneLossForRoot<std::int32_t>(tree)) * tree.weight;
  };
  for (GeneTreeRooted* tree : rootedGeneTrees) {
    mapRootedTree(*tree);
    add(*tree);
  }
  for (GeneTreeUnrooted* tree : unrootedGeneTrees) {
    mapUnrootedTreeAsRooted(*tree);
    add(*tree);
  }
  speciesTree->postprocessLCA();
  return cost;
}

void Heuristic::moveRoot2(GeneTreeUnrooted& tree, GeneNodeUnrooted* v, double& best) {
  forEachRootEdgeBelow(tree, v, [&](GeneNodeUnrooted* upper, GeneNodeUnrooted* lower) {
    const double cost = rootingCost(tree);
    if (cost < best) {
      best = cost;
      bestRootEdge[0] = upper;
      bestRootEdge[1] = lower;
    }
  });
}

void Heuristic::forEachCallScoreComputed(SpeciesNode* x, SpeciesNode* start) {
  forEachCall(x->parent(), start);
}

// A target y is admissible when it has the pruned parent's colour, or when
// its parent has it (and is not the pruned parent itself): constraint
// clades stay clades.
void Heuristic::forEachCall(SpeciesNode* p, SpeciesNode* y) {
  for (; y != nullptr; y = y->child(1)) {
    if (p->color == y->color || (y->parent() != p && p->color == y->parent()->color)) scoreComputed(*y);
    forEachCall(p, y->child(0));
  }
}

std::ostream& operator<<(std::ostream& out, Heuristic& heuristic) { return out << static_cast<TreeSet&>(heuristic); }

}  // namespace localsearch
