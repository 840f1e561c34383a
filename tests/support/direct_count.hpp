#pragma once
// An obviously correct, slow reference for the reconciliation counts, built
// from the definitions only: a gene node maps to the smallest species clade
// holding all its species; a duplication is a node mapped like one of its
// children; losses are depth differences in the species tree (restricted
// to the gene tree's species when asked). Trees here are plain index
// structures, independent of the program's classes.

#include <array>
#include <cmath>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "reconcile/cost_model.hpp"

namespace dls {

struct PlainTree {
  std::vector<int> parent;                // -1 at the root
  std::vector<std::array<int, 2>> child;  // -1 when absent
  std::vector<std::string> label;         // leaf names
  int root = -1;

  int addNode(int parentNode);
  bool isLeaf(int v) const { return child[v][0] < 0 && child[v][1] < 0; }
  std::vector<int> leaves() const;
  std::string newick() const;
  // Reads a binary Newick tree of names only (no comments, no lengths).
  static PlainTree parse(const std::string& text);
};

struct Counts {
  long duplications = 0;
  long losses = 0;
  long total() const { return duplications + losses; }
  double cost(const CostWeights& weights) const {
    return weights.duplication * static_cast<double>(duplications) + weights.loss * static_cast<double>(losses);
  }
  bool operator==(const Counts& o) const { return duplications == o.duplications && losses == o.losses; }
};

// The leaf labels below every node, indexed by node.
std::vector<std::set<std::string>> clades(const PlainTree& tree);

// Duplications and losses of a rooted gene tree in a species tree.
Counts directCount(const PlainTree& species, const PlainTree& gene, bool limitLosses);

// Where a rooted gene tree's events fall, per species node (by index):
// the duplications mapped to it; the losses on the branch above it, each
// missing lineage counted at the top node of the clade it misses (in the
// restricted tree when asked: a node whose nearest counted ancestor P lies
// on the path of a gene edge, below the parent's mapping or at it below a
// duplication, and that does not hold the child's species); and whether
// the gene tree has a copy on that branch (the node holds some of its
// species and lies below the root's mapping, or is it).
struct NodeCounts {
  std::vector<long> duplications, losses;
  std::vector<int> copies;
};
NodeCounts directNodeCounts(const PlainTree& species, const PlainTree& gene, bool limitLosses);

// Every rooting of a gene tree read as unrooted: one tree per edge, the
// present rooting first; edges, when given, receives the edges (pairs of
// gene nodes) in the same order.
std::vector<PlainTree> allRootings(const PlainTree& gene, std::vector<std::pair<int, int>>* edges = nullptr);

// The counts of the cheapest rooting under the weights (first of the
// cheapest in allRootings order).
Counts cheapestRooting(const PlainTree& species, const PlainTree& gene, bool limitLosses,
                       const CostWeights& weights = {});

// The tree restricted to leaves whose labels are kept: other leaves are
// removed and nodes left with one child contracted. root is -1 when no leaf
// is kept.
PlainTree restrictTo(const PlainTree& tree, const std::set<std::string>& kept);

// Every tree one rooted SPR move away: the subtree of a non-root node x,
// with its parent, regrafted onto the edge above a node y outside it.
std::vector<PlainTree> sprNeighbours(const PlainTree& tree);

// A random rooted binary tree whose leaves carry the given labels in a random order.
PlainTree randomTree(std::mt19937& random, std::vector<std::string> labels);

// Weights of a duplication and of a loss the differential tests run under:
// the default, either one 0, and others whose sums round.
inline const CostWeights kWeightTable[] = {{1, 1}, {1, 0}, {0, 1}, {1, 0.5}, {0.3, 2.7}, {2, 1}, {0.1, 0.7}};

// The weights of a test's round: the table in turn, then a random pair of
// hundredths up to 3, either of them 0 at times.
inline CostWeights roundWeights(int round, std::mt19937& random) {
  const int n = static_cast<int>(std::size(kWeightTable));
  if (round % (n + 1) < n) return kWeightTable[round % (n + 1)];
  const auto hundredths = [&random] { return 0.01 * static_cast<double>(1 + random() % 300); };
  const double duplication = random() % 4 == 0 ? 0 : hundredths();
  return {duplication, duplication != 0 && random() % 3 == 0 ? 0 : hundredths()};
}

// Whether two weighted costs are equal but for rounding.
inline bool nearCost(double a, double b) { return std::abs(a - b) <= 1e-9 * (1 + std::abs(b)); }

}  // namespace dls
