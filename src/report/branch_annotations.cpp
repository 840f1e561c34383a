#include "report/branch_annotations.hpp"

#include <cmath>
#include <cstdio>

#include "common/decimal_text.hpp"

namespace dls {

std::vector<int> nodeNumbers(const SpeciesTree& tree) {
  std::vector<int> numbers(tree.size(), 0);
  int next = 0;
  forEachPreorder(
      tree.root(), [&tree](NodeId v, int i) { return tree.child(v, i); },
      [&](NodeId v) { numbers[static_cast<std::size_t>(v)] = ++next; });
  return numbers;
}

std::string familyShare(const BranchSupport& support, int k) {
  const std::int64_t deciding = support.deciding();
  if (deciding == 0) return std::string();
  const std::int64_t count = k == 3 ? support.ties : support.preferring[k];
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", 100.0 * static_cast<double>(count) / static_cast<double>(deciding));
  return text;
}

std::string familyLabel(const BranchSupport& support) {
  if (!support.scored || support.deciding() == 0) return std::string();
  return std::to_string(
      std::llround(100.0 * static_cast<double>(support.preferring[0]) / static_cast<double>(support.deciding())));
}

std::vector<std::vector<Annotation>> nodeAnnotations(const RunSummary& summary) {
  const SpeciesTree& tree = *summary.speciesTree;
  const std::vector<int> numbers = nodeNumbers(tree);
  const bool weighted = hasGeneTreeWeights(summary);
  std::vector<std::vector<Annotation>> all(tree.size());
  for (std::size_t v = 0; v < tree.size(); ++v) {
    std::vector<Annotation>& notes = all[v];
    notes.push_back({"node", std::to_string(numbers[v])});
    if (!summary.bootstrap.empty() && !summary.bootstrap[v].empty())
      notes.push_back({"bootstrap", summary.bootstrap[v]});
    if (!summary.familySupport.empty() && summary.familySupport[v].scored) {
      const BranchSupport& support = summary.familySupport[v];
      if (support.deciding() > 0) {
        const char* keys[4] = {"family_support", "family_alt1", "family_alt2", "family_ties"};
        for (int k = 0; k < 4; ++k) notes.push_back({keys[k], familyShare(support, k)});
      }
      notes.push_back({"deciding_families", std::to_string(support.deciding())});
      notes.push_back({"delta_cost_alt1", formatCost(support.costChange[0])});
      notes.push_back({"delta_cost_alt2", formatCost(support.costChange[1])});
    }
    if (summary.events.empty()) continue;
    notes.push_back({"duplications", std::to_string(summary.events.duplications[v])});
    notes.push_back({"losses", std::to_string(summary.events.losses[v])});
    notes.push_back({"families", std::to_string(summary.events.families[v])});
    if (!weighted) continue;
    notes.push_back({"weighted_duplications", formatCost(summary.events.weightedDuplications[v])});
    notes.push_back({"weighted_losses", formatCost(summary.events.weightedLosses[v])});
  }
  return all;
}

std::string nodeComment(const std::vector<Annotation>& annotations, NoteStyle style) {
  if (style == NoteStyle::none || annotations.empty()) return std::string();
  std::string text = style == NoteStyle::figTree ? "[&" : "[&&NHX";
  for (std::size_t i = 0; i < annotations.size(); ++i) {
    text += style == NoteStyle::nhx ? ":" : i == 0 ? "" : ",";
    text += annotations[i].key + "=" + annotations[i].value;
  }
  return text + "]";
}

}  // namespace dls
