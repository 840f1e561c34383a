#include "search/simple_heuristic_random.hpp"

#include <cstdint>
#include <cstdlib>
#include <iostream>

#include "driver/globals.hpp"

namespace localsearch {

void SimpleHeuristicRandom::runCycle(bool allRootings) {
  SpeciesTree& tree = *speciesTree;
  const int n = static_cast<int>(tree.nodes.size());
  for (pruneIndex = 0; pruneIndex < n; ++pruneIndex) {
    SpeciesNode* x = tree.nodes[static_cast<std::size_t>(pruneIndex)];
    if (x == tree.root) continue;
    SpeciesNode* p = x->parent();
    const int slot = p->child(0) == x ? 0 : 1;
    SpeciesNode* sibling = p->child(1 - slot);
    tree.moveSubtree(x, tree.root);
    computeGeneDuplications(x, allRootings);
    tree.moveSubtree(tree.root->child(slot), sibling);
  }
}

void SimpleHeuristicRandom::run(std::ostream& out, ReRoot reroot) {
  createLeafMapping();
  if (!quiet) std::cout << "Computing..." << std::endl;
  const bool startRootings = reroot == ALL_ROOTINGS;
  bool allRootings = startRootings;

  for (;;) {
    runCycle(allRootings);
    if (improved) {
      improved = false;
      allRootings = startRootings;
      if (!bestMoves.empty()) {
        ++numberOfMoves;
        const std::uint64_t draw = static_cast<std::uint64_t>(std::rand());
        const auto& move = bestMoves[draw % bestMoves.size()];
        speciesTree->moveSubtree(move.first, move.second);
        computeBestRooting();
        allRootings = startRootings;
      }
    } else {
      computeBestRooting();
      if (allRootings) break;
      bestMoves.clear();
      allRootings = true;
    }
    if (interruptFlag) break;
  }

  // A species tree of one leaf has no regraft to score: its cost is counted
  // directly.
  if (speciesTree->nodes.size() == 1) currentScore = costOfCurrentTree();

  if (!quiet) {
    std::cout << std::endl;
    std::cout << "Number of rSPR tree edit operations: " << numberOfMoves << std::endl;
    std::cout << "Final weighted reconciliation cost: " << getCurrentScore() << std::endl;
  }
  WEIGHTED_RECON_COST = static_cast<float>(getCurrentScore());
  speciesTree->writeNewickLine(out);
  out.flush();
}

void SimpleHeuristicRandom::scoreComputed(SpeciesNode& target) {
  const double duplications = target.GeneDuplication::score;
  const double losses = target.GeneLoss::score;
  const double cost = duplications + losses;
  SpeciesNode* pruned = speciesTree->nodes[static_cast<std::size_t>(pruneIndex)];
  if (cost < currentScore) {
    improved = true;
    bestMoves.clear();
    bestMoves.emplace_back(pruned, &target);
    currentScore = cost;
    if (!quiet)
      std::cout << "\rCurrent best score: " << duplications << " + " << losses << " = " << currentScore
                << "         ";
    std::cout.flush();
  } else if (cost == currentScore && improved) {
    bestMoves.emplace_back(pruned, &target);
  }
}

}  // namespace localsearch
