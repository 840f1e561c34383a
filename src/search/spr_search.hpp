#pragma once
// The SPR local search: steepest descent over rooted subtree-prune-and-
// regraft moves. A cycle prunes every non-root node in turn (in node
// order), scores all its admissible regrafts at once and keeps those of
// lowest weighted cost; one of them, drawn at random, is applied. Unrooted
// gene trees count at their cheapest rooting: fixed between cycles, and,
// once no move improves, chosen per regraft position for one more cycle.
// The search ends when that cycle improves nothing either. Costs weigh
// duplications and losses by the cost weights. The gene trees are only
// read: the search keeps the rooting of each.

#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "common/random.hpp"
#include "reconcile/species_index.hpp"
#include "scoring/parallel_regraft_scorer.hpp"
#include "scoring/stage_context.hpp"
#include "tree/species_tree.hpp"

namespace dls {

struct SearchResult {
  double cost = 0;  // weighted reconciliation cost of the final tree
  unsigned moves = 0;
  long long seconds = 0;  // the time it took
};

class SprSearch {
 public:
  // stop: set (by the keyboard interrupt) to end the search after the
  // cycle in progress. With several processes, the input's gene trees are
  // this one's share, and the processes search in step.
  SprSearch(SpeciesTree& species, const ScoringInput& input, Random& random, const StageContext& context,
            const std::atomic<bool>& stop);

  // Improves the species tree in place; the unrooted gene trees end at
  // their cheapest rooting for it.
  SearchResult run();
  // The edge each gene tree is rooted on, by position in the input's list.
  const std::vector<RootEdge>& rootings() const { return rootings_; }

 private:
  void runCycle(bool everyRooting);
  void showProgress(NodeId pruned, bool cycleEnd);
  long long elapsedSeconds() const;
  void scoreRegrafts(NodeId x, NodeId formerSibling, bool everyRooting);
  void offer(NodeId x, NodeId y);
  // Roots the unrooted gene trees at their cheapest rootings for the
  // species tree, unless they are already (no move since the last time).
  void rootGeneTreesAtCheapest();

  SpeciesTree& species_;
  const ScoringInput input_;
  Random& random_;
  const StageContext context_;
  const std::atomic<bool>& stop_;
  std::vector<RootEdge> rootings_;
  bool rootedAtCheapest_ = false;  // rootings_ are cheapest for species_ as it stands
  bool anyUnrooted_ = false;       // some gene tree, of any process, is unrooted
  SpeciesIndex index_;
  ParallelRegraftScorer scorer_;

  double currentScore_ = std::numeric_limits<double>::infinity();  // lowest cost met so far
  double currentDuplications_ = 0, currentLosses_ = 0;             // its parts, weighted
  bool improved_ = true;                                           // a strict improvement in the running cycle
  // Every regraft (pruned, target) of cost currentScore_ met since the last
  // strict improvement, in visiting order.
  std::vector<std::pair<NodeId, NodeId>> bestMoves_;
  unsigned moves_ = 0;
  unsigned cycle_ = 0;  // the running cycle, from 1
  std::chrono::steady_clock::time_point start_;
};

// Whether a weighted cost is lower than another. Sums of weights such as 0.1
// round differently in different orders: costs within a relative 1e-9 of
// each other are the same cost. Whole and binary-fraction weights sum
// exactly, and their costs differ by far more.
inline bool isLowerCost(double cost, double than) {
  return std::isfinite(than) ? cost < than - 1e-9 * std::abs(than) : cost < than;
}

}  // namespace dls
