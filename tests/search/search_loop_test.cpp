// The search's end result: the best rooting of unrooted gene trees between
// cycles, and a final species tree that no admissible move improves, whose
// printed cost is its direct count.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "driver/globals.hpp"
#include "search/simple_heuristic_random.hpp"
#include "support/direct_count.hpp"
#include "support/tree_text.hpp"

namespace {

using localsearch::SpeciesNode;

template <class TreeT>
std::string newick(TreeT& tree) {
  std::ostringstream out;
  tree.subtree2newickDFS(out, tree.root);
  out << ";";
  return out.str();
}


std::string randomGeneTrees(std::mt19937& random, const std::vector<std::string>& names, int count, int maxLeaves) {
  std::string input;
  const double weights[] = {0.5, 1, 2, 3};
  for (int g = 0; g < count; ++g) {
    std::vector<std::string> labels = names;
    if (g > 0) {
      labels.resize(1 + random() % maxLeaves);
      for (std::string& label : labels) label = names[random() % names.size()];
    }
    if (random() % 3 == 0) input += "[&U]";
    input += "[&WEIGHT=" + std::to_string(weights[random() % 4]) + "]" + readableNewick(randomTree(random, labels)) + "\n";
  }
  return input;
}

std::vector<std::string> speciesNames(int n) {
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) names.push_back("S" + std::to_string(i));
  return names;
}

// Weighted cost with every unrooted gene tree at its cheapest rooting.
double directCost(localsearch::TreeSet& set, const std::string& speciesNewick) {
  const PlainTree species = PlainTree::parse(speciesNewick);
  double cost = 0;
  for (auto* tree : set.rootedGeneTrees)
    cost += directCount(species, PlainTree::parse(newick(*tree)), LIMIT_LOSSES).total() * tree->weight;
  for (auto* tree : set.unrootedGeneTrees)
    cost += cheapestRooting(species, PlainTree::parse(newick(*tree)), LIMIT_LOSSES).total() * tree->weight;
  return cost;
}

template <class Set>
void read(Set& set, const std::string& input) {
  std::istringstream stream(input);
  Input in(stream);
  set.readTrees(in);
}

TEST(BestRooting, EachUnrootedGeneTreeTakesItsCheapestRooting) {
  quiet = true;
  std::mt19937 random(5);
  for (const bool limit : {false, true}) {
    LIMIT_LOSSES = limit;
    for (int round = 0; round < 40; ++round) {
      const std::vector<std::string> names = speciesNames(3 + round % 8);
      localsearch::SimpleHeuristicRandom search;
      read(search, randomTree(random, names).newick() + randomGeneTrees(random, names, 6, 12));
      search.createLeafMapping();
      const PlainTree species = PlainTree::parse(newick(*search.speciesTree));
      std::vector<std::string> before;
      for (auto* tree : search.unrootedGeneTrees) before.push_back(newick(*tree));
      search.computeBestRooting();
      for (std::size_t i = 0; i < search.unrootedGeneTrees.size(); ++i) {
        auto& tree = *search.unrootedGeneTrees[i];
        const PlainTree input = PlainTree::parse(before[i]);
        const long best = cheapestRooting(species, input, limit).total();
        EXPECT_EQ(directCount(species, PlainTree::parse(newick(tree)), limit).total(), best) << before[i];
        if (directCount(species, input, limit).total() == best) {
          EXPECT_EQ(newick(tree), before[i]) << "a cheapest input rooting is kept";
        }
      }
      // A second pass changes nothing.
      std::vector<std::string> after;
      for (auto* tree : search.unrootedGeneTrees) after.push_back(newick(*tree));
      search.computeBestRooting();
      for (std::size_t i = 0; i < after.size(); ++i) EXPECT_EQ(newick(*search.unrootedGeneTrees[i]), after[i]);
    }
  }
  LIMIT_LOSSES = false;
}

// Every admissible regraft of the final tree, counted directly, costs at
// least as much as the final tree; the reported cost is the direct count.
void expectLocalOptimum(const std::string& input, unsigned seed,
                        const std::vector<std::set<std::string>>& keptClades) {
  std::srand(seed);
  localsearch::SimpleHeuristicRandom search;
  read(search, input);
  std::ostringstream out;
  search.run(out, NO_REROOT);
  localsearch::SpeciesTree& tree = *search.speciesTree;
  const std::string final = newick(tree);
  EXPECT_EQ(out.str(), final + "\n");
  const double cost = directCost(search, final);
  EXPECT_DOUBLE_EQ(search.getCurrentScore(), cost) << input;
  EXPECT_EQ(WEIGHTED_RECON_COST, static_cast<float>(cost));

  for (SpeciesNode* x : std::vector<SpeciesNode*>(tree.nodes)) {
    if (x == tree.root) continue;
    SpeciesNode* p = x->parent();
    SpeciesNode* sibling = p->child(0) == x ? p->child(1) : p->child(0);
    tree.moveSubtree(x, tree.root);
    std::vector<SpeciesNode*> targets;
    for (SpeciesNode* y : tree.nodes)
      if (y != tree.root && !x->contains(*y) && y != x) targets.push_back(y);
    for (SpeciesNode* y : targets) {
      // Admissible as the search decides: constraint clades stay whole.
      SpeciesNode* top = tree.root;
      if (!(top->color == y->color || (y->parent() != top && top->color == y->parent()->color))) continue;
      SpeciesNode* r = top->child(0) == x ? top->child(1) : top->child(0);
      tree.moveSubtree(x, y);
      EXPECT_GE(directCost(search, newick(tree)), cost) << input << " neighbour " << newick(tree);
      tree.moveSubtree(x, r);
    }
    tree.moveSubtree(x, sibling);
  }
  // Marked clades are clades of the result.
  const std::vector<std::set<std::string>> finalClades = clades(PlainTree::parse(final));
  for (const std::set<std::string>& clade : keptClades)
    EXPECT_NE(std::find(finalClades.begin(), finalClades.end(), clade), finalClades.end()) << final;
}

TEST(SearchLoop, EndsInALocalOptimumWithItsDirectCost) {
  quiet = true;
  std::mt19937 random(11);
  for (const bool limit : {false, true}) {
    LIMIT_LOSSES = limit;
    for (int round = 0; round < 12; ++round) {
      const std::vector<std::string> names = speciesNames(4 + round % 5);
      expectLocalOptimum(randomTree(random, names).newick() + randomGeneTrees(random, names, 5, 10),
                         static_cast<unsigned>(round), {});
      if (HasFailure()) break;
    }
  }
  LIMIT_LOSSES = false;
}

TEST(SearchLoop, ConstraintCladesStayClades) {
  quiet = true;
  // Gene trees that pull A away from B and C away from D.
  const std::string genes = "((A,C),(B,D));((A,C),(B,E));((A,E),(B,D));((C,A),(D,E));";
  expectLocalOptimum("(((A,B)[&CONSTRAINT],(C,D)[&CONSTRAINT]),E);" + genes, 3, {{"A", "B"}, {"C", "D"}});
  expectLocalOptimum("((((A,B),C)[&CONSTRAINT],D),E);" + genes, 4, {{"A", "B", "C"}});
}

}  // namespace
