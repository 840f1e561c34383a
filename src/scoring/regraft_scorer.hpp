#pragma once
// Scoring every regraft position of a pruned species subtree at once.
//
// The pruned subtree x hangs from the species root beside the remaining
// tree, whose root is r (see RegraftContext). Each gene tree is reconciled
// once with this tree; counters on the species nodes then turn that one
// result into its duplications and losses for every tree obtained by
// regrafting x onto the edge above a node y of the remaining tree, summed
// over the gene trees in y's scores. No candidate tree is ever built.
//
// Serves the SPR search (weighted gene trees, unrooted ones at their
// present or at their cheapest rooting per position under the cost
// weights) and the leaf-adding builder (partial: the new species is x,
// gene leaves of species not yet in the tree are left out, losses are
// counted in restricted trees).
//
// Duplications are counted here (the frontier of each gene tree, see
// regraft_scorer.cpp); losses by LossChanges; unrooted gene trees walk to
// their cheapest rootings by CheapestRootingWalk. All state lives in
// arrays indexed by node number: one scorer per worker, and the trees are
// only read.
//
// Counts are whole numbers until the end: the gene trees of one weight add
// up their counts (exact in a double below 2^53), and a weight multiplies
// the counts of its trees only when they are final, per position. Weights
// far apart (1 and 1e18) then never cancel each other's counts out.

#include <cstdint>
#include <vector>

#include "reconcile/cost_model.hpp"
#include "reconcile/gene_scratch.hpp"
#include "reconcile/reconciliation.hpp"
#include "reconcile/relevant_tree.hpp"
#include "scoring/cheapest_rooting_walk.hpp"
#include "scoring/loss_changes.hpp"
#include "scoring/regraft_context.hpp"
#include "scoring/unpruned_counts.hpp"
#include "tree/gene_tree.hpp"

namespace dls {

class RegraftScorer {
 public:
  // At most this many weights are counted apart at once; a further one
  // first adds the counts of the others to the scores.
  static constexpr std::size_t kMaxGroups = 8;

  // The cost weights choose the cheapest rootings; the scores are counts.
  RegraftScorer(const CostModel& model, bool partial)
      : scope_(model.scope), weights_(model.weights), partial_(partial), walk_(model.weights) {}

  // Starts the scores of the regrafts of x, which hangs from the root of
  // the species tree; index describes the tree's present shape. Both must
  // stay unchanged until the scores are read.
  void begin(const SpeciesTree& species, const SpeciesIndex& index, NodeId x);
  // Starts the scores again, for other gene trees, x and the tree the same.
  void restart();
  // Adds one gene tree, rooted on `edge` (the builder's: as read), to every
  // position. Its counters are added to those of the gene trees before it,
  // weighted, and turned into scores by finish(): the cost of a gene tree
  // follows its size, not the species tree's.
  void addGeneTree(const GeneTree& tree, const RootEdge& edge, double weight);
  // Adds an unrooted gene tree at its cheapest rooting for each position,
  // from its present rooting on `edge`.
  void addGeneTreeAtEveryRooting(const GeneTree& tree, const RootEdge& edge, double weight);
  // Adds the counted gene trees of a block (the others are added one by
  // one) from their counts in the unpruned tree, where x hung above
  // formerSibling: only the gene nodes with a species of x below them, the
  // ancestors of the gene leaves of prunedLeaves (the species leaves of x),
  // are counted again. Over the whole species tree or in restricted trees,
  // at fixed rootings, not partial.
  void addUnpruned(UnprunedCounts& counts, const UnprunedTree& unpruned, const std::vector<NodeId>& prunedLeaves,
                   NodeId formerSibling);
  // Adds the counts of the gene trees added since begin() or restart(),
  // each weight's by the weight, to the scores.
  void finish();

  NodeId remainingRoot() const { return context_.r; }
  // Totals for the regraft above y, a node of the remaining tree.
  double duplications(NodeId y) const { return scores_[at(y)].duplications; }
  double losses(NodeId y) const { return scores_[at(y)].losses; }
  // Over the whole species tree, the unrooted gene trees under all
  // rootings are counted at their present rooting first, and the changes
  // to their cheapest are added apart: with this set (before begin() or
  // restart()), the totals at the present rootings are kept as well: the
  // same to the bit as scoring at fixed rootings gives, since the gene
  // trees add the same whole counts to the same weights' groups in the
  // same order, and only the changes are apart.
  void keepFixedScores(bool keep) { keepFixed_ = keep; }
  double fixedDuplications(NodeId y) const { return fixedScores_[at(y)].duplications; }
  double fixedLosses(NodeId y) const { return fixedScores_[at(y)].losses; }

 private:
  // How one rooting's values enter a position's scores: accumulated for
  // finish() (a gene tree at a fixed rooting), or, for unrooted gene trees
  // in restricted trees, rooting by rooting, replacing the kept rooting's
  // (the first rooting) or replacing it only when strictly cheaper (every
  // further rooting).
  enum class Combine { accumulate, replace, keepCheaper };

