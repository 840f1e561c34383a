#pragma once
// Scoring every regraft position of a pruned species subtree at once.
//
// The pruned subtree x hangs from the species root beside the remaining
// tree, whose root is r. Each gene tree is reconciled once with this tree;
// counters on the species nodes then turn that one result into its
// duplications and losses for every tree obtained by regrafting x onto the
// edge above a node y of the remaining tree, summed over the gene trees in
// y's scores. No candidate tree is ever built.
//
// Serves the SPR search (weighted gene trees, unrooted ones at their
// present or at their cheapest rooting per position) and the leaf-adding
// builder (partial: the new species is x, gene leaves of species not yet
// in the tree are left out, losses are counted in restricted trees).
//
// All state lives here, in arrays indexed by node number: one scorer per
// worker, and the trees are only read.

#include <cstdint>
#include <vector>

#include "common/options.hpp"
#include "reconcile/gene_scratch.hpp"
#include "reconcile/relevant_tree.hpp"
#include "reconcile/species_index.hpp"
#include "tree/gene_tree.hpp"
#include "tree/species_tree.hpp"

class RegraftScorer {
 public:
  RegraftScorer(LossScope scope, bool partial) : scope_(scope), partial_(partial) {}

  // Starts the scores of the regrafts of x, which hangs from the root of
  // the species tree; index describes the tree's present shape. Both must
  // stay unchanged until the scores are read.
  void begin(const SpeciesTree& species, const SpeciesIndex& index, NodeId x);
  // Adds one gene tree, at its present rooting, to every position.
  void addGeneTree(const GeneTree& tree, double weight);
  // Adds an unrooted gene tree at its cheapest rooting for each position.
  void addGeneTreeAtEveryRooting(const GeneTree& tree, double weight);

  NodeId remainingRoot() const { return r_; }
  // Totals for the regraft above y, a node of the remaining tree.
  double duplications(NodeId y) const { return scores_[at(y)].duplications; }
  double losses(NodeId y) const { return scores_[at(y)].losses; }

 private:
  // How one rooting's values enter a position's scores: added (a gene tree
  // at a fixed rooting), or, for unrooted gene trees under all rootings,
  // replacing the kept rooting's (the first rooting) or replacing it only
  // when strictly cheaper (every further rooting).
  enum class Combine { add, replace, keepCheaper };

  struct Scores {
    double duplications = 0, losses = 0;
    double rootingDuplications = 0, rootingLosses = 0;  // the kept rooting of the gene tree at hand
  };
  // The per-gene-tree counters of one species node.
  struct Counters {
    // Duplications: frontier gene nodes mapped here whose sibling lies
    // below x, and frontier pairs split here with the frontier node on
    // child 1's side (child0) or on child 0's side (child1).
    std::uint32_t here = 0, child0 = 0, child1 = 0;
    // Losses (see lossCountersAt).
    std::int32_t local = 0, inheritedPlus = 0, inheritedMinus = 0, depth = 0, sibling = 0, siblingDepth = 0;
    std::int32_t lossDelta = 0;  // change of the loss count for a regraft above this node
    // Values carried down the pre-order passes.
    std::int32_t k = 0, k1 = 0, k2 = 0;
    double duplicationValue = 0;
  };
  using Counter = std::int32_t Counters::*;

  static std::size_t at(NodeId v) { return static_cast<std::size_t>(v); }

  template <bool kPartial>
  void addAtPresentRooting(const GeneTree& tree, double weight);
  template <bool kPartial>
  void scoreRooting(const GeneRooting& rooting, const RelevantTree& relevant, double weight, Combine combine);
  template <bool kPartial>
  void countFrontier(const GeneRooting& rooting);
  template <bool kPartial>
  void lossCountersAt(const RelevantTree& relevant, NodeId g, NodeId c0, NodeId c1);
  void convertSiblingCounters(const RelevantTree& relevant, NodeId start);
  template <class Visit>
  void sumDown(const RelevantTree& relevant, NodeId start, Visit&& visit);
  void scoreWholeTree(const RelevantTree& relevant, double duplicationBase, double lossBase, double weight,
                      Combine combine);
  double duplicationValueAt(NodeId v, double duplicationBase, double weight);
  void walkDuplicationValues(double duplicationBase, double lossBase, double weight, Combine combine);
  void transferLossChanges(const RelevantTree& relevant, NodeId start, double weight, Combine combine);
  void combineAt(NodeId v, double duplicationValue, double lossBase, double weight, Combine combine);
  void clearLossCounters(NodeId v);
  void clearAllLossCounters();
  void clearDuplicationCounters();

  // Helpers of the loss counters, on relevant-tree links.
  void climb(const RelevantTree& relevant, NodeId a, NodeId b, Counter counter);
  NodeId climbBelow(const RelevantTree& relevant, NodeId a, NodeId b, Counter counter);
  void addBelow(const RelevantTree& relevant, NodeId s, Counter counter);
  void rootPath(const RelevantTree& relevant, NodeId s);
  static NodeId other(const RelevantTree& relevant, NodeId u, NodeId v) {
    return relevant.child(u, 0) == v ? relevant.child(u, 1) : relevant.child(u, 0);
  }
  double step(NodeId v, std::uint32_t childCounter, double weight) const {
    return (static_cast<double>(counters_[at(v)].here) - static_cast<double>(childCounter)) * weight;
  }

  const LossScope scope_;
  const bool partial_;
  const SpeciesTree* species_ = nullptr;
  const SpeciesIndex* index_ = nullptr;
  NodeId x_ = kNoNode, r_ = kNoNode, root_ = kNoNode;
  RelevantTree wholeTree_;
  GeneScratch scratch_;
  std::vector<NodeId> secondary_;  // per gene node: its mapping with x taken out
  TreeTour tour_;
  std::vector<NodeId> region_, frontier_;
  std::vector<Counters> counters_;
  std::vector<Scores> scores_;
  std::vector<NodeId> counted_;  // species nodes whose duplication counters are set
};
