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
    runCycle(everyRooting);
    if (improved_) {
      improved_ = false;
      everyRooting = false;
      if (!bestMoves_.empty()) {
        ++moves_;
        const auto& move = bestMoves_[random_.next() % bestMoves_.size()];
        species_.moveSubtree(move.first, move.second);
        rootedAtCheapest_ = false;
        rootGeneTreesAtCheapest();
      }
    } else {
      rootGeneTreesAtCheapest();
      if (everyRooting) break;
      bestMoves_.clear();
      everyRooting = true;
    }
    if (context_.processes.anyRank(stop_.load())) break;
  }
  // A species tree of one leaf has no regraft to score.
  if (species_.size() == 1) {
    rootGeneTreesAtCheapest();
    const std::vector<GeneTreeCost> counts = countAt(species_, input_.genes, rootings_, input_.model, context_.team);
    currentScore_ = weightedCost(input_.genes, counts, input_.model.weights, context_.processes);
  }
  // Weights so large that the sum leaves the range of double: no regraft
  // could be told from another, and no cost is a result.
  if (!std::isfinite(currentScore_)) throw CostNotFinite();
  console.line("Number of rSPR tree edit operations: " + std::to_string(moves_));
  console.line("Final weighted reconciliation cost: " + formatCost(currentScore_));
  return {currentScore_, moves_, elapsedSeconds()};
}

void SprSearch::runCycle(bool everyRooting) {
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
  for (NodeId x = 0; x < count; ++x) {
    if (x == species_.root()) continue;
    if (context_.console.progressDue()) showProgress(x, false);
    const NodeId p = species_.parent(x);
    const int slot = species_.child(p, 0) == x ? 0 : 1;
    const NodeId sibling = species_.child(p, 1 - slot);
    species_.moveSubtree(x, species_.root());
    scoreRegrafts(x, sibling, everyRooting);
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
  if (currentScore_ < std::numeric_limits<double>::infinity())
    text += ", best score " + formatCost(currentDuplications_) + " + " + formatCost(currentLosses_) + " = " +
            formatCost(currentScore_);
  text += ", elapsed " + formatElapsed(elapsedSeconds());
  if (cycleEnd)
    context_.console.progressStep(text);
  else
    context_.console.progress(text);
}

void SprSearch::scoreRegrafts(NodeId x, NodeId formerSibling, bool everyRooting) {
  index_.rebuild(species_);
  scorer_.score(species_, index_, x, everyRooting, formerSibling);
  // x's parent is the root now: x must go back into its clade.
  const CladeId moving = species_.clade(species_.root());
  const NodeId r = scorer_.remainingRoot();
  const std::vector<NodeId>& order = index_.preorder();
  for (std::uint32_t i = index_.begin(r); i < index_.end(r); ++i)
    if (species_.canRegraftAbove(order[i], r, moving)) offer(x, order[i]);
}

void SprSearch::offer(NodeId x, NodeId y) {
  const CostWeights& weights = input_.model.weights;
  const double duplications = weights.duplication * scorer_.duplications(y);
  const double losses = weights.loss * scorer_.losses(y);
  const double cost = duplications + losses;
  if (isLowerCost(cost, currentScore_)) {
    improved_ = true;
    bestMoves_.assign(1, {x, y});
    currentScore_ = cost;
    currentDuplications_ = duplications;
    currentLosses_ = losses;
  } else if (!isLowerCost(currentScore_, cost) && improved_) {
    bestMoves_.emplace_back(x, y);
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
