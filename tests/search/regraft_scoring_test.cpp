// Every incremental score of the search against a direct recount: the
// duplication and loss totals left on each regraft target must equal the
// weighted counts, from the definitions, on the tree the regraft produces.

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "driver/globals.hpp"
#include "search/heuristic.hpp"
#include "support/direct_count.hpp"
#include "support/tree_text.hpp"

namespace {

using localsearch::SpeciesNode;

// Records the scores offered for each target.
class RecordingHeuristic : public localsearch::Heuristic {
 public:
  std::map<SpeciesNode*, std::pair<double, double>> offered;
  void scoreComputed(SpeciesNode& target) override {
    offered[&target] = {target.GeneDuplication::score, target.GeneLoss::score};
  }
  void run(std::ostream&, ReRoot) override {}
  double getCurrentScore() override { return 0; }
};



struct InstanceShape {
  int species;
  int genes;
  int maxGeneLeaves;
};

// Species tree first, then weighted multi-copy gene trees, some unrooted;
// the first gene tree names every species.
std::string randomInput(std::mt19937& random, const InstanceShape& shape) {
  std::vector<std::string> names;
  for (int i = 0; i < shape.species; ++i) names.push_back("S" + std::to_string(i));
  std::string input = randomTree(random, names).newick() + "\n";
  const double weights[] = {0.5, 1, 2, 3};
  for (int g = 0; g < shape.genes; ++g) {
    std::vector<std::string> labels = names;
    if (g > 0) {
      labels.resize(1 + random() % shape.maxGeneLeaves);
      for (std::string& label : labels) label = names[random() % names.size()];
    }
    if (random() % 3 == 0) input += "[&U]";
    input += "[&WEIGHT=" + std::to_string(weights[random() % 4]) + "]";
    input += readableNewick(randomTree(random, labels)) + "\n";
  }
  return input;
}

// The weighted cost of the current species tree, counted directly; under
// all rootings every unrooted gene tree with its cheapest rooting.
std::pair<double, double> directCost(RecordingHeuristic& h, bool allRootings) {
  const PlainTree species = plainTree(*h.speciesTree);
  double duplications = 0, losses = 0;
  for (auto* tree : h.rootedGeneTrees) {
    const Counts c = directCount(species, plainTree(*tree), LIMIT_LOSSES);
    duplications += c.duplications * tree->weight;
    losses += c.losses * tree->weight;
  }
  for (auto* tree : h.unrootedGeneTrees) {
    const Counts c = allRootings ? cheapestRooting(species, plainTree(*tree), LIMIT_LOSSES)
                                 : directCount(species, plainTree(*tree), LIMIT_LOSSES);
    duplications += c.duplications * tree->weight;
    losses += c.losses * tree->weight;
  }
  return {duplications, losses};
}

void expectEveryRegraftScoredRight(const std::string& input, bool allRootings) {
  RecordingHeuristic h;
  std::istringstream stream(input);
  Input in(stream);
  h.readTrees(in);
  h.createLeafMapping();
  localsearch::SpeciesTree& tree = *h.speciesTree;
  for (SpeciesNode* x : std::vector<SpeciesNode*>(tree.nodes)) {
    if (x == tree.root) continue;
    SpeciesNode* p = x->parent();
    SpeciesNode* sibling = p->child(0) == x ? p->child(1) : p->child(0);
    tree.moveSubtree(x, tree.root);
    SpeciesNode* r = tree.root->child(0) == x ? tree.root->child(1) : tree.root->child(0);
    h.offered.clear();
    h.computeGeneDuplications(x, allRootings);
    std::size_t targets = 0;
    for (SpeciesNode* y : tree.nodes) targets += y != tree.root && !x->contains(*y) ? 1 : 0;
    ASSERT_EQ(h.offered.size(), targets) << "every target of the remaining tree is offered";
    for (const auto& [y, scores] : h.offered) {
      tree.moveSubtree(x, y);
      const auto [duplications, losses] = directCost(h, allRootings);
      const std::string what = input + "limit " + std::to_string(LIMIT_LOSSES) + " all rootings " +
                               std::to_string(allRootings) + " tree " + plainTree(tree).newick();
      if (allRootings) {
        // Rootings of equal cost may split it differently.
        EXPECT_DOUBLE_EQ(scores.first + scores.second, duplications + losses) << what;
      } else {
        EXPECT_DOUBLE_EQ(scores.first, duplications) << what;
        EXPECT_DOUBLE_EQ(scores.second, losses) << what;
      }
      tree.moveSubtree(x, r);
      if (::testing::Test::HasFailure()) return;
    }
    tree.moveSubtree(x, sibling);
  }
}

TEST(RegraftScoring, FixedRootingsAgreeWithTheDirectCount) {
  quiet = true;
  std::mt19937 random(31);
  for (const bool limit : {false, true}) {
    LIMIT_LOSSES = limit;
    for (int round = 0; round < 60; ++round) {
      const InstanceShape shape{4 + round % 9, 1 + round % 5, 2 + round % 14};
      expectEveryRegraftScoredRight(randomInput(random, shape), false);
      if (HasFailure()) break;
    }
  }
  LIMIT_LOSSES = false;
}

TEST(RegraftScoring, AllRootingsAgreeWithTheCheapestRootingPerPosition) {
  quiet = true;
  std::mt19937 random(57);
  for (const bool limit : {false, true}) {
    LIMIT_LOSSES = limit;
    for (int round = 0; round < 40; ++round) {
      const InstanceShape shape{4 + round % 6, 1 + round % 4, 2 + round % 8};
      expectEveryRegraftScoredRight(randomInput(random, shape), true);
      if (HasFailure()) break;
    }
  }
  LIMIT_LOSSES = false;
}

}  // namespace
