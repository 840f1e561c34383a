#pragma once
// Checks a report against a direct recount (tests/support/direct_count) of
// the input's gene trees in the printed species tree, an unrooted gene tree
// at its cheapest rooting.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/console.hpp"
#include "common/decimal_text.hpp"
#include "support/direct_count.hpp"

namespace dls {

// One tree of an input: its Newick text of names only, its kind and weight.
struct InputTree {
  std::string newick;
  bool unrooted = false;
  double weight = 1;
};

// The trees of a Newick text without comments, blanks, branch lengths and
// inner labels; "[&U]", "[&R]" and "[&WEIGHT=w]" before a tree set its
// kind and weight.
inline std::vector<InputTree> inputTrees(const std::string& text) {
  std::vector<InputTree> trees;
  InputTree tree;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '[') {
      const std::size_t end = std::min(text.find(']', at), text.size());
      const std::string comment = text.substr(at + 1, end - at - 1);
      if (tree.newick.empty() && (comment == "&U" || comment == "&R")) tree.unrooted = comment == "&U";
      if (tree.newick.empty() && comment.rfind("&WEIGHT=", 0) == 0) tree.weight = std::stod(comment.substr(8));
      at = end;
    } else if (text[at] == ':' || (text[at] == ')' && at + 1 < text.size() && text[at + 1] != ':')) {
      if (text[at] == ')') tree.newick += ')';
      bool quoted = false;
      while (at + 1 < text.size() && (quoted || std::string(",);[:").find(text[at + 1]) == std::string::npos))
        quoted = quoted != (text[++at] == '\'');
    } else if (std::isspace(static_cast<unsigned char>(text[at])) == 0) {
      tree.newick += text[at];
      if (text[at] == ';') trees.push_back(std::exchange(tree, InputTree()));
    }
  }
  return trees;
}

// Whether the species tree report (Newick or NEXUS) at the start of report
// gives the recount's totals and weighted cost under the cost weights (and
// names the weights unless they are 1 and 1). The cheapest rootings of an
// unrooted gene tree may split their cost differently: the report's counts
// may lie between the least and the most that such rootings give.
inline ::testing::AssertionResult agreesWithRecount(const std::string& report, const std::string& input,
                                                    bool limitLosses = false, const CostWeights& weights = {}) {
  const std::size_t totals = report.find("[Total number of gene duplications + losses: ");
  const std::size_t costAt = report.find("[Weighted reconciliation cost: ");
  if (totals == std::string::npos || costAt == std::string::npos) return ::testing::AssertionFailure() << report;
  std::string line = report.substr(report.find('\n', totals) + 1);
  line = line.substr(0, line.find('\n'));
  if (line.rfind("tree ", 0) == 0) line = line.substr(line.find("= ") + 2);  // NEXUS
  const PlainTree species = PlainTree::parse(inputTrees(line).at(0).newick);
  Counts fewest, most;
  double least = 0, weighted = 0;  // the cheapest rootings' costs, without and with the gene trees' weights
  for (const InputTree& tree : inputTrees(input)) {
    const PlainTree gene = PlainTree::parse(tree.newick);
    const bool reroot = tree.unrooted && !gene.isLeaf(gene.root);
    const double cost =
        (reroot ? cheapestRooting(species, gene, limitLosses, weights) : directCount(species, gene, limitLosses))
            .cost(weights);
    Counts low{1L << 40, 1L << 40}, high;
    for (const PlainTree& rooting : reroot ? allRootings(gene) : std::vector<PlainTree>{gene}) {
      const Counts counts = directCount(species, rooting, limitLosses);
      if (!nearCost(counts.cost(weights), cost)) continue;
      low = {std::min(low.duplications, counts.duplications), std::min(low.losses, counts.losses)};
      high = {std::max(high.duplications, counts.duplications), std::max(high.losses, counts.losses)};
    }
    fewest = {fewest.duplications + low.duplications, fewest.losses + low.losses};
    most = {most.duplications + high.duplications, most.losses + high.losses};
    least += cost;
    weighted += tree.weight * cost;
  }
  Counts c{-1, -1};
  long t = -1;
  std::sscanf(report.c_str() + totals, "[Total number of gene duplications + losses: %ld + %ld = %ld]", &c.duplications,
              &c.losses, &t);
  const std::size_t from = costAt + std::string("[Weighted reconciliation cost: ").size();
  const std::string cost = report.substr(from, report.find(']', from) - from);
  const bool named = report.find("[Cost per duplication: " + formatCost(weights.duplication) +
                                 ", per loss: " + formatCost(weights.loss) + "]\n") != std::string::npos;
  if (c.total() == t && nearCost(c.cost(weights), least) && c.duplications >= fewest.duplications &&
      c.duplications <= most.duplications && c.losses >= fewest.losses && c.losses <= most.losses &&
      cost == formatCost(weighted) && named != weights.areDefault())
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "report " << c.duplications << " + " << c.losses << " = " << t
                                       << ", weighted " << cost << "; recount duplications " << fewest.duplications
                                       << ".." << most.duplications << ", losses " << fewest.losses << ".."
                                       << most.losses << ", weighted " << formatCost(weighted) << ", species tree "
                                       << line;
}

}  // namespace dls
