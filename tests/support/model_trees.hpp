#pragma once
// The program's trees in unit tests: read from Newick text, and seen as the
// plain trees of the direct recount.

#include <cmath>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

#include "common/console.hpp"
#include "common/random.hpp"
#include "support/direct_count.hpp"
#include "tree/newick_writer.hpp"
#include "tree/tree_input.hpp"

// Reads a tree input (a species tree first when asked for); warnings are
// dropped.
inline TreeInput readInput(const std::string& text, bool speciesTreeFirst, std::uint32_t seed = 1) {
  static std::ostringstream sink;
  Console console(sink, sink);
  Random random(seed);
  std::istringstream stream(text);
  TextReader in(stream);
  TreeInput trees;
  TreeInputRules rules;
  rules.speciesTreeFirst = speciesTreeFirst;
  readTreeInput(in, rules, random, console, trees);
  return trees;
}

template <class Tree>
std::string newickOf(const Tree& tree, const NameTable& names) {
  std::ostringstream out;
  NewickWriter(names).write(out, tree);
  return out.str() + ";";
}

template <class Tree>
PlainTree plainTree(const Tree& tree, const NameTable& names) {
  return PlainTree::parse(newickOf(tree, names));
}

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

// Newick text the program reads back: a single leaf in parentheses.
inline std::string readableNewick(const PlainTree& tree) {
  return tree.isLeaf(tree.root) ? "(" + tree.label[tree.root] + ");" : tree.newick();
}
