#pragma once
// The scoring machinery of the SPR search: for one pruned species node,
// the weighted duplication and loss totals of every regraft position, with
// unrooted gene trees at their present rooting or, per position, at their
// cheapest one; and the re-rooting of unrooted gene trees between cycles.

#include <ostream>

#include "driver/stage_options.hpp"
#include "search/regraft_scoring.hpp"
#include "search/search_tree_set.hpp"

namespace localsearch {

class Heuristic : public RegraftScoring<TreeSet, double, false> {
 public:
  // Weighted cost of the best rooting found so far for the gene tree being
  // re-rooted, and the ends of its root edge (child 0, child 1).
  double rootingScore = 0;
  GeneNodeUnrooted* bestRootEdge[2] = {nullptr, nullptr};

  ~Heuristic() override = default;

  // Called once per admissible regraft target while a pruned node is scored.
  virtual void scoreComputed(SpeciesNode& target) = 0;
  virtual void run(std::ostream& out, ReRoot reroot) = 0;
  virtual double getCurrentScore() = 0;

  // Scores every regraft position of x, which hangs from the species root:
  // leaves the duplication and loss totals in each node's scores, then
  // offers the admissible targets to scoreComputed.
  void computeGeneDuplications(SpeciesNode* x, bool allRootings);

  // Roots every unrooted gene tree on its edge of lowest weighted cost for
  // the current species tree (the present rooting unless strictly beaten).
  void computeBestRooting();

  // Tries every root edge below v for computeBestRooting.
  void moveRoot2(GeneTreeUnrooted& tree, GeneNodeUnrooted* v, double& best);

  // Tries every root edge below v under all-rootings scoring: each regraft
  // position keeps the cheaper of its stored and the new rooting.
  void moveRoot(GeneTreeUnrooted& tree, GeneNodeUnrooted* v, SpeciesNode* x, SpeciesNode* r);

  // Weighted cost of the current species tree, every unrooted gene tree at
  // its cheapest rooting (which it keeps).
  double costOfCurrentTree();

  // Calls scoreComputed on every admissible node below start, in pre-order.
  void forEachCallScoreComputed(SpeciesNode* x, SpeciesNode* start);

  void computeGeneDuplicationsTempReplace(SpeciesNode* v, double base, double lossBase, double weight);
  void computeGeneDuplicationsTempMin2(SpeciesNode* v, double dupBase, double lossBase, double weight);
  void addTempGeneDuplications(SpeciesNode* v);
  static void keepCheaperRooting(SpeciesNode* v, double dupBase, double lossBase, double weight);
  static void replaceByRooting(SpeciesNode* v, double dupBase, double lossBase);

 private:
  // All rootings of one unrooted gene tree, for the pruned node x.
  void scoreAllRootings(GeneTreeUnrooted& tree, SpeciesNode* x, SpeciesNode* r);
  // The reconciliation of one rooting for all-rootings scoring, on the
  // gene tree's relevant tree: frontier counters and clean loss counters.
  void prepareRooting(GeneTreeUnrooted& tree, SpeciesNode* x);
  // Weighted cost of an unrooted gene tree at its present rooting (mapped
  // in every direction, relevant tree built).
  double rootingCost(GeneTreeUnrooted& tree);
  void forEachCall(SpeciesNode* prunedParent, SpeciesNode* y);
};

std::ostream& operator<<(std::ostream& out, Heuristic& heuristic);

}  // namespace localsearch
