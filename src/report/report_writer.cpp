#include "report/report_writer.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <set>
#include <string>

#include "common/console.hpp"
#include "common/decimal_text.hpp"
#include "reconcile/reconciler.hpp"
#include "tree/newick_writer.hpp"

namespace dls {

namespace {

// A NEXUS TRANSLATE command mapping every leaf label of digits alone to
// itself: readers take such a label for a TRANSLATE number, and find it
// here. Nothing when there is none.
template <class Tree>
void writeNumberTranslation(std::ostream& out, const NewickWriter& writer, const std::vector<const Tree*>& trees) {
  std::set<std::string> numbers;
  for (const Tree* tree : trees) {
    for (NodeId leaf : tree->leaves()) {
      const std::string_view label = writer.label(*tree, leaf);
      if (!label.empty() && label.find_first_not_of("0123456789") == std::string_view::npos) numbers.emplace(label);
    }
  }
  if (numbers.empty()) return;
  out << "translate\n";
  for (auto it = numbers.begin(); it != numbers.end(); ++it)
    out << "  " << *it << ' ' << *it << (std::next(it) == numbers.end() ? "\n;\n" : ",\n");
}

// The shortest decimal text that reads back as the same number.
std::string exactText(double value) {
  char text[32];
  for (int digits = 12;; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    if (digits == 17 || std::strtod(text, nullptr) == value) return text;
  }
}

template <class Tree>
void writeSize(std::ostream& out, const Tree& tree) {
  out << "[Size: " << tree.size() << " nodes " << tree.leaves().size() << " leaves]\n";
}

}  // namespace

void writeReport(std::ostream& out, const SpeciesTree& species, const std::vector<GeneTree>& genes,
                 const NameTable& names, const ReportRequest& request, WorkerTeam& team) {
  const bool nexus = request.format == OutputFormat::nexus;
  const NewickWriter newick(names);
  const std::vector<std::string>* supports = request.supports.empty() ? nullptr : &request.supports;
  if (request.format == OutputFormat::tree) {
    newick.write(out, species, supports);
    out << ";\n";
    out.flush();
    return;
  }

  // A reconciler per worker, made when it first gets a gene tree.
  std::vector<std::unique_ptr<Reconciler>> reconcilers(team.size());
  std::vector<GeneTreeCost> costs(genes.size());
  team.forEach(genes.size(), 16, [&](unsigned worker, std::size_t i) {
    if (!reconcilers[worker])
      reconcilers[worker] = std::make_unique<Reconciler>(species, request.lossScope, request.weights);
    costs[i] = reconcilers[worker]->costAtPresentRooting(genes[i]);
  });
  std::uint64_t duplications = 0, losses = 0;
  for (const GeneTreeCost& cost : costs) {
    duplications += static_cast<std::uint64_t>(cost.duplications);
    losses += static_cast<std::uint64_t>(cost.losses);
  }

  if (nexus) {
    out << "#nexus\nbegin trees;\n";
    writeNumberTranslation(out, newick, std::vector<const SpeciesTree*>{&species});
  }
  out << "[Species tree]\n";
  writeSize(out, species);
  out << "[Weighted reconciliation cost: " << formatCost(request.weightedCost) << "]\n";
  if (!request.weights.areDefault())
    out << "[Cost per duplication: " << exactText(request.weights.duplication)
        << ", per loss: " << exactText(request.weights.loss) << "]\n";
  out << "[Total number of gene duplications + losses: " << duplications << " + " << losses << " = "
      << duplications + losses << "]\n";
  if (request.replicatesAsked > 0) {
    out << "[Bootstrap support on inner nodes: " << request.replicatesDone << " replicates";
    if (request.replicatesDone < request.replicatesAsked) out << " of " << request.replicatesAsked << " (interrupted)";
    out << "]\n";
  }
  if (nexus) out << "tree speciestree1 = ";
  newick.write(out, species, supports);
  out << ";\n";
  if (nexus) out << "end;\n";

  if (request.withGeneTrees) {
    out << "\n[Gene trees]\n";
    if (nexus) {
      out << "begin trees;\n";
      std::vector<const GeneTree*> all;
      for (const GeneTree& tree : genes) all.push_back(&tree);
      writeNumberTranslation(out, newick, all);
    }
    // In input order, numbered by position there.
    for (std::size_t k = 1; k <= genes.size(); ++k) {
      const GeneTree& tree = genes[k - 1];
      const GeneTreeCost& cost = costs[k - 1];
      // An empty line after every rooted tree, and before a tree that
      // follows an unrooted one.
      if (k > 1 && !genes[k - 2].rooted()) out << '\n';
      out << "[Rooted gene tree " << k << (tree.rooted() ? "" : " (unrooted in input)") << "]\n";
      writeSize(out, tree);
      // The weight as a mark, so that the program reads it back: in NEXUS,
      // the tree weight comment that other readers know.
      const bool weighted = tree.weight() != 1;
      if (weighted && !nexus) out << "[&WEIGHT=" << exactText(tree.weight()) << "]\n";
      out << "[Gene duplications + Losses: " << cost.duplications << " + " << cost.losses << " = "
          << cost.duplications + cost.losses << "]\n";
      if (nexus) out << "tree genetree" << k << " = " << (weighted ? "[&W " + exactText(tree.weight()) + "] " : "");
      newick.write(out, tree);
      out << ";\n";
      if (tree.rooted()) out << '\n';
    }
    if (nexus) out << "end;\n";
  }
  out.flush();
}

}  // namespace dls
