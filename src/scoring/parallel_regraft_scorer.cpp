#include "scoring/parallel_regraft_scorer.hpp"

#include <algorithm>

ParallelRegraftScorer::ParallelRegraftScorer(LossScope scope, const CostWeights& weights, bool partial,
                                             WorkerTeam& team, std::size_t minBlockNodes)
    : team_(team),
      partial_(partial),
      minBlockNodes_(minBlockNodes),
      scorers_(team.size(), RegraftScorer(scope, weights, partial)),
      scorerRound_(team.size(), 0) {}

void ParallelRegraftScorer::setGeneTrees(std::vector<const GeneTree*> trees, std::size_t speciesCount) {
  const std::size_t blockNodes = std::max(minBlockNodes_, 16 * speciesCount);
  trees_ = std::move(trees);
  blockStarts_.assign(1, 0);
  std::size_t nodes = 0;
  for (std::size_t i = 0; i < trees_.size(); ++i) {
    nodes += trees_[i]->size();
    if (nodes >= blockNodes && i + 1 < trees_.size()) {
      blockStarts_.push_back(i + 1);
      nodes = 0;
    }
  }
  blockStarts_.push_back(trees_.size());
}

void ParallelRegraftScorer::score(const SpeciesTree& species, const SpeciesIndex& index, NodeId x, bool everyRooting) {
  r_ = species.sibling(x);
  const std::uint32_t first = index.begin(r_);
  const std::size_t positions = index.end(r_) - first;
  const std::size_t blocks = blockStarts_.size() - 1;
  const std::vector<NodeId>& order = index.preorder();
  blockScores_.resize(blocks * positions * 2);
  ++round_;
  // Unrooted gene trees come last and cost far more under all rootings:
  // their blocks are handed out first.
  team_.forEach(blocks, 1, [&](unsigned worker, std::size_t task) {
    const std::size_t block = everyRooting ? blocks - 1 - task : task;
    RegraftScorer& scorer = scorers_[worker];
    if (scorerRound_[worker] != round_) {
      scorer.begin(species, index, x);
      scorerRound_[worker] = round_;
    } else {
      scorer.restart();
    }
    const std::size_t end = blockStarts_[block + 1];
    for (std::size_t i = blockStarts_[block]; i < end; ++i) {
      if (i + 1 < end) trees_[i + 1]->prefetch();
      const GeneTree& tree = *trees_[i];
      const double weight = partial_ ? 1.0 : tree.weight();
      if (everyRooting && !tree.rooted())
        scorer.addGeneTreeAtEveryRooting(tree, weight);
      else
        scorer.addGeneTree(tree, weight);
    }
    scorer.finish();
    double* out = &blockScores_[block * positions * 2];
    for (std::size_t j = 0; j < positions; ++j) {
      out[2 * j] = scorer.duplications(order[first + j]);
      out[2 * j + 1] = scorer.losses(order[first + j]);
    }
  });
  // The blocks' sums in block order.
  duplications_.resize(species.size());
  losses_.resize(species.size());
  for (std::size_t j = 0; j < positions; ++j) {
    double duplications = 0, losses = 0;
    for (std::size_t block = 0; block < blocks; ++block) {
      duplications += blockScores_[(block * positions + j) * 2];
      losses += blockScores_[(block * positions + j) * 2 + 1];
    }
    const std::size_t v = static_cast<std::size_t>(order[first + j]);
    duplications_[v] = duplications;
    losses_[v] = losses;
  }
}
