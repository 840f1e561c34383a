#pragma once
// The gene trees a stage scores, each with what its cost counts, in the
// order their scores are summed: the rooted ones, then the unrooted ones,
// each in input order. The order of the sums decides the last bits of
// weighted costs, and with them which of several equally good trees is
// found; the report lists the trees in input order.

#include <cstddef>
#include <vector>

#include "tree/gene_tree.hpp"

namespace dls {

struct ScoredGeneTree {
  const GeneTree* tree;
  double weight;      // its own weight, times the draws of a bootstrap replicate
  std::size_t input;  // its position among the gene trees read (by this process)
};

// The trees in summing order, each counted with its own weight times
// draws[i] (draws null: once); trees drawn 0 times are left out.
inline std::vector<ScoredGeneTree> scoringOrder(const std::vector<GeneTree>& trees,
                                                const std::vector<int>* draws = nullptr) {
  std::vector<ScoredGeneTree> order;
  for (const bool rooted : {true, false}) {
    for (std::size_t i = 0; i < trees.size(); ++i) {
      const int times = draws == nullptr ? 1 : (*draws)[i];
      if (trees[i].rooted() != rooted || times == 0) continue;
      order.push_back({&trees[i], times == 1 ? trees[i].weight() : trees[i].weight() * times, i});
    }
  }
  return order;
}

// The trees in input order, each counted with its own weight.
inline std::vector<ScoredGeneTree> inputOrder(const std::vector<GeneTree>& trees) {
  std::vector<ScoredGeneTree> order;
  order.reserve(trees.size());
  for (std::size_t i = 0; i < trees.size(); ++i) order.push_back({&trees[i], trees[i].weight(), i});
  return order;
}

// The trees alone, in the same order.
inline std::vector<const GeneTree*> treesOf(const std::vector<ScoredGeneTree>& genes) {
  std::vector<const GeneTree*> trees;
  trees.reserve(genes.size());
  for (const ScoredGeneTree& gene : genes) trees.push_back(gene.tree);
  return trees;
}

}  // namespace dls
