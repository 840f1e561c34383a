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
// present or at their cheapest rooting per position under the cost
// weights) and the leaf-adding builder (partial: the new species is x,
// gene leaves of species not yet in the tree are left out, losses are
// counted in restricted trees).
//
// All state lives here, in arrays indexed by node number: one scorer per
// worker, and the trees are only read.

#include <array>
#include <cstdint>
#include <vector>

#include "reconcile/cost_model.hpp"
#include "reconcile/gene_scratch.hpp"
#include "reconcile/reconciliation.hpp"
#include "reconcile/relevant_tree.hpp"
#include "reconcile/species_index.hpp"
#include "tree/gene_tree.hpp"
#include "tree/species_tree.hpp"

namespace dls {

class RegraftScorer {
 public:
  // The cost weights choose the cheapest rootings; the scores are counts.
  RegraftScorer(const CostModel& model, bool partial)
      : scope_(model.scope),
        weights_(model.weights),
        equalWeights_(model.weights.duplication == model.weights.loss),
        partial_(partial) {}

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

  NodeId remainingRoot() const { return r_; }
  // Totals for the regraft above y, a node of the remaining tree.
  double duplications(NodeId y) const { return scores_[at(y)].duplications; }
  double losses(NodeId y) const { return scores_[at(y)].losses; }

 private:
  // How one rooting's values enter a position's scores: accumulated for
  // finish() (a gene tree at a fixed rooting), or, for unrooted gene trees
  // under all rootings, replacing the kept rooting's (the first rooting) or
  // replacing it only when strictly cheaper (every further rooting).
  enum class Combine { accumulate, replace, keepCheaper };

  struct Scores {
    double duplications = 0, losses = 0;
    double rootingDuplications = 0, rootingLosses = 0;  // the kept rooting of the gene tree at hand
  };
  // Duplications: frontier gene nodes mapped to a species node whose
  // sibling lies below x (here), and frontier pairs split there with the
  // frontier node on child 1's side (child0) or on child 0's side (child1);
  // value: a position's duplications, carried down the pre-order pass.
  struct DuplicationCounters {
    double here = 0, child0 = 0, child1 = 0, value = 0;
  };
  // Losses (see lossCountersAt), and the values carried down the pre-order
  // passes.
  struct LossCounters {
    double local = 0, inheritedPlus = 0, inheritedMinus = 0, depth = 0, sibling = 0, siblingDepth = 0;
    double lossDelta = 0;  // change of the loss count for a regraft above this node
    double k = 0, k1 = 0, k2 = 0;
  };
  using Counter = double LossCounters::*;

  static std::size_t at(NodeId v) { return static_cast<std::size_t>(v); }

