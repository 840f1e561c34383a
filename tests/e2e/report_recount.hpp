#pragma once
// Checking a report against a direct recount over the input's gene trees
// (every gene tree in the printed species tree, an unrooted one at its
// cheapest rooting).

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "e2e/e2e_support.hpp"
#include "support/direct_count.hpp"

// One tree of an input: its Newick text of names only, its kind and weight.
struct InputTree {
  std::string newick;
  bool unrooted = false;
  double weight = 1;
};

// The trees of a Newick text. Comments, white space and branch lengths are
// dropped; "[&U]", "[&R]" and "[&WEIGHT=w]" before a tree set its kind and
// weight, the last one winning.
inline std::vector<InputTree> inputTrees(const std::string& text) {
  std::vector<InputTree> trees;
  InputTree tree;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '[') {
      const std::size_t end = std::min(text.find(']', at), text.size());
      const std::string comment = text.substr(at + 1, end - at - 1);
      if (tree.newick.empty() && (comment == "&U" || comment == "&R")) tree.unrooted = comment == "&U";
      if (tree.newick.empty() && comment.rfind("&WEIGHT=", 0) == 0) tree.weight = std::stod(comment.substr(8));
      at = end;
    } else if (c == ':') {
      while (at + 1 < text.size() && std::string(",);[").find(text[at + 1]) == std::string::npos) ++at;
    } else if (std::isspace(static_cast<unsigned char>(c)) == 0) {
      tree.newick += c;
      if (c == ';') trees.push_back(std::exchange(tree, InputTree()));
    }
  }
  return trees;
}

// The weighted cost as the report writes it: narrowed to a float, six
// significant digits.
inline std::string asReported(double cost) {
  std::ostringstream text;
  text << static_cast<float>(cost);
  return text.str();
}

// Whether the report at the end of out gives, for its species tree, the
// counts of a direct recount over the trees of the input. An unrooted gene
// tree counts at its cheapest rooting; as cheapest rootings may split their
// total differently, the duplications may lie anywhere between the least and
// the most that such rootings give.
inline ::testing::AssertionResult agreesWithRecount(const std::string& out, const std::string& input,
                                                    bool limitLosses = false) {
  const std::size_t totals = out.rfind("[Total number of gene duplications + losses: ");
  if (totals == std::string::npos) return ::testing::AssertionFailure() << "no report: " << out;
  const std::size_t treeLine = out.find('\n', totals) + 1;
  const std::vector<InputTree> speciesTree = inputTrees(out.substr(treeLine));
  if (speciesTree.size() != 1) return ::testing::AssertionFailure() << "no species tree: " << out.substr(treeLine);
  const PlainTree species = PlainTree::parse(speciesTree[0].newick);

  long fewest = 0, most = 0, total = 0;
  double weighted = 0;
  for (const InputTree& tree : inputTrees(input)) {
    const PlainTree gene = PlainTree::parse(tree.newick);
    const bool reroot = tree.unrooted && !gene.isLeaf(gene.root);
    const long cost = (reroot ? cheapestRooting(species, gene, limitLosses) : directCount(species, gene, limitLosses)).total();
    long low = std::numeric_limits<long>::max(), high = 0;
    for (const PlainTree& rooting : reroot ? allRootings(gene) : std::vector<PlainTree>{gene}) {
      const Counts counts = directCount(species, rooting, limitLosses);
      if (counts.total() != cost) continue;
      low = std::min(low, counts.duplications);
      high = std::max(high, counts.duplications);
    }
    fewest += low;
    most += high;
    total += cost;
    weighted += tree.weight * static_cast<double>(cost);
  }

  long d = -1, l = -1, t = -1;
  std::sscanf(out.c_str() + totals, "[Total number of gene duplications + losses: %ld + %ld = %ld]", &d, &l, &t);
  const std::string weightedText = valueAfter(out, "[Weighted reconciliation cost: ");
  if (t == total && d + l == t && d >= fewest && d <= most && weightedText == asReported(weighted))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "report " << d << " + " << l << " = " << t << ", weighted " << weightedText
                                       << "; recount total " << total << ", duplications " << fewest << ".." << most
                                       << ", weighted " << asReported(weighted) << ", species tree "
                                       << species.newick();
}
