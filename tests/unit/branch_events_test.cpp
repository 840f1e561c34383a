// Events per branch and the support of the branches from the gene trees,
// against the direct recount: on random species trees and weighted gene
// trees (some unrooted, at a rooting of their own), with losses over the
// whole tree and in restricted trees, every node's duplications, losses,
// families and weighted sums; every inner branch's cost changes and the
// gene trees' preferences, recounted on the two trees its interchanges
// make.

#include "scoring/branch_events.hpp"

#include <gtest/gtest.h>

#include <random>

#include "reconcile/species_coverage.hpp"
#include "scoring/branch_support.hpp"
#include "support/model_trees.hpp"

using namespace dls;

namespace {

struct RandomCase {
  TreeInput input;
  std::string text;
  std::vector<RootEdge> rootings;
  std::vector<GeneTreeCost> counts;  // at the rootings
};

// A random species tree and gene trees, the first naming every species;
// unrooted gene trees at their cheapest rooting (cheapest: true) or at a
// random one.
RandomCase randomCase(std::mt19937& random, int species, int trees, const CostModel& model, bool cheapest) {
  std::vector<std::string> names;
  for (int i = 0; i < species; ++i) names.push_back("S" + std::to_string(i));
  RandomCase c;
  c.text = randomTree(random, names).newick() + "\n";
  for (int g = 0; g < trees; ++g) {
    std::vector<std::string> labels = names;
    if (g > 0) {
      labels.resize(1 + random() % (2 * names.size()));
      for (std::string& label : labels) label = names[random() % names.size()];
    }
    c.text += (random() % 3 == 0 ? "[&U]" : "") + std::string(random() % 2 ? "[&WEIGHT=0.7]" : "") +
              readableNewick(randomTree(random, labels)) + "\n";
  }
  c.input = readInput(c.text, true);
  std::ostringstream sink;
  Console quiet(sink, sink);
  checkSpeciesCoverage(*c.input.speciesTree, treesOf(inputOrder(c.input.geneTrees)), c.input.names, quiet);
  Reconciler reconciler(*c.input.speciesTree, model);
  for (const GeneTree& gene : c.input.geneTrees) {
    RootEdge edge = gene.rootEdge();
    if (!gene.rooted() && cheapest) edge = reconciler.cheapestRootEdge(gene, edge);
    if (!gene.rooted() && !cheapest && gene.size() > 2) {
      const NodeId n = static_cast<NodeId>(random() % gene.size()), p = gene.rooting().parent(n);
      if (p != kNoNode && p != gene.root()) edge = {p, n};
    }
    c.rootings.push_back(edge);
    c.counts.push_back(reconciler.costAt(gene, edge));
  }
  return c;
}

TEST(BranchEvents, AgreeWithTheDirectCountNodeByNode) {
  std::mt19937 random(17);
  for (int round = 0; round < 120 && !HasFailure(); ++round) {
    const bool limit = round % 2 == 1;
    const CostModel model{limit ? LossScope::geneSpeciesOnly : LossScope::wholeSpeciesTree, {}};
    RandomCase c = randomCase(random, 2 + round % 11, 1 + round % 6, model, false);
    WorkerTeam team(1 + round % 3);
    const std::vector<ScoredGeneTree> genes = scoringOrder(c.input.geneTrees);
    const BranchEvents events = countBranchEvents(*c.input.speciesTree, genes, c.rootings, c.counts, model, team);
    // Plain trees list the nodes in pre-order, as the node numbers do.
    const PlainTree species = plainTree(*c.input.speciesTree, c.input.names);
    const std::size_t n = species.parent.size();
    std::vector<long> duplications(n), losses(n), families(n);
    std::vector<double> weightedDuplications(n), weightedLosses(n);
    for (std::size_t i = 0; i < c.input.geneTrees.size(); ++i) {
      const GeneTree& tree = c.input.geneTrees[i];
      const NodeCounts counts =
          directNodeCounts(species, PlainTree::parse(newickAt(tree, c.rootings[i], c.input.names)), limit);
      for (std::size_t s = 0; s < n; ++s) {
        duplications[s] += counts.duplications[s];
        losses[s] += counts.losses[s];
        families[s] += counts.copies[s];
        weightedDuplications[s] += tree.weight() * static_cast<double>(counts.duplications[s]);
        weightedLosses[s] += tree.weight() * static_cast<double>(counts.losses[s]);
      }
    }
    std::vector<NodeId> byNumber;
    forEachPreorder(
        c.input.speciesTree->root(), [&](NodeId v, int i) { return c.input.speciesTree->child(v, i); },
        [&](NodeId v) { byNumber.push_back(v); });
    for (std::size_t s = 0; s < n; ++s) {
      const auto v = static_cast<std::size_t>(byNumber[s]);
      EXPECT_EQ(events.duplications[v], duplications[s]) << c.text << s;
      EXPECT_EQ(events.losses[v], losses[s]) << c.text << s;
      EXPECT_EQ(events.families[v], families[s]) << c.text << s;
      EXPECT_TRUE(nearCost(events.weightedDuplications[v], weightedDuplications[s]) &&
                  nearCost(events.weightedLosses[v], weightedLosses[s]))
          << c.text << s;
    }
  }
}

// The counts reported for a tree are what its events must add up to.
TEST(BranchEvents, RefuseCountsTheyDoNotAddUpTo) {
  std::mt19937 random(3);
  RandomCase c = randomCase(random, 6, 3, CostModel(), true);
  c.counts[1].losses += 1;
  WorkerTeam team(2);
  EXPECT_THROW(
      countBranchEvents(*c.input.speciesTree, scoringOrder(c.input.geneTrees), c.rootings, c.counts, CostModel(), team),
      InternalError);
}

TEST(BranchSupport, AgreesWithTheDirectCountOfBothInterchanges) {
  std::mt19937 random(5);
  const CostWeights weights[] = {{1, 1}, {1, 0.5}, {2, 1}, {1, 0}};
  for (int round = 0; round < 80 && !HasFailure(); ++round) {
    const bool limit = round % 2 == 1;
    const CostModel model{limit ? LossScope::geneSpeciesOnly : LossScope::wholeSpeciesTree, weights[round / 2 % 4]};
    RandomCase c = randomCase(random, 3 + round % 8, 1 + round % 5, model, true);
    WorkerTeam team(1 + round % 3);
    const SpeciesTree& tree = *c.input.speciesTree;
    const std::vector<BranchSupport> support =
        familySupport(tree, scoringOrder(c.input.geneTrees), c.rootings, c.counts, model, team);
    for (NodeId v = 0; v < static_cast<NodeId>(tree.size()); ++v) {
      const BranchSupport& s = support[static_cast<std::size_t>(v)];
      ASSERT_EQ(s.scored, !tree.isLeaf(v) && v != tree.root());
      if (!s.scored) continue;
      // The tree, then C (v's sibling) with v's first child, then with its second.
      std::vector<PlainTree> topologies = {plainTree(tree, c.input.names)};
      for (int k = 0; k < 2; ++k) {
        SpeciesTree alternative = tree;
        alternative.moveSubtree(tree.sibling(v), tree.child(v, k));
        topologies.push_back(plainTree(alternative, c.input.names));
      }
      double change[2] = {0, 0};
      std::int64_t preferring[3] = {0, 0, 0}, ties = 0;
      for (const GeneTree& gene : c.input.geneTrees) {
        const PlainTree plain = plainTree(gene, c.input.names);
        double cost[3];
        for (int k = 0; k < 3; ++k)
          cost[k] =
              (gene.rooted() || plain.isLeaf(plain.root) ? directCount(topologies[k], plain, limit)
                                                         : cheapestRooting(topologies[k], plain, limit, model.weights))
                  .cost(model.weights);
        for (int k = 0; k < 2; ++k) change[k] += gene.weight() * (cost[k + 1] - cost[0]);
        const double least = std::min({cost[0], cost[1], cost[2]});
        const int atLeast = (cost[0] == least) + (cost[1] == least) + (cost[2] == least);
        if (atLeast == 2) ++ties;
        for (int k = 0; k < 3 && atLeast == 1; ++k) preferring[k] += cost[k] == least;
      }
      const std::string what = c.text + " branch above " + std::to_string(v) + (limit ? " limit" : "");
      EXPECT_TRUE(nearCost(s.costChange[0], change[0]) && nearCost(s.costChange[1], change[1])) << what;
      EXPECT_TRUE(s.preferring[0] == preferring[0] && s.preferring[1] == preferring[1] &&
                  s.preferring[2] == preferring[2] && s.ties == ties)
          << what;
    }
  }
}

}  // namespace