  template <bool kPartial>
  void addAtPresentRooting(const GeneTree& tree, const RootEdge& edge, double weight);
  template <bool kPartial>
  void scoreRooting(const GeneRooting& rooting, const RelevantTree& relevant, double weight, Combine combine);
  template <bool kPartial>
  void countFrontier(const GeneRooting& rooting);
  template <bool kPartial>
  void lossCountersAt(const RelevantTree& relevant, NodeId g, NodeId c0, NodeId c1);
  void convertSiblingCounters(const RelevantTree& relevant, NodeId start);
  template <class Visit>
  void sumDown(const RelevantTree& relevant, NodeId start, Visit&& visit);
  template <class AtNode, class AtSubtree>
  void forEachLossChange(const RelevantTree& relevant, NodeId start, AtNode&& atNode, AtSubtree&& atSubtree);
  void accumulateLossChanges(const RelevantTree& relevant, NodeId start, double weight);
  double duplicationValueAt(NodeId v, double duplicationBase, double weight);
  void walkDuplicationValues(double duplicationBase, double lossBase, double weight, Combine combine);
  void transferLossChanges(const RelevantTree& relevant, NodeId start, double weight, Combine combine);
  void combineAt(NodeId v, double duplicationValue, double lossBase, double weight, Combine combine);
  void clearLossCounters(NodeId v);
  void countDuplication(NodeId v, double DuplicationCounters::*counter);
  void clearDuplicationCounters();
  // Unrooted gene trees under all rootings, losses over the whole species
  // tree: one pass for the present rooting, then a walk to the cheapest
  // rooting for each position.
  void addAtCheapestRootings(const GeneTree& tree, const RootEdge& edge, double weight);
  // A side of a gene-tree edge: the mapping of its gene leaves with x at the
  // root, and that of those in the remaining tree (kNoNode if none); and
  // what placing x asks of them: where the mapping lies, the in-order
  // number of the mapping (of the remaining one when it spans both), and
  // the mapping's depth with x at the root.
  enum class Lies : std::uint8_t { remaining, inX, both };
  struct Side {
    NodeId mapping, remaining;
    Lies lies;
    std::uint32_t number;
    std::int64_t depth;
  };
  // The moves of the root from the edge {from, over} across over, to
  // {over, to[k]}: the sides of to[k] and of over away from to[k]; with
  // the sides of the edge's ends, and of over's other neighbours.
  struct Moves {
    NodeId from, over, to[2];
    Side fromSide, overSide, toSide[2], joined[2];
    bool any;  // over is an inner node
  };
  // A regraft position y with what the walk asks of it.
  struct Position {
    NodeId y;
    std::int64_t depth;
    std::uint32_t first, last;  // in-order numbers of y's subtree
  };
  Side sideOf(NodeId mapping, NodeId remaining) const;
  Side side(const GeneRooting& rooting, NodeId n, NodeId toward) const;
  Moves movesAcross(const GeneRooting& rooting, NodeId from, NodeId over) const;
  // A side's mapping and its depth with x regrafted above y (x's new
  // parent stands as root_).
  struct Mapped {
    NodeId node;
    std::int64_t depth;
  };
  Mapped mapped(const Side& s, const Position& at) const;
  // The duplication and losses of a gene node mapped to m, its children to
  // m0 and m1.
  static GeneTreeCost nodeCost(const Mapped& m, const Mapped& m0, const Mapped& m1);
  // Whether the root's step that changes the counts by a, from a rooting
  // whose counts differ by total from the present one's, leads to a
  // cheaper rooting than the step of change b (no change: staying), under
  // unequal weights (under equal ones the changes' sums decide, as whole
  // numbers). Without a loss weight, fewer losses decide between equal
  // duplications: by duplications alone a rooting that is not cheapest may
  // have no cheaper neighbour, by duplications and then losses it has one,
  // as under any loss weight.
  bool cheaper(const GeneTreeCost& total, const GeneTreeCost& a, const GeneTreeCost& b) const {
    const auto cost = [&](const GeneTreeCost& c) {
      return weights_.of(static_cast<double>(total.duplications + c.duplications),
                         static_cast<double>(total.losses + c.losses));
    };
    const double costA = cost(a), costB = cost(b);
    return costA < costB || (weights_.loss == 0 && costA == costB && a.losses < b.losses);
  }
  // Every position walks from the present rooting, whose side of all gene
  // leaves and first moves are given, to a cheapest rooting, and adds the
  // change of the counts to its scores.
  template <bool kEqualWeights>
  void walkToCheapest(const Side& all, const Moves (&start)[2], double weight);

  // Where the counters of the next gene tree go: the accumulated ones, each
  // count weighted, or the gene tree's own.
  void countInto(bool accumulated, bool accumulatedLosses, double weight);

  // Helpers of the loss counters, on relevant-tree links.
  void climb(const RelevantTree& relevant, NodeId a, NodeId b, Counter counter);
  NodeId climbBelow(const RelevantTree& relevant, NodeId a, NodeId b, Counter counter);
  void addBelow(const RelevantTree& relevant, NodeId s, Counter counter);
  void add(NodeId v, Counter counter) { loss_[at(v)].*counter += lossAmount_; }
  void rootPath(const RelevantTree& relevant, NodeId s);
  static NodeId other(const RelevantTree& relevant, NodeId u, NodeId v) {
    return relevant.child(u, 0) == v ? relevant.child(u, 1) : relevant.child(u, 0);
  }
  double step(NodeId v, double childCounter, double weight) const { return (dup_[at(v)].here - childCounter) * weight; }

  const LossScope scope_;
  const CostWeights weights_;
  const bool equalWeights_;
  const bool partial_;
  const SpeciesTree* species_ = nullptr;
  const SpeciesIndex* index_ = nullptr;
  NodeId x_ = kNoNode, r_ = kNoNode, root_ = kNoNode;
  RelevantTree wholeTree_;
  GeneScratch scratch_;
  std::vector<NodeId> secondary_;  // per gene node: its mapping with x taken out
  TreeTour tour_;
  std::vector<NodeId> region_, frontier_;
  std::vector<Scores> scores_;

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
  DuplicationCounters* dup_ = nullptr;  // where counts go now, and by how much
  LossCounters* loss_ = nullptr;
  double duplicationAmount_ = 1, lossAmount_ = 1;
  std::vector<NodeId> counted_;  // species nodes whose duplication counters of one gene tree are set

  // Per name, its species leaf when in the remaining tree, else kNoNode; and
  // per gene node and neighbour slot, the mapping of that side's gene leaves
  // in the remaining tree (as GeneScratch::directed).
  std::vector<NodeId> leafInRemaining_;
  std::vector<std::array<NodeId, 3>> remainingDirected_;
  std::vector<NodeId> remainingMap_, remainingUp_;
};

}  // namespace dls
