#pragma once
// The result of a run: the final species tree with its size and costs, and
// on request every gene tree with its own counts, each unrooted one shown at
// its cheapest rooting.

#include <cstdint>
#include <ostream>

#include "driver/stage_options.hpp"
#include "report/report_tree_set.hpp"

namespace genedupreport {

class Report : public TreeSet {
 public:
  // End points of the cheapest root edge found so far for the unrooted gene
  // tree being counted.
  GeneNodeUnrooted* rootEdgeFirst = nullptr;
  GeneNodeUnrooted* rootEdgeSecond = nullptr;

  // Counts the duplications and losses of every gene tree; with reroot,
  // every unrooted gene tree is also rooted at its cheapest edge (the input
  // rooting unless another one is strictly cheaper).
  void computeGeneDuplications(bool reroot);

  // Tries every root edge below node (deepest first), keeping the cheapest
  // in rootEdgeFirst/rootEdgeSecond and the counts given.
  void moveRoot(GeneTreeUnrooted& tree, GeneNodeUnrooted* node, std::uint32_t& bestDuplications,
                std::uint32_t& bestLosses);

  // Writes the report for this species tree (see the README for its form).
  void createReportInComment(std::ostream& out, bool reroot, int treeNumber, bool withGeneTrees,
                             bool withCosts, Format format);

 private:
  template <class GeneTreeT>
  void countAtPresentRooting(GeneTreeT& tree, std::uint32_t& duplications, std::uint32_t& losses);
};

std::ostream& operator<<(std::ostream& out, Report& report);

}  // namespace genedupreport
