// The reconciliation of one gene tree against the direct recount: LCA
// queries, the cost at a rooting, and the cheapest rooting under weights of
// duplications and losses.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

#include "reconcile/range_minimum_index.hpp"
#include "reconcile/reconciler.hpp"
#include "support/model_trees.hpp"

using namespace dls;

namespace {

TEST(RangeMinimum, AgreesWithAScanOnEveryRange) {
  std::mt19937 random(5);
  for (const std::uint32_t n : {1U, 2U, 31U, 32U, 33U, 64U, 65U, 200U, 1000U}) {
    std::vector<std::uint32_t> values(n);
    for (std::uint32_t& v : values) v = random() % 8;  // many ties: the leftmost minimum counts
    RangeMinimumIndex index;
    index.build(values.data(), n);
    for (std::uint32_t i = 0; i < n; i += 1 + n / 60)
      for (std::uint32_t j = i; j < n; ++j) {
        std::uint32_t best = i;
        for (std::uint32_t p = i; p <= j; ++p) best = values[p] < values[best] ? p : best;
        ASSERT_EQ(index.query(i, j), best) << n << " " << i << " " << j;
        ASSERT_EQ(index.query(j, i), best);
      }
  }
}

TEST(SpeciesIndex, LcaAndContainmentFollowTheTree) {
  std::mt19937 random(9);
  for (const int n : {1, 2, 5, 40, 300}) {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) names.push_back("S" + std::to_string(i));
    const TreeInput input = readInput(readableNewick(randomTree(random, names)) + "(S0);", true);
    const SpeciesTree& tree = *input.speciesTree;
    SpeciesIndex index;
    index.rebuild(tree);
    auto isAncestor = [&](NodeId a, NodeId v) {
      for (; v != kNoNode; v = tree.parent(v))
        if (v == a) return true;
      return false;
    };
    for (int k = 0; k < 500; ++k) {
      const NodeId a = static_cast<NodeId>(random() % tree.size()), b = static_cast<NodeId>(random() % tree.size());
      NodeId expected = a;
      while (!isAncestor(expected, b)) expected = tree.parent(expected);
      ASSERT_EQ(index.lca(a, b), expected);
      ASSERT_EQ(index.contains(a, b), isAncestor(a, b));
    }
  }
}

TEST(GeneTreeCost, AgreesWithTheDirectCountAndTheCheapestRooting) {
  std::mt19937 random(17);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::string> names;
    for (int i = 0; i < 2 + round % 12; ++i) names.push_back("S" + std::to_string(i));
    std::string text = randomTree(random, names).newick() + "\n";
    std::vector<std::string> labels(1 + random() % 20);
    for (std::string& label : labels) label = names[random() % names.size()];
    text += "[&U][&WEIGHT=" + std::to_string(1 + random() % 3) + "]" + readableNewick(randomTree(random, labels));
    TreeInput input = readInput(text, true);
    input.speciesTree->coverNames(input.names.size());
    const SpeciesTree& species = *input.speciesTree;
    const GeneTree& gene = input.geneTrees[0];
    const PlainTree plainSpecies = plainTree(species, input.names);
    const CostWeights weights = roundWeights(round, random);
    for (const LossScope scope : {LossScope::wholeSpeciesTree, LossScope::geneSpeciesOnly}) {
      const bool limit = scope == LossScope::geneSpeciesOnly;
      Reconciler reconciler(species, {scope, weights});
      const GeneTreeCost cost = reconciler.costAsRead(gene);
      const Counts expected = directCount(plainSpecies, plainTree(gene, input.names), limit);
      ASSERT_EQ(cost.duplications, expected.duplications) << text;
      ASSERT_EQ(cost.losses, expected.losses) << text;

      // Rooted at its cheapest, the tree keeps that rooting when asked again;
      // so does a tree at a rooting as cheap under the weights.
      const Counts cheapest = cheapestRooting(plainSpecies, plainTree(gene, input.names), limit, weights);
      const RootEdge edge = reconciler.cheapestRootEdge(gene, gene.rootEdge());
      if (nearCost(expected.cost(weights), cheapest.cost(weights))) {
        ASSERT_TRUE(edge == gene.rootEdge()) << text;
      }
      const GeneTreeCost rooted = reconciler.costAt(gene, edge);
      ASSERT_TRUE(nearCost(Counts{rooted.duplications, rooted.losses}.cost(weights), cheapest.cost(weights)))
          << text << " " << weights.duplication << " " << weights.loss;
      const Counts atEdge = directCount(plainSpecies, PlainTree::parse(newickAt(gene, edge, input.names)), limit);
      ASSERT_TRUE((atEdge == Counts{rooted.duplications, rooted.losses})) << text;
      ASSERT_TRUE(reconciler.cheapestRootEdge(gene, edge) == edge) << text;
    }
  }
}

