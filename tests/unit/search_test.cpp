// The SPR search ends in a local optimum: no tree one SPR move away costs
// less, by the direct count, and the cost it reports is the direct cost of
// its tree, every unrooted gene tree at its cheapest rooting; under weights
// of duplications and losses too.

#include <gtest/gtest.h>

#include <atomic>
#include <random>

#include "search/spr_search.hpp"
#include "support/model_trees.hpp"

using namespace dls;

namespace {

double directCost(const PlainTree& species, const std::vector<PlainTree>& genes, const TreeInput& input, bool limit,
                  const CostWeights& weights) {
  double cost = 0;
  for (std::size_t i = 0; i < genes.size(); ++i) {
    const GeneTree& tree = input.geneTrees[i];
    const Counts c =
        tree.rooted() ? directCount(species, genes[i], limit) : cheapestRooting(species, genes[i], limit, weights);
    cost += c.cost(weights) * tree.weight();
  }
  return cost;
}

TEST(SprSearch, EndsInALocalOptimumAndReportsItsCost) {
  std::mt19937 random(23);
  for (int round = 0; round < 48; ++round) {
    const bool limit = round % 2 == 1;
    const CostWeights weights = roundWeights(round / 2, random);
    std::vector<std::string> names;
    for (int i = 0; i < 3 + round % 6; ++i) names.push_back("S" + std::to_string(i));
    std::string text = randomTree(random, names).newick() + "\n";
    for (int g = 0; g < 2 + round % 4; ++g) {
      std::vector<std::string> labels = names;
      labels.resize(2 + random() % 8, names[0]);
      for (std::size_t i = names.size(); i < labels.size(); ++i) labels[i] = names[random() % names.size()];
      text += std::string(g % 2 ? "[&U]" : "") + "[&WEIGHT=" + std::to_string(1 + g % 3) + "]" +
              readableNewick(randomTree(random, labels)) + "\n";
    }
    TreeInput input = readInput(text, true);
    std::ostringstream sink;
    Console quiet(sink, sink);
    Random draws(round);
    const std::atomic<bool> stop{false};
    const LossScope scope = limit ? LossScope::geneSpeciesOnly : LossScope::wholeSpeciesTree;
    WorkerTeam team(1 + round % 3);
    const std::vector<ScoredGeneTree> order = scoringOrder(input.geneTrees);
    SprSearch search(*input.speciesTree, {order, input.names, {scope, weights}}, draws, {team, soleProcess(), quiet},
                     stop);
    const SearchResult result = search.run();
    std::vector<RootEdge> rootings(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) rootings[order[i].input] = search.rootings()[i];

    std::vector<PlainTree> genes;
    for (const GeneTree& tree : input.geneTrees) genes.push_back(plainTree(tree, input.names));
    const PlainTree final = plainTree(*input.speciesTree, input.names);
    const std::string what =
        text + " weights " + std::to_string(weights.duplication) + " " + std::to_string(weights.loss);
    ASSERT_TRUE(nearCost(result.cost, directCost(final, genes, input, limit, weights))) << what;
    for (std::size_t i = 0; i < genes.size(); ++i) {  // unrooted trees rooted at their cheapest rooting
      const GeneTree& tree = input.geneTrees[i];
      if (tree.rooted()) continue;
      const PlainTree rooted = PlainTree::parse(newickAt(tree, rootings[i], input.names));
      ASSERT_TRUE(nearCost(directCount(final, rooted, limit).cost(weights),
                           cheapestRooting(final, genes[i], limit, weights).cost(weights)))
          << what;
    }
    for (const PlainTree& neighbour : sprNeighbours(final))
      ASSERT_FALSE(isLowerCost(directCost(neighbour, genes, input, limit, weights), result.cost))
          << what << neighbour.newick();
  }
}

TEST(SprSearch, StopsAfterOneCycleWhenAskedToStop) {
  TreeInput input = readInput("((((A,B),C),D),E);\n((((E,D),C),B),A);\n((((E,D),C),B),A);\n", true);
  // On a terminal, the running line shows each pruning.
  std::ostringstream sink;
  Console terminal(sink, sink);
  terminal.setTerminal(true);
  terminal.setProgressInterval(std::chrono::milliseconds(0));
  Random draws(1);
  const std::atomic<bool> stop{true};
  WorkerTeam team(1);
  const std::vector<ScoredGeneTree> order = scoringOrder(input.geneTrees);
  const SearchResult result =
      SprSearch(*input.speciesTree, {order, input.names, {}}, draws, {team, soleProcess(), terminal}, stop).run();
  EXPECT_EQ(result.moves, 1U);  // a search that runs on needs three moves here
  for (const char* shown : {"Computing...\n\rCycle 1: pruned 0/8, elapsed ", "\rCycle 1: pruned 5/8, best score "})
    EXPECT_NE(sink.str().find(shown), std::string::npos) << sink.str();
}

}  // namespace
