#include "report/report_writer.hpp"

#include <cstdint>

#include "common/console.hpp"
#include "reconcile/reconciler.hpp"
#include "tree/newick_writer.hpp"

namespace {

template <class Tree>
void writeSize(std::ostream& out, const Tree& tree) {
  out << "[Size: " << tree.size() << " nodes " << tree.leaves().size() << " leaves]\n";
}

}  // namespace

void writeReport(std::ostream& out, const SpeciesTree& species, const std::vector<GeneTree>& genes,
                 const NameTable& names, const ReportRequest& request) {
  const bool nexus = request.format == OutputFormat::nexus;
  const NewickWriter newick(names);

  Reconciler reconciler(species, request.lossScope);
  std::vector<GeneTreeCost> costs;
  std::uint64_t duplications = 0, losses = 0;
  for (const GeneTree& tree : genes) {
    costs.push_back(reconciler.costAtPresentRooting(tree));
    duplications += static_cast<std::uint64_t>(costs.back().duplications);
    losses += static_cast<std::uint64_t>(costs.back().losses);
  }

  if (nexus) out << "#nexus\nbegin trees;\n";
  out << "[Species tree]\n";
  writeSize(out, species);
  out << "[Weighted reconciliation cost: " << formatCost(request.weightedCost) << "]\n";
  out << "[Total number of gene duplications + losses: " << duplications << " + " << losses << " = "
      << duplications + losses << "]\n";
  if (nexus) out << "tree speciestree1 = ";
  newick.write(out, species);
  out << ";\n";
  if (nexus) out << "end;\n";

  if (request.withGeneTrees) {
    out << "\n[Gene trees]\n";
    if (nexus) out << "begin trees;\n";
    // In input order, numbered by position there.
    for (std::size_t k = 1; k <= genes.size(); ++k) {
      const GeneTree& tree = genes[k - 1];
      const GeneTreeCost& cost = costs[k - 1];
      // An empty line after every rooted tree, and before a tree that
      // follows an unrooted one.
      if (k > 1 && !genes[k - 2].rooted()) out << '\n';
      out << "[Rooted gene tree " << k << (tree.rooted() ? "" : " (unrooted in input)") << "]\n";
      writeSize(out, tree);
      // The weight as a mark, so that the program reads it back.
      if (tree.weight() != 1) out << "[&WEIGHT=" << formatCost(tree.weight()) << "]\n";
      out << "[Gene duplications + Losses: " << cost.duplications << " + " << cost.losses << " = "
          << cost.duplications + cost.losses << "]\n";
      if (nexus) out << "tree genetree" << k << " = ";
      newick.write(out, tree);
      out << ";\n";
      if (tree.rooted()) out << '\n';
    }
    if (nexus) out << "end;\n";
  }
  out.flush();
}
