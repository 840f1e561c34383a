#include "search/spr_search.hpp"

#include <cmath>

#include "common/decimal_text.hpp"
#include "common/errors.hpp"
#include "reconcile/species_coverage.hpp"
#include "scoring/gene_tree_counts.hpp"
#include "scoring/scored_gene_trees.hpp"

namespace dls {

SprSearch::SprSearch(SpeciesTree& species, const ScoringInput& input, Random& random, const StageContext& context,
                     const std::atomic<bool>& stop)
    : species_(species),
      input_(input),
      random_(random),
      context_(context),
      stop_(stop),
      rootings_(rootingsAsRead(input.genes)),
      scorer_(input.model, /*partial=*/false, context.team, context.processes) {
  scorer_.setGeneTrees(input.genes, &rootings_, species.leaves().size());
  bool unrooted = false;
  for (const ScoredGeneTree& gene : input.genes) unrooted = unrooted || !gene.tree->rooted();
  anyUnrooted_ = context.processes.anyRank(unrooted);
  scoreAlongside_ = anyUnrooted_ && input.model.scope == LossScope::wholeSpeciesTree;
}

SearchResult SprSearch::run() {
  start_ = std::chrono::steady_clock::now();
  // Processes that hold shares of the gene trees cannot check alone: the
  // first checks all of them before it hands them out.
  Console& console = context_.console;
  if (context_.processes.size() == 1) checkSpeciesCoverage(species_, treesOf(input_.genes), input_.names, console);
  console.summariseWarnings();
  console.line("Computing...");
  bool everyRooting = false;
  for (;;) {
    // After a move found under every rooting, the cycle at fixed rootings
    // mostly finds none, and the cycle under every rooting that then
    // follows, on the same tree, is scored alongside it.
    const bool alongside = scoreAlongside_ && !everyRooting && movedUnderEveryRooting_;
    runCycle(everyRooting, alongside);
    const bool noneFound = !best_.improved;
    if (endCycle(everyRooting)) break;
    if (!alongside || !noneFound) continue;
    // The cycle under every rooting, scored already: its outcome.
    best_ = everyRootingBest_;
    ++cycle_;
    showProgress(static_cast<NodeId>(species_.size()), true);
    if (endCycle(everyRooting)) break;
  }
  // A species tree of one leaf has no regraft to score.
  if (species_.size() == 1) {
    rootGeneTreesAtCheapest();
    const std::vector<GeneTreeCost> counts = countAt(species_, input_.genes, rootings_, input_.model, context_.team);
    best_.score = weightedCost(input_.genes, counts, input_.model.weights, context_.processes);
  }
  // Weights so large that the sum leaves the range of double: no regraft
  // could be told from another, and no cost is a result.
  if (!std::isfinite(best_.score)) throw CostNotFinite();
  console.line("Number of rSPR tree edit operations: " + std::to_string(moves_));
  console.line("Final weighted reconciliation cost: " + formatCost(best_.score));
  return {best_.score, moves_, elapsedSeconds()};
}

bool SprSearch::endCycle(bool& everyRooting) {
  if (best_.improved) {
    best_.improved = false;
    movedUnderEveryRooting_ = everyRooting;
    everyRooting = false;
    if (!best_.moves.empty()) {
      ++moves_;
      const auto& move = best_.moves[random_.next() % best_.moves.size()];
      species_.moveSubtree(move.first, move.second);
      rootedAtCheapest_ = false;
      rootGeneTreesAtCheapest();
    }
  } else {
    rootGeneTreesAtCheapest();
    if (everyRooting) return true;
    best_.moves.clear();
    everyRooting = true;
  }
  return context_.processes.anyRank(stop_.load());
}

void SprSearch::runCycle(bool everyRooting, bool alongside) {
  ++cycle_;
  const NodeId count = static_cast<NodeId>(species_.size());
  // A cycle under every rooting follows one at fixed rootings that found no
  // improvement, on the same tree. Without unrooted gene trees it would
  // score every regraft as that one did and find none either: only its
  // progress line is shown.
  if (everyRooting && !anyUnrooted_) {
    showProgress(count, true);
    return;
  }
  // The cycle under every rooting scored alongside starts as it would after
  // this one: no improvement yet, no regraft kept.
  if (alongside) everyRootingBest_ = {best_.score, best_.duplications, best_.losses, false, {}};
  for (NodeId x = 0; x < count; ++x) {
    if (x == species_.root()) continue;
    if (context_.console.progressDue()) showProgress(x, false);
    const NodeId p = species_.parent(x);
    const int slot = species_.child(p, 0) == x ? 0 : 1;
    const NodeId sibling = species_.child(p, 1 - slot);
    species_.moveSubtree(x, species_.root());
    // Once this cycle improves, it ends with a move, and the other is not
    // needed.
    scoreRegrafts(x, sibling, everyRooting, /*bothKinds=*/alongside && !best_.improved);
    species_.moveSubtree(species_.child(species_.root(), slot), sibling);
  }
  showProgress(count, true);
}

// "Cycle C: pruned P/N, best score D + L = T, elapsed E", P counting the
// nodes before the given one (all of them at a cycle's end), D and L the
// weighted cost of the duplications and of the losses.
void SprSearch::showProgress(NodeId pruned, bool cycleEnd) {
  const NodeId count = static_cast<NodeId>(species_.size());
  const NodeId done = pruned - (species_.root() < pruned ? 1 : 0);
  std::string text = "Cycle " + std::to_string(cycle_) + ": pruned " + std::to_string(done) + "/" +
                     std::to_string(count == 0 ? 0 : count - 1);
  if (best_.score < std::numeric_limits<double>::infinity())
    text += ", best score " + formatCost(best_.duplications) + " + " + formatCost(best_.losses) + " = " +
            formatCost(best_.score);
  text += ", elapsed " + formatElapsed(elapsedSeconds());
  if (cycleEnd)
    context_.console.progressStep(text);
  else
    context_.console.progress(text);
}

void SprSearch::scoreRegrafts(NodeId x, NodeId formerSibling, bool everyRooting, bool bothKinds) {
  index_.rebuild(species_);
  scorer_.score(species_, index_, x, everyRooting || bothKinds, formerSibling, bothKinds);
  // x's parent is the root now: x must go back into its clade.
  const CladeId moving = species_.clade(species_.root());
  const NodeId r = scorer_.remainingRoot();
  const std::vector<NodeId>& order = index_.preorder();
  for (std::uint32_t i = index_.begin(r); i < index_.end(r); ++i) {
    const NodeId y = order[i];
    if (!species_.canRegraftAbove(y, r, moving)) continue;
    if (bothKinds) {
      offer(best_, x, y, scorer_.fixedDuplications(y), scorer_.fixedLosses(y));
      offer(everyRootingBest_, x, y, scorer_.duplications(y), scorer_.losses(y));
    } else {
      offer(best_, x, y, scorer_.duplications(y), scorer_.losses(y));
    }
  }
}

void SprSearch::offer(CycleBest& best, NodeId x, NodeId y, double duplicationCount, double lossCount) {
  const CostWeights& weights = input_.model.weights;
  const double duplications = weights.duplication * duplicationCount;
  const double losses = weights.loss * lossCount;
  const double cost = duplications + losses;
  if (isLowerCost(cost, best.score)) {
    best.improved = true;
    best.moves.assign(1, {x, y});
    best.score = cost;
    best.duplications = duplications;
    best.losses = losses;
  } else if (!isLowerCost(best.score, cost) && best.improved) {
    best.moves.emplace_back(x, y);
  }
}

long long SprSearch::elapsedSeconds() const {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start_).count();
}

// A rooting is replaced only by a strictly cheaper one: for the species
// tree they were made for, cheapest rootings stay as they are.
void SprSearch::rootGeneTreesAtCheapest() {
  if (rootedAtCheapest_) return;
  rootAtCheapest(species_, input_.genes, rootings_, input_.model, context_.team);
  rootedAtCheapest_ = true;
}

}  // namespace dls
