// Every incremental score against the direct recount: for each pruned node
// and each regraft target, the totals the scorer leaves there must equal
// the weighted counts, from the definitions, on the tree the regraft makes;
// unrooted gene trees at their cheapest rooting under weights of
// duplications and losses.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

#include "reconcile/species_coverage.hpp"
#include "scoring/gene_tree_counts.hpp"
#include "scoring/parallel_regraft_scorer.hpp"
#include "support/model_trees.hpp"

using namespace dls;

namespace {

std::vector<std::string> speciesNames(int n) {
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) names.push_back("S" + std::to_string(i));
  return names;
}

// Weighted multi-copy gene trees, some unrooted (all if allUnrooted); the
// first names every species. Sums of weights 0.1 and 0.7 round, in an
// order of their own.
std::string randomGeneTrees(std::mt19937& random, const std::vector<std::string>& names, int trees, int maxLeaves,
                            bool allUnrooted = false) {
  const double weights[] = {0.1, 0.7, 2, 3};
  std::string text;
  for (int g = 0; g < trees; ++g) {
    std::vector<std::string> labels = names;
    if (g > 0) {
      labels.resize(1 + random() % static_cast<unsigned>(maxLeaves));
      for (std::string& label : labels) label = names[random() % names.size()];
    }
    if (allUnrooted || random() % 3 == 0) text += "[&U]";
    text +=
        "[&WEIGHT=" + std::to_string(weights[random() % 4]) + "]" + readableNewick(randomTree(random, labels)) + "\n";
  }
  return text;
}

// A random edge of the tree to root it on.
RootEdge randomEdge(std::mt19937& random, const GeneTree& tree) {
  const NodeId n = static_cast<NodeId>(random() % tree.size());
  const NodeId p = tree.rooting().parent(n);
  if (tree.size() < 3 || p == kNoNode || p == tree.root()) return tree.rootEdge();
  return random() % 2 ? RootEdge{p, n} : RootEdge{n, p};
}

// The weighted duplications and losses of the present species tree, each
// gene tree rooted on its edge.
std::pair<double, double> directCost(const TreeInput& trees, const std::vector<RootEdge>& rootings, LossScope scope,
                                     bool everyRooting, const CostWeights& weights) {
  const PlainTree species = plainTree(*trees.speciesTree, trees.names);
  const bool limit = scope == LossScope::geneSpeciesOnly;
  double duplications = 0, losses = 0;
  for (std::size_t i = 0; i < trees.geneTrees.size(); ++i) {
    const GeneTree& tree = trees.geneTrees[i];
    const PlainTree gene = PlainTree::parse(newickAt(tree, rootings[i], trees.names));
    const Counts c = everyRooting && !tree.rooted() ? cheapestRooting(species, gene, limit, weights)
                                                    : directCount(species, gene, limit);
    duplications += c.duplications * tree.weight();
    losses += c.losses * tree.weight();
  }
  return {duplications, losses};
}

// How many gene trees of the prunings scored held none, some or all of
// the pruned subtree's species; how many unrooted ones under every rooting
// were counted from the unpruned tree, and walked where a pruning may move
// them.
struct Touches {
  int none = 0, some = 0, all = 0;
  unsigned long long unrootedFromUnpruned = 0, walked = 0;
  void add(const TreeInput& input, const std::vector<NameId>& pruned) {
    const std::set<NameId> inX(pruned.begin(), pruned.end());
    for (const GeneTree& gene : input.geneTrees) {
      int in = 0;
      for (NodeId leaf : gene.leaves()) in += inX.count(gene.name(leaf)) > 0 ? 1 : 0;
      (in == 0 ? none : in == static_cast<int>(gene.leaves().size()) ? all : some) += 1;
    }
  }
};

// A random instance: its sizes, how its gene trees count, whether they are
// all unrooted.
struct Instance {
  int species, trees, maxLeaves;
  LossScope scope;
  bool everyRooting;
  CostWeights weights;
  bool allUnrooted = false;
};

