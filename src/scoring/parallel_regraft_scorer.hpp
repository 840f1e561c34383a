#pragma once
// The regraft scores of a pruned subtree summed over many gene trees by a
// team of workers. The gene trees are cut into blocks of consecutive trees
// by their sizes alone; each block is scored whole by one worker (its own
// RegraftScorer), and the blocks' sums are added in block order. So the
// scores, to the last bit, do not depend on the number of workers.

#include <cstddef>
#include <vector>

#include "common/options.hpp"
#include "common/worker_team.hpp"
#include "scoring/regraft_scorer.hpp"

class ParallelRegraftScorer {
 public:
  // partial: the leaf-adding builder's scores, every gene tree counted
  // once; otherwise the search's, each gene tree by its weight. A block
  // holds at least minBlockNodes gene-tree nodes (tests make it small).
  // The cost weights choose the cheapest rootings (see RegraftScorer).
  ParallelRegraftScorer(LossScope scope, const CostWeights& weights, bool partial, WorkerTeam& team,
                        std::size_t minBlockNodes = 4096);

  // The gene trees, in the order their scores are summed, and the number
  // of species (blocks grow with it, so that a block's pass over the
  // species tree stays small beside its gene trees).
  void setGeneTrees(std::vector<const GeneTree*> trees, std::size_t speciesCount);

  // Scores every regraft of x, which hangs from the root of the species
  // tree (see RegraftScorer); under everyRooting, unrooted gene trees count
  // at their cheapest rooting for each position.
  void score(const SpeciesTree& species, const SpeciesIndex& index, NodeId x, bool everyRooting);

  NodeId remainingRoot() const { return r_; }
  double duplications(NodeId y) const { return duplications_[static_cast<std::size_t>(y)]; }
  double losses(NodeId y) const { return losses_[static_cast<std::size_t>(y)]; }

 private:
  WorkerTeam& team_;
  const bool partial_;
  const std::size_t minBlockNodes_;
  std::vector<RegraftScorer> scorers_;           // one per worker
  std::vector<unsigned long long> scorerRound_;  // the round of score() each has begun
  unsigned long long round_ = 0;
  std::vector<const GeneTree*> trees_;
  std::vector<std::size_t> blockStarts_;  // block b is trees_[blockStarts_[b] .. blockStarts_[b + 1])
  // Per block, per position of the remaining tree (in its pre-order):
  // duplications, then losses.
  std::vector<double> blockScores_;
  std::vector<double> duplications_, losses_;  // per species node
  NodeId r_ = kNoNode;
};
