#pragma once
// The SPR local search: steepest descent over rooted subtree-prune-and-
// regraft moves with random choice among equally good moves, until no move
// lowers the weighted reconciliation cost.

#include <ostream>
#include <utility>
#include <vector>

#include "search/heuristic.hpp"

namespace localsearch {

class SimpleHeuristicRandom : public Heuristic {
 public:
  double currentScore = 4294967295.0;  // lowest total cost met so far
  bool improved = true;                // a strict improvement in the running cycle
  // Every regraft (pruned, target) of cost currentScore met since the last
  // strict improvement, in visiting order.
  std::vector<std::pair<SpeciesNode*, SpeciesNode*>> bestMoves;
  int pruneIndex = 0;  // node-list index of the node being pruned
  unsigned int numberOfMoves = 0;

  // Runs the search and writes the final species tree (Newick, ";", line
  // end) to out; stores the final cost in WEIGHTED_RECON_COST.
  void run(std::ostream& out, ReRoot reroot) override;
  void scoreComputed(SpeciesNode& target) override;
  double getCurrentScore() override { return currentScore; }

 private:
  // Prunes every non-root node in turn and scores all its regrafts.
  void runCycle(bool allRootings);
};

}  // namespace localsearch
