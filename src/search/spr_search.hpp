#pragma once
// The SPR local search: steepest descent over rooted subtree-prune-and-
// regraft moves. A cycle prunes every non-root node in turn (in node
// order), scores all its admissible regrafts at once and keeps those of
// lowest weighted cost; one of them, drawn at random, is applied. Unrooted
// gene trees count at their cheapest rooting: fixed between cycles, and,
// once no move improves, chosen per regraft position for one more cycle
// (scored in the same pass as the cycle before it where that one mostly
// finds nothing, see run()).
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
  // The lowest cost met so far, and every regraft (pruned, target) of that
  // cost met since the last strict improvement, in visiting order.
  struct CycleBest {
    double score = std::numeric_limits<double>::infinity();
    double duplications = 0, losses = 0;  // its parts, weighted
    bool improved = true;                 // a strict improvement in the running cycle
    std::vector<std::pair<NodeId, NodeId>> moves;
  };

  // A cycle; alongside: the cycle under every rooting that would follow
  // it if it finds no improvement is scored as well (see run()).
  void runCycle(bool everyRooting, bool alongside);
  // Applies a cycle's outcome: a move, or the next kind of cycle; whether
  // the search ends.
  bool endCycle(bool& everyRooting);
  void showProgress(NodeId pruned, bool cycleEnd);
  long long elapsedSeconds() const;
  // Scores the regrafts of x and offers them; bothKinds: at fixed
  // rootings to best_ and under every rooting to everyRootingBest_.
  void scoreRegrafts(NodeId x, NodeId formerSibling, bool everyRooting, bool bothKinds);
  // Offers the regraft of x above y, of the given counts, to a cycle's best.
  void offer(CycleBest& best, NodeId x, NodeId y, double duplicationCount, double lossCount);
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
  // Cycles under every rooting may be scored alongside those at fixed
  // rootings (over the whole species tree, where the scores at fixed
  // rootings are kept apart in the same pass).
  bool scoreAlongside_ = false;
  bool movedUnderEveryRooting_ = false;  // the last move was found under every rooting
  SpeciesIndex index_;
  ParallelRegraftScorer scorer_;

  CycleBest best_;
  CycleBest everyRootingBest_;  // of the cycle scored alongside
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
