#pragma once
// The regraft scores of a pruned subtree summed over many gene trees by a
// team of workers. The gene trees are cut into blocks of consecutive trees
// by their sizes alone; each block is scored whole by one worker (its own
// RegraftScorer), and the blocks' sums are added in block order. So the
// scores, to the last bit, do not depend on the number of workers.
//
// In a run of several processes each holds the blocks of its share of the
// gene trees, cut where the blocks of all of them are cut (see
// geneTreeBlocks); the ranks' sums are folded in rank order, so that the
// scores do not depend on the number of processes either.

#include <atomic>
#include <cstddef>
#include <vector>

#include "common/process_group.hpp"
#include "common/worker_team.hpp"
#include "reconcile/cost_model.hpp"
#include "scoring/placed_costs.hpp"
#include "scoring/regraft_scorer.hpp"
#include "scoring/scored_gene_trees.hpp"

namespace dls {

constexpr std::size_t kMinBlockNodes = 4096;
// Blocks per worker where the sums are exact in any order (see
// sumsAreExact): enough for several workers to share the work evenly (one
// worker takes one block).
constexpr std::size_t kBlocksPerWorker = 4;

// Where the blocks of the gene trees, in the order given, begin, and past
// the last one their end: a block holds at least max(minBlockNodes,
// 16 x speciesCount) gene-tree nodes (so that its pass over the species
// tree stays small beside its gene trees), but the last.
std::vector<std::size_t> geneTreeBlocks(const std::vector<ScoredGeneTree>& trees, std::size_t speciesCount,
                                        std::size_t minBlockNodes = kMinBlockNodes);

// Whether the blocks' scores of these trees add up to the same bits in any
// order and however the blocks are cut (the builder's partial trees all
// count once).
bool sumsAreExact(const std::vector<ScoredGeneTree>& trees, std::size_t speciesCount, bool partial);

class ParallelRegraftScorer {
 public:
  // partial: the leaf-adding builder's scores, every gene tree counted
  // once; otherwise the search's, each gene tree by its weight. A block
  // holds at least minBlockNodes gene-tree nodes (tests make it small).
  // The cost weights choose the cheapest rootings (see RegraftScorer).
  ParallelRegraftScorer(const CostModel& model, bool partial, WorkerTeam& team, ProcessGroup& processes,
                        std::size_t minBlockNodes = kMinBlockNodes);

  // This process's gene trees, in the order their scores are summed, the
  // edges they are rooted on (null: as read; both stay with the caller, who
  // may change the edges between scorings), and the number of species.
  void setGeneTrees(const std::vector<ScoredGeneTree>& trees, const std::vector<RootEdge>* rootings,
                    std::size_t speciesCount);

  // Scores every regraft of x, which hangs from the root of the species
  // tree (see RegraftScorer); under everyRooting, unrooted gene trees count
  // at their cheapest rooting for each position. formerSibling: x's
  // sibling before it was pruned, if the caller knows it (kNoNode if not):
  // then the gene trees are counted once in the tree as it was before the
  // pruning, for all prunings from that tree (the search's cycle, until the
  // tree or the rootings change), and each pruning counts again only the
  // gene nodes above the genes of x (see RegraftScorer::addUnpruned).
  // alsoFixed (under everyRooting, over the whole species tree): the
  // scores at the present rootings are kept as well (see
  // RegraftScorer::keepFixedScores).
  void score(const SpeciesTree& species, const SpeciesIndex& index, NodeId x, bool everyRooting,
             NodeId formerSibling = kNoNode, bool alsoFixed = false);

  NodeId remainingRoot() const { return r_; }
  // The number of times the counts in an unpruned tree were made for the
  // blocks (tests).
  unsigned long long unprunedCountings() const { return unprunedCountings_; }
  // How many times a tree under every rooting was counted in an unpruned
  // tree, and how many of those it was to be walked (tests).
  unsigned long long unrootedCountedFromUnpruned() const { return unrootedCountedFromUnpruned_; }
  unsigned long long unrootedWalkedFromUnpruned() const { return unrootedWalkedFromUnpruned_; }
  double duplications(NodeId y) const { return duplications_[static_cast<std::size_t>(y)]; }
  double losses(NodeId y) const { return losses_[static_cast<std::size_t>(y)]; }
  // After a score() with alsoFixed only.
  double fixedDuplications(NodeId y) const { return fixedDuplications_[static_cast<std::size_t>(y)]; }
  double fixedLosses(NodeId y) const { return fixedLosses_[static_cast<std::size_t>(y)]; }

 private:
  WorkerTeam& team_;
  ProcessGroup& processes_;
  const bool partial_;
  const std::size_t minBlockNodes_;
  std::vector<RegraftScorer> scorers_;           // one per worker
  std::vector<unsigned long long> scorerRound_;  // the round of score() each has begun
  unsigned long long round_ = 0;
  const std::vector<ScoredGeneTree>* trees_ = nullptr;
  const std::vector<RootEdge>* rootings_ = nullptr;
  std::vector<std::size_t> blockStarts_;  // block b is trees_[blockStarts_[b] .. blockStarts_[b + 1])
  // Per block, per position of the remaining tree (in its pre-order):
  // duplications, then losses (and then those at fixed rootings, if kept).
  std::vector<double> blockScores_;
  std::vector<double> sums_;                             // per position: the same, summed
  std::vector<double> duplications_, losses_;            // per species node
  std::vector<double> fixedDuplications_, fixedLosses_;  // the same at fixed rootings (alsoFixed)
  NodeId r_ = kNoNode;

  // Keeps unpruned_ the tree before the pruning: true if it is the same as
  // for the last scoring, with the same rootings and everyRooting.
  bool keepUnprunedTree(const SpeciesTree& species, NodeId x, NodeId formerSibling, bool everyRooting);
  // Scores a block the plain way, every gene tree whole.
  void scoreBlock(RegraftScorer& scorer, std::size_t block, bool everyRooting);
  bool countedFromUnpruned(unsigned worker, std::size_t block, bool everyRooting);
  void scorePlacedBlock(RegraftScorer& scorer, std::size_t block, NameId species);
  void scoreBlockFromUnpruned(RegraftScorer& scorer, UnprunedCounts& counts, std::size_t block, NodeId formerSibling);

  const CostModel model_;
  UnprunedTree unpruned_;
  SpeciesTree candidate_;                   // the tree before the pruning, to compare with unpruned_
  std::vector<RootEdge> unprunedRootings_;  // the rootings unpruned_'s counts were made with
  bool unprunedEveryRooting_ = false;
  unsigned long long unprunedVersion_ = 0;  // 0: no unpruned tree yet
  std::atomic<unsigned long long> unprunedCountings_{0}, unrootedCountedFromUnpruned_{0},
      unrootedWalkedFromUnpruned_{0};
  std::vector<UnprunedCounts> blockCounts_;   // per block
  std::vector<GeneScratch> countingScratch_;  // per worker
  std::vector<NodeId> prunedLeaves_;          // the species leaves of x
  PlacedCosts placed_;                        // the builder's trees in the placed species' tree
};

}  // namespace dls