// Every regraft of every pruned node no deeper than maxPrunedDepth, on the
// species tree and gene trees of text, scored as the direct count.
void expectRegraftsScoredRight(std::mt19937& random, const std::string& text, const Instance& instance,
                               Touches& touches, std::uint32_t maxPrunedDepth = ~0u) {
  const LossScope scope = instance.scope;
  const bool everyRooting = instance.everyRooting;
  const CostWeights& weights = instance.weights;
  // Half the time the unrooted trees start at their cheapest rooting, as
  // the search's do: then those that no pruning can move are counted from
  // the unpruned tree.
  const bool startCheapest = instance.allUnrooted || random() % 2 == 0;
  TreeInput input = readInput(text, true);
  SpeciesTree& tree = *input.speciesTree;
  std::ostringstream sink;
  Console quiet(sink, sink);
  const std::vector<ScoredGeneTree> genes = inputOrder(input.geneTrees);
  checkSpeciesCoverage(tree, treesOf(genes), input.names, quiet);
  // Unrooted gene trees at a rooting of their own, not as read.
  std::vector<RootEdge> rootings;
  for (const GeneTree& gene : input.geneTrees)
    rootings.push_back(gene.rooted() ? gene.rootEdge() : randomEdge(random, gene));
  WorkerTeam team(3), one(1);
  if (startCheapest) rootAtCheapest(tree, genes, rootings, {scope, weights}, one);
  // Blocks of a few nodes, three workers: the blocks' sums must be right
  // too, and the same to the last bit as one worker's. Gene trees counted
  // from the unpruned tree (the search's way) and each whole: the same to
  // the last bit too.
  const std::size_t blockNodes = 1 + random() % 24;
  ParallelRegraftScorer scorer({scope, weights}, false, team, soleProcess(), blockNodes),
      alone({scope, weights}, false, one, soleProcess(), blockNodes),
      whole({scope, weights}, false, one, soleProcess(), blockNodes),
      atFixed({scope, weights}, false, one, soleProcess(), blockNodes);
  scorer.setGeneTrees(genes, &rootings, 0);
  alone.setGeneTrees(genes, &rootings, 0);
  whole.setGeneTrees(genes, &rootings, 0);
  atFixed.setGeneTrees(genes, &rootings, 0);
  // Under every rooting over the whole tree, the scores at the present
  // rootings kept alongside: those of scoring at fixed rootings, to the
  // bit, whatever the weights.
  const bool alsoFixed = everyRooting && scope == LossScope::wholeSpeciesTree;
  SpeciesIndex index;
  index.rebuild(tree);
  std::vector<NodeId> pruned;
  for (NodeId x = 0; x < static_cast<NodeId>(tree.size()); ++x)
    if (x != tree.root() && index.depth(x) <= maxPrunedDepth) pruned.push_back(x);
  for (const NodeId x : pruned) {
    const NodeId sibling = tree.sibling(x);
    tree.moveSubtree(x, tree.root());
    index.rebuild(tree);
    touches.add(input, speciesBelow(tree, index, x));
    scorer.score(tree, index, x, everyRooting, sibling, alsoFixed);
    alone.score(tree, index, x, everyRooting, sibling);
    whole.score(tree, index, x, everyRooting);
    if (alsoFixed) atFixed.score(tree, index, x, false, sibling);
    const NodeId r = scorer.remainingRoot();
    std::vector<std::pair<NodeId, std::pair<double, double>>> scores;
    for (std::uint32_t i = index.begin(r); i < index.end(r); ++i) {
      const NodeId y = index.preorder()[i];
      if (alsoFixed) {
        const double d = scorer.fixedDuplications(y), l = scorer.fixedLosses(y);
        const double fd = atFixed.duplications(y), fl = atFixed.losses(y);
        ASSERT_TRUE(d == fd && l == fl) << text;
      }
      scores.push_back({y, {scorer.duplications(y), scorer.losses(y)}});
      ASSERT_TRUE(alone.duplications(y) == scores.back().second.first &&
                  alone.losses(y) == scores.back().second.second);
      ASSERT_TRUE(whole.duplications(y) == scores.back().second.first &&
                  whole.losses(y) == scores.back().second.second);
    }
    for (const auto& [y, score] : scores) {
      tree.moveSubtree(x, y);
      const auto [duplications, losses] = directCost(input, rootings, scope, everyRooting, weights);
      const std::string what = text + " regraft " + newickOf(tree, input.names) + " weights " +
                               std::to_string(weights.duplication) + " " + std::to_string(weights.loss);
      // Weighted counts add up in another order than here: equal to rounding.
      if (everyRooting)  // rootings of equal cost may split it differently
        EXPECT_TRUE(nearCost(weights.of(score.first, score.second), weights.of(duplications, losses))) << what;
      else
        EXPECT_TRUE(nearCost(score.first, duplications) && nearCost(score.second, losses)) << what;
      tree.moveSubtree(x, r);
      if (::testing::Test::HasFailure()) return;
    }
    tree.moveSubtree(x, sibling);
  }
  touches.unrootedFromUnpruned += alone.unrootedCountedFromUnpruned();
  touches.walked += alone.unrootedWalkedFromUnpruned();
}