// Weights so large that weighted costs overflow: where some rooting's
// cost is finite, the cheapest rooting is found even when the present one
// and all its neighbours overflow.
TEST(GeneTreeCost, CheapestRootingUnderWeightsThatOverflow) {
  std::mt19937 random(23);
  const CostWeights table[] = {{1e308, 1}, {1, 1e308}, {1e308, 1e308}};
  for (int round = 0; round < 600; ++round) {
    const CostWeights weights = table[round % 3];
    std::vector<std::string> names;
    for (int i = 0; i < 2 + round % 8; ++i) names.push_back("S" + std::to_string(i));
    std::string text = randomTree(random, names).newick() + "\n";
    std::vector<std::string> labels(2 + random() % 14);
    for (std::string& label : labels) label = names[random() % names.size()];
    text += "[&U]" + readableNewick(randomTree(random, labels));
    TreeInput input = readInput(text, true);
    input.speciesTree->coverNames(input.names.size());
    const GeneTree& gene = input.geneTrees[0];
    double cheapest = std::numeric_limits<double>::infinity();
    for (const PlainTree& rooting : allRootings(plainTree(gene, input.names))) {
      const Counts counts = directCount(plainTree(*input.speciesTree, input.names), rooting, false);
      cheapest =
          std::min(cheapest, weights.of(static_cast<double>(counts.duplications), static_cast<double>(counts.losses)));
    }
    Reconciler reconciler(*input.speciesTree, {LossScope::wholeSpeciesTree, weights});
    const GeneTreeCost found = reconciler.costAt(gene, reconciler.cheapestRootEdge(gene, gene.rootEdge()));
    ASSERT_EQ(weights.of(static_cast<double>(found.duplications), static_cast<double>(found.losses)), cheapest) << text;
  }
}

// The search walks from a rooting to a cheaper neighbouring one until none
// is: over the whole species tree, every rooting that is not cheapest must
// have a strictly cheaper neighbour (sharing a gene node), also where
// cheapest rootings tie, for one species, and for two or three leaves.
// Under any weights, either of them 0: without a loss weight, as the walk
// orders rootings, by duplications, then losses (by duplications alone, a
// rooting that is not cheapest may have no cheaper neighbour).
TEST(GeneTreeCost, EveryRootingButTheCheapestHasACheaperNeighbour) {
  std::mt19937 random(41);
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::string> names;
    for (int i = 0; i < 1 + round % 9; ++i) names.push_back("S" + std::to_string(i));
    std::vector<std::string> labels(2 + random() % (round % 2 ? 3 : 18));
    for (std::string& label : labels) label = names[random() % names.size()];
    const PlainTree species = randomTree(random, names), gene = randomTree(random, labels);
    std::vector<std::pair<int, int>> edges;
    std::vector<Counts> counts;
    for (const PlainTree& rooting : allRootings(gene, &edges)) counts.push_back(directCount(species, rooting, false));
    const CostWeights weights = roundWeights(round, random);
    const auto cheaper = [&](const Counts& a, const Counts& b) {
      const double costA = a.cost(weights), costB = b.cost(weights);
      return (costA < costB && !nearCost(costA, costB)) ||
             (weights.loss == 0 && nearCost(costA, costB) && a.losses < b.losses);
    };
    const Counts cheapest = *std::min_element(counts.begin(), counts.end(), cheaper);
    for (std::size_t e = 0; e < edges.size(); ++e) {
      bool cheaperNeighbour = false;
      for (std::size_t f = 0; f < edges.size(); ++f) {
        const bool shareNode = edges[f].first == edges[e].first || edges[f].first == edges[e].second ||
                               edges[f].second == edges[e].first || edges[f].second == edges[e].second;
        cheaperNeighbour = cheaperNeighbour || (f != e && shareNode && cheaper(counts[f], counts[e]));
      }
      ASSERT_TRUE(!cheaper(cheapest, counts[e]) || cheaperNeighbour)
          << species.newick() << " " << gene.newick() << " " << weights.duplication << " " << weights.loss;
    }
  }
}

}  // namespace