  // Duplications: frontier gene nodes mapped to a species node whose
  // sibling lies below x (here), and frontier pairs split there with the
  // frontier node on child 1's side (child0) or on child 0's side (child1);
  // value: a position's duplications, carried down the pre-order pass.
  struct DuplicationCounters {
    double here = 0, child0 = 0, child1 = 0, value = 0;
  };
  // Where a gene tree's counts go: the sums of the gene trees of its
  // weight, or the tree's own.
  struct CounterTarget {
    DuplicationCounters* duplications;
    LossTarget losses;
  };
  // The counts of the gene trees of one weight, added since the scores
  // started: counters over the whole species tree, where all gene trees
  // share the relevant tree; over restricted trees the loss changes, once
  // known, per subtree (summed down in finish()); the changes each position
  // makes to them (cheapest rootings); and the counts of the trees as they
  // are reconciled (bases).
  struct WeightGroup {
    double weight = 0;
    std::vector<DuplicationCounters> duplications;
    std::vector<LossCounters> losses;
    std::vector<double> lossInSubtree;
    std::vector<PositionScores> changes;
    double duplicationBase = 0, lossBase = 0;
  };

  static std::size_t at(NodeId v) { return static_cast<std::size_t>(v); }

  template <bool kPartial>
  void addAtPresentRooting(const GeneTree& tree, const RootEdge& edge, double weight);
  // Unrooted gene trees under all rootings, losses over the whole species
  // tree: one pass for the present rooting, then a walk to the cheapest
  // rooting for each position.
  void addAtCheapestRootings(const GeneTree& tree, const RootEdge& edge, double weight);
  // The group of the weight, started if new.
  WeightGroup& groupOf(double weight);
  // The block's groups, in order, with their counts in the unpruned tree.
  void addUnprunedGroups(const UnprunedCounts& counts, NodeId formerSibling);
  // touched_, listed species by species, into family order.
  void mergeTouchedRuns();
  // The gene trees of the block that hold one of the gene leaves listed in
  // touched_ (sorted by family), counted again.
  void addTouchedFamilies(UnprunedCounts& counts, const UnprunedTree& unpruned, NodeId formerSibling);
  // A family's gene nodes above its leaves in x (first .. last): their
  // counts in the unpruned tree taken off, their counts here added. The
  // spanning ones are left mapped to the root, their secondary mappings in
  // secondary_: the caller puts their mappings in U back from saved_.
  void addChangedNodes(UnprunedCounts& counts, const UnprunedCounts::Family& family,
                       const UnprunedCounts::Occurrence* first, const UnprunedCounts::Occurrence* last,
                       const UnprunedTree& unpruned, NodeId formerSibling, WeightGroup& group);
  void takeOffUnprunedCounts(const GeneRooting& rooting, const NodeId* map, const UnprunedTree& unpruned,
                             NodeId formerSibling, WeightGroup& group);
  // Marks the gene nodes above the leaves first .. last (map: their
  // mappings in U); lists in spanning_ those with species outside x too.
  void markChanged(const GeneRooting& rooting, const NodeId* map, const UnprunedCounts::Occurrence* first,
                   const UnprunedCounts::Occurrence* last);
  template <bool kPartial>
  void scoreRooting(const GeneRooting& rooting, const RelevantTree& relevant, Combine combine, const CounterTarget& to,
                    WeightGroup& group);
  template <bool kPartial>
  void countFrontier(const GeneRooting& rooting, const NodeId* map, const CounterTarget& to);
  void countDuplication(NodeId v, double DuplicationCounters::*counter, const CounterTarget& to);
  void clearDuplicationCounters();
  double duplicationValueAt(NodeId v, double duplicationBase, DuplicationCounters* counters) const;
  void walkDuplicationValues(double duplicationBase, double lossBase, Combine combine, const CounterTarget& to);
  void combineAt(NodeId v, double duplicationValue, double lossBase, Combine combine, const LossCounters* losses);
  void accumulateLossChanges(const RelevantTree& relevant, NodeId start, LossCounters* losses, WeightGroup& group);
  void transferLossChanges(const RelevantTree& relevant, NodeId start, Combine combine, LossCounters* losses);
  // The final counts of a group, by its weight, into the scores.
  void addToScores(WeightGroup& group);

  const LossScope scope_;
  const CostWeights weights_;
  const bool partial_;
  RegraftContext context_;
  CheapestRootingWalk walk_;
  RelevantTree wholeTree_;
  GeneScratch scratch_;
  std::vector<NodeId> secondary_;  // per gene node: its mapping with x taken out
  TreeTour tour_;
  std::vector<NodeId> region_, frontier_;
  std::vector<PositionScores> scores_;
  bool keepFixed_ = false;
  std::vector<PositionScores> fixedScores_;    // see keepFixedScores
  std::vector<PositionScores> rootingScores_;  // the kept rooting of the gene tree at hand

  // The counters of one gene tree, and of the groups of the gene trees
  // since the scores started (the first groupsInUse_ of groups_, kept with
  // their memory). Between gene trees the loss counters of one tree are
  // clear; its duplication counters are cleared when the next one starts
  // (counted_), and the values carried down the passes are written before
  // they are read.
  std::vector<DuplicationCounters> treeDuplications_;
  std::vector<LossCounters> treeLosses_;
  std::vector<WeightGroup> groups_;
  std::size_t groupsInUse_ = 0;
  std::vector<NodeId> counted_;  // species nodes whose duplication counters of one gene tree are set

  // The gene leaves of x in one block, and per gene node the stamp of the
  // last family it was changed in (changedStamp_); the changed nodes with
  // species on both sides, and their mappings in U.
  std::vector<UnprunedCounts::Occurrence> touched_;
  std::vector<std::size_t> touchedRuns_;            // where its runs of one species each begin, and its end
  std::vector<UnprunedCounts::Occurrence> merged_;  // a merge pass's output, then swapped in
  std::vector<std::size_t> mergedRuns_;
  std::vector<std::uint32_t> changedStamp_;
  std::uint32_t stamp_ = 0;
  std::vector<NodeId> spanning_, saved_;
};

}  // namespace dls
