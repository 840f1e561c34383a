#include "report/side_outputs.hpp"

#include <algorithm>

#include "common/decimal_text.hpp"
#include "common/escaped_text.hpp"
#include "reconcile/species_index.hpp"
#include "report/branch_annotations.hpp"

namespace dls {

namespace {

// A name as a cell of the clade column can hold it.
std::string cellText(const std::string& name) { return escapedText(name, ","); }

// The columns after node and clade, as the summary has them.
std::vector<std::string> tableColumns(const RunSummary& summary) {
  std::vector<std::string> columns;
  if (!summary.bootstrap.empty()) columns.push_back("bootstrap");
  if (!summary.familySupport.empty())
    columns.insert(columns.end(), {"family_support", "family_alt1", "family_alt2", "family_ties", "deciding_families",
                                   "delta_cost_alt1", "delta_cost_alt2"});
  if (!summary.events.empty()) columns.insert(columns.end(), {"duplications", "losses", "families"});
  if (!summary.events.empty() && hasGeneTreeWeights(summary))
    columns.insert(columns.end(), {"weighted_duplications", "weighted_losses"});
  return columns;
}

}  // namespace

void writeBranchTable(std::ostream& out, const RunSummary& summary, const NameTable& names) {
  const SpeciesTree& tree = *summary.speciesTree;
  const std::vector<std::string> columns = tableColumns(summary);
  const std::vector<std::vector<Annotation>> annotations = nodeAnnotations(summary);
  const std::vector<std::vector<NameId>> clades = cladesOf(tree);
  std::vector<NodeId> byNumber(tree.size());
  const std::vector<int> numbers = nodeNumbers(tree);
  for (std::size_t v = 0; v < tree.size(); ++v)
    byNumber[static_cast<std::size_t>(numbers[v] - 1)] = static_cast<NodeId>(v);
  out << "node\tclade";
  for (const std::string& column : columns) out << '\t' << column;
  out << '\n';
  for (const NodeId v : byNumber) {
    const auto at = static_cast<std::size_t>(v);
    std::vector<std::string> species;
    for (const NameId name : clades[at]) species.push_back(cellText(names.text(name)));
    std::sort(species.begin(), species.end());
    out << numbers[at] << '\t';
    for (std::size_t i = 0; i < species.size(); ++i) out << (i == 0 ? "" : ",") << species[i];
    for (const std::string& column : columns) {
      out << '\t';
      for (const Annotation& annotation : annotations[at])
        if (annotation.key == column) out << annotation.value;
    }
    out << '\n';
  }
  out.flush();
}

SpeciesTreePicture speciesPicture(const RunSummary& summary) {
  const SpeciesTree& tree = *summary.speciesTree;
  SpeciesTreePicture picture;
  picture.title = "dlspecies: weighted cost " + formatCost(summary.weightedCost) + ", " +
                  std::to_string(tree.leaves().size()) + " species";
  const bool bootstrap = !summary.bootstrap.empty(), families = !summary.familySupport.empty();
  if (bootstrap || families) {
    picture.support.assign(tree.size(), std::string());
    picture.supportMeaning = bootstrap && families ? "bootstrap/family support (%)"
                             : bootstrap           ? "bootstrap support (%)"
                                                   : "family support (%)";
  }
  for (std::size_t v = 0; v < picture.support.size(); ++v) {
    const std::string family = families ? familyLabel(summary.familySupport[v]) : std::string();
    const std::string replicates = bootstrap ? summary.bootstrap[v] : std::string();
    picture.support[v] = bootstrap && families && !(replicates.empty() && family.empty()) ? replicates + "/" + family
                                                                                          : replicates + family;
  }
  if (!summary.events.empty()) {
    for (std::size_t v = 0; v < tree.size(); ++v) {
      picture.duplications.push_back(static_cast<double>(summary.events.duplications[v]));
      picture.losses.push_back(static_cast<double>(summary.events.losses[v]));
    }
  }
  return picture;
}

}  // namespace dls