void expectEveryRegraftScoredRight(std::mt19937& random, const Instance& instance, Touches& touches) {
  const std::vector<std::string> names = speciesNames(instance.species);
  const std::string text = randomTree(random, names).newick() + "\n" +
                           randomGeneTrees(random, names, instance.trees, instance.maxLeaves, instance.allUnrooted);
  expectRegraftsScoredRight(random, text, instance, touches);
}

TEST(RegraftScores, AgreeWithTheDirectCountAtFixedAndAtEveryRooting) {
  std::mt19937 random(31);
  Touches touches;
  for (const LossScope scope : {LossScope::wholeSpeciesTree, LossScope::geneSpeciesOnly}) {
    for (int round = 0; round < 60 && !HasFailure(); ++round)
      expectEveryRegraftScoredRight(random, {4 + round % 9, 1 + round % 5, 2 + round % 14, scope, false, {}}, touches);
    for (int round = 0; round < 64 && !HasFailure(); ++round)
      expectEveryRegraftScoredRight(
          random, {4 + round % 6, 1 + round % 4, 2 + round % 8, scope, true, roundWeights(round, random)}, touches);
  }
  // Gene trees without the pruned species are counted from the unpruned
  // tree alone, the others partly or wholly again: all three were met.
  EXPECT_GT(touches.none, 100);
  EXPECT_GT(touches.some, 100);
  EXPECT_GT(touches.all, 100);
}

// Unrooted gene trees at their cheapest rooting, as the search holds them,
// counted from the unpruned tree: those that a pruning without their
// species may move to another rooting walked where it may, the others not.
TEST(RegraftScores, AgreeWithTheDirectCountForUnrootedTreesAtTheirCheapestRooting) {
  std::mt19937 random(47);
  Touches touches;
  for (int round = 0; round < 30 && !HasFailure(); ++round)
    expectEveryRegraftScoredRight(random,
                                  {5 + round % 6, 3 + round % 5, 3 + round % 9, LossScope::wholeSpeciesTree, true,
                                   roundWeights(round, random), true},
                                  touches);
  EXPECT_GT(touches.none, 100);
  EXPECT_GT(touches.some, 100);
  EXPECT_GT(touches.unrootedFromUnpruned - touches.walked, 100u);
  EXPECT_GT(touches.walked, 20u);
}

// Caterpillars of 62, 64 and 66 species, pruned below the root: the walks'
// spines run from the deepest species up, numbered to their last bits or
// too long to number (then the LCAs on them come from the species index).
// Small unrooted trees with species at both ends, the pruned top one among
// them, and a rooted one naming every species.
TEST(RegraftScores, AgreeWithTheDirectCountOnLongSpines) {
  std::mt19937 random(53);
  Touches touches;
  for (const std::size_t n : {62, 64, 66}) {
    const std::vector<std::string> names = speciesNames(static_cast<int>(n));
    std::string species = names[0];
    for (std::size_t i = 1; i < n; ++i) species = "(" + species + "," + names[i] + ")";
    std::string text = species + ";\n[&R]" + readableNewick(randomTree(random, names)) + "\n";
    for (int g = 0; g < 3; ++g) {
      // Three of the deepest species: some side of the first steps holds
      // them alone, whatever the rooting.
      const std::vector<std::string> labels = {names[n - 1], names[0], names[1], names[random() % 3],
                                               names[n - 10 + random() % 10]};
      text += "[&U]" + readableNewick(randomTree(random, labels)) + "\n";
    }
    expectRegraftsScoredRight(
        random, text,
        {static_cast<int>(n), 4, 5, LossScope::wholeSpeciesTree, true, roundWeights(static_cast<int>(n % 4), random)},
        touches, 1);
    if (HasFailure()) return;
  }
}

