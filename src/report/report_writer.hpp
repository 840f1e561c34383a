#pragma once
// The result of a run: the final species tree, preceded by comment lines
// with its size and costs (and the cost weights unless they are 1 and 1),
// and on request every gene tree with its own size, weight (when not 1)
// and duplication and loss counts, in input order (unrooted ones at the
// rooting the search left them, their cheapest), in Newick or NEXUS
// notation.

#include <ostream>
#include <string>
#include <vector>

#include "common/options.hpp"
#include "common/worker_team.hpp"
#include "tree/gene_tree.hpp"
#include "tree/name_table.hpp"
#include "tree/species_tree.hpp"

namespace dls {

struct ReportRequest {
  OutputFormat format = OutputFormat::newick;
  bool withGeneTrees = false;
  LossScope lossScope = LossScope::wholeSpeciesTree;
  CostWeights weights;      // of the weighted cost; the totals are counts
  double weightedCost = 0;  // the search's result
  // Bootstrap: per species-tree node, the support written as its label
  // (empty: none), and the replicates done of those asked for.
  std::vector<std::string> supports;
  int replicatesDone = 0, replicatesAsked = 0;
};

// The team counts the gene trees' costs.
void writeReport(std::ostream& out, const SpeciesTree& species, const std::vector<GeneTree>& genes,
                 const NameTable& names, const ReportRequest& request, WorkerTeam& team);

}  // namespace dls
