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

#include <cstdint>
#include <vector>

#include "reconcile/cost_model.hpp"
#include "reconcile/gene_scratch.hpp"
#include "reconcile/reconciliation.hpp"
#include "reconcile/relevant_tree.hpp"
#include "scoring/cheapest_rooting_walk.hpp"
#include "scoring/loss_changes.hpp"
#include "scoring/regraft_context.hpp"
#include "tree/gene_tree.hpp"

namespace dls {

class RegraftScorer {
 public:
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
  // Adds the gene trees of addGeneTree to the scores.
  void finish();

  NodeId remainingRoot() const { return context_.r; }
  // Totals for the regraft above y, a node of the remaining tree.
  double duplications(NodeId y) const { return scores_[at(y)].duplications; }
  double losses(NodeId y) const { return scores_[at(y)].losses; }

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
  // Where a gene tree's counts go: the sums of all gene trees since
  // begin(), each count weighted, or the tree's own, each count 1.
  struct CounterTarget {
    DuplicationCounters* duplications;
    double duplicationAmount;
    LossTarget losses;
  };

  static std::size_t at(NodeId v) { return static_cast<std::size_t>(v); }

  template <bool kPartial>
  void addAtPresentRooting(const GeneTree& tree, const RootEdge& edge, double weight);
  // Unrooted gene trees under all rootings, losses over the whole species
  // tree: one pass for the present rooting, then a walk to the cheapest
  // rooting for each position.
  void addAtCheapestRootings(const GeneTree& tree, const RootEdge& edge, double weight);
  template <bool kPartial>
  void scoreRooting(const GeneRooting& rooting, const RelevantTree& relevant, double weight, Combine combine,
                    const CounterTarget& to);
  template <bool kPartial>
  void countFrontier(const GeneRooting& rooting, const CounterTarget& to);
  void countDuplication(NodeId v, double DuplicationCounters::*counter, const CounterTarget& to);
  void clearDuplicationCounters();
  double duplicationValueAt(NodeId v, double duplicationBase, double weight, DuplicationCounters* counters) const;
  void walkDuplicationValues(double duplicationBase, double lossBase, double weight, Combine combine,
                             const CounterTarget& to);
  void combineAt(NodeId v, double duplicationValue, double lossBase, double weight, Combine combine,
                 const LossCounters* losses);
  void accumulateLossChanges(const RelevantTree& relevant, NodeId start, double weight, LossCounters* losses);
  void transferLossChanges(const RelevantTree& relevant, NodeId start, double weight, Combine combine,
                           LossCounters* losses);

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
  std::vector<PositionScores> rootingScores_;  // the kept rooting of the gene tree at hand

  // The counters of one gene tree (unit counts) and those accumulated since
  // begin() (weighted counts): duplications always, losses over the whole
  // species tree, where all gene trees share the relevant tree. Between
  // gene trees the loss counters of one tree are clear; its duplication
  // counters are cleared when the next one starts (counted_), and the
  // values carried down the passes are written before they are read. Over
  // restricted trees a gene tree's loss changes are accumulated once known,
  // per subtree (lossInSubtree, summed down in finish()).
  std::vector<DuplicationCounters> treeDuplications_, accumulatedDuplications_;
  std::vector<LossCounters> treeLosses_, accumulatedLosses_;
  std::vector<double> lossInSubtree_;
  double accumulatedDuplicationBase_ = 0, accumulatedLossBase_ = 0;
  bool accumulatedAny_ = false;
  std::vector<NodeId> counted_;  // species nodes whose duplication counters of one gene tree are set
};

}  // namespace dls