// The builder's scores: the new species x hangs from a new root beside the
// current tree; every position must score the gene trees restricted to the
// species present, with losses counted in restricted species trees, and
// cost them by the weights.
TEST(InsertionScores, AgreeWithTheDirectCountOfRestrictedGeneTrees) {
  std::mt19937 random(8);
  for (int round = 0; round < 150 && !HasFailure(); ++round) {
    const int present = 2 + round % 24;
    const std::vector<std::string> names = speciesNames(present + 1 + round % 4);
    std::string text;
    for (int g = 0; g < 1 + round % 5; ++g) {
      std::vector<std::string> labels(1 + random() % (2 * names.size()));
      for (std::string& label : labels) label = names[random() % names.size()];
      text += readableNewick(randomTree(random, labels)) + "\n";
    }
    TreeInput input = readInput(text, false);
    SpeciesTree tree;
    std::vector<NodeId> leaves;
    for (int i = 0; i < present; ++i) leaves.push_back(tree.addLeaf(input.names.intern(names[i])));
    while (leaves.size() > 1) {  // a random tree of the present species
      const std::size_t a = random() % leaves.size();
      const NodeId first = leaves[a];
      leaves.erase(leaves.begin() + static_cast<long>(a));
      const std::size_t b = random() % leaves.size();
      leaves[b] = tree.addJoin(first, leaves[b]);
    }
    const NodeId x = tree.addLeaf(input.names.intern(names[present]));
    tree.setRoot(tree.addJoin(x, leaves[0]));
    tree.coverNames(input.names.size());
    SpeciesIndex index;
    index.rebuild(tree);
    const CostWeights weights = roundWeights(round, random);
    RegraftScorer scorer({LossScope::geneSpeciesOnly, weights}, true);
    scorer.begin(tree, index, x);
    for (const GeneTree& gene : input.geneTrees) scorer.addGeneTree(gene, gene.rootEdge(), 1.0);
    scorer.finish();
    const std::set<std::string> inTree(names.begin(), names.begin() + present + 1);
    const NodeId r = leaves[0];
    std::vector<std::pair<NodeId, Counts>> scores;
    for (std::uint32_t i = index.begin(r); i < index.end(r); ++i) {
      const NodeId y = index.preorder()[i];
      scores.push_back({y, {std::lround(scorer.duplications(y)), std::lround(scorer.losses(y))}});
    }
    for (const auto& [y, score] : scores) {
      tree.moveSubtree(x, y);
      const PlainTree species = plainTree(tree, input.names);
      double expected = 0;
      for (const GeneTree& gene : input.geneTrees) {
        const PlainTree restricted = restrictTo(plainTree(gene, input.names), inTree);
        if (restricted.root >= 0) expected += directCount(species, restricted, true).cost(weights);
      }
      EXPECT_TRUE(nearCost(score.cost(weights), expected)) << text << " tree " << species.newick();
      tree.moveSubtree(x, r);
    }
  }
}

// The builder's way with the parallel scorer: species placed one at a
// time, trees without the new species counted once in the tree of those
// placed. Every position scores as each tree counted whole, to the last
// bit; now and then the tree is changed otherwise, and all trees counted
// again.
TEST(InsertionScores, KeepTheCountsOfTreesWithoutTheNewSpecies) {
  std::mt19937 random(5);
  for (int round = 0; round < 40 && !HasFailure(); ++round) {
    const std::vector<std::string> names = speciesNames(4 + round % 12);
    std::string text;
    for (int g = 0; g < 2 + round % 7; ++g) {
      std::vector<std::string> labels(1 + random() % (names.size() + 3));
      for (std::string& label : labels) label = names[random() % names.size()];
      text += readableNewick(randomTree(random, labels)) + "\n";
    }
    TreeInput input = readInput(text, false);
    const std::vector<ScoredGeneTree> genes = inputOrder(input.geneTrees);
    WorkerTeam team(2);
    const CostModel model{LossScope::geneSpeciesOnly, {}};
    ParallelRegraftScorer scorer(model, true, team, soleProcess(), 1 + random() % 30);
    scorer.setGeneTrees(genes, nullptr, names.size());
    RegraftScorer whole(model, true);
    SpeciesTree tree;
    tree.setRoot(tree.addJoin(tree.addLeaf(input.names.intern(names[0])), tree.addLeaf(input.names.intern(names[1]))));
    SpeciesIndex index;
    for (std::size_t next = 2; next < names.size(); ++next) {
      const NodeId oldRoot = tree.root();
      const NodeId x = tree.addLeaf(input.names.intern(names[next]));
      tree.setRoot(tree.addJoin(x, oldRoot));
      tree.coverNames(input.names.size());
      index.rebuild(tree);
      scorer.score(tree, index, x, false);
      whole.begin(tree, index, x);
      for (const GeneTree& gene : input.geneTrees) whole.addGeneTree(gene, gene.rootEdge(), 1.0);
      whole.finish();
      for (std::uint32_t i = index.begin(oldRoot); i < index.end(oldRoot); ++i) {
        const NodeId y = index.preorder()[i];
        ASSERT_TRUE(scorer.duplications(y) == whole.duplications(y) && scorer.losses(y) == whole.losses(y))
            << text << " species " << next << " position " << y;
      }
      // Placed at a random position, or a subtree moved besides.
      const NodeId y = index.preorder()[index.begin(oldRoot) + random() % (index.end(oldRoot) - index.begin(oldRoot))];
      tree.moveSubtree(x, y);
      if (random() % 4 == 0) {
        const NodeId v = static_cast<NodeId>(random() % tree.size());
        if (v != tree.root() && tree.parent(v) != tree.root()) tree.moveSubtree(v, tree.root());
      }
    }
  }
}

}  // namespace
