#include "app/run_annotations.hpp"

#include <algorithm>
#include <chrono>

#include "app/startup.hpp"
#include "common/decimal_text.hpp"
#include "common/escaped_text.hpp"
#include "report/branch_annotations.hpp"
#include "report/report_formats.hpp"
#include "report/side_outputs.hpp"
#include "report/svg_writer.hpp"
#include "scoring/branch_events.hpp"
#include "scoring/branch_support.hpp"

namespace dls {

namespace {

bool showsBranchEvents(const Options& options) {
  return options.format == OutputFormat::annotated || options.format == OutputFormat::nhx || !options.svgPath.empty() ||
         !options.branchTablePath.empty();
}

// An argument as a shell takes it back, then as a comment can hold it.
std::string quotedArgument(const std::string& argument) {
  const bool plain = !argument.empty() && argument.find_first_not_of(
                                              "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUV"
                                              "WXYZ0123456789_-+=.,/:@%") == std::string::npos;
  std::string quoted = plain ? argument : "'";
  if (!plain) {
    for (const char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += '\'';
  }
  return escapedText(quoted, "[]");
}

}  // namespace

void annotateBranches(const Options& options, const std::vector<ScoredGeneTree>& reported, WorkerTeam& team,
                      ProcessGroup& processes, Console& console, RunSummary& summary) {
  const bool families = options.support == GeneTreeSupport::families;
  if (!showsBranchEvents(options) && !families) return;
  // The reported trees (refined, when their polytomies are) in summing
  // order: rooted, then unrooted.
  std::vector<ScoredGeneTree> genes;
  for (const bool rooted : {true, false})
    for (const ScoredGeneTree& gene : reported)
      if (gene.tree->rooted() == rooted) genes.push_back(gene);
  std::vector<RootEdge> rootings;
  std::vector<GeneTreeCost> counts;
  for (const GeneTreeOutcome& outcome : summary.geneTrees) {
    rootings.push_back(outcome.rooting);
    counts.push_back(outcome.counts);
  }
  const SpeciesTree& species = *summary.speciesTree;
  if (showsBranchEvents(options))
    summary.events = countBranchEvents(species, genes, rootings, counts, options.costModel, team, processes);
  if (!families) return;
  const auto begun = std::chrono::steady_clock::now();
  const auto elapsed = [&begun] {
    return formatElapsed(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - begun).count());
  };
  summary.familySupport = familySupport(
      species, genes, rootings, counts, options.costModel, team, processes, [&](std::size_t done, std::size_t total) {
        const std::string text = "Support from the gene trees: branch " + std::to_string(done) + " of " +
                                 std::to_string(total) + ", elapsed " + elapsed();
        if (done == total)
          console.progressStep(text);
        else if (console.progressDue())
          console.progress(text);
      });
}

std::vector<std::string> innerLabels(const RunSummary& summary) {
  if (summary.familySupport.empty()) return summary.bootstrap;
  std::vector<std::string> labels(summary.familySupport.size());
  for (std::size_t v = 0; v < labels.size(); ++v) {
    const std::string family = familyLabel(summary.familySupport[v]);
    const std::string replicates = summary.bootstrap.empty() ? "" : summary.bootstrap[v];
    labels[v] = replicates.empty() || family.empty() ? replicates + family : replicates + "/" + family;
  }
  return labels;
}

std::vector<std::string> provenanceLines(const Options& options, const std::vector<std::string>& commandLine,
                                         const RunSummary& summary) {
  std::string line = "Command line:";
  for (const std::string& argument : commandLine) line += " " + quotedArgument(argument);
  const CostWeights& weights = summary.weights;
  std::string geneWeights = "all 1";
  if (hasGeneTreeWeights(summary)) {
    double least = summary.geneTrees[0].weight, most = least;
    std::size_t weighted = 0;
    for (const GeneTreeOutcome& gene : summary.geneTrees) {
      least = std::min(least, gene.weight);
      most = std::max(most, gene.weight);
      weighted += gene.weight != 1 ? 1 : 0;
    }
    geneWeights = "from " + exactText(least) + " to " + exactText(most) + " (" + std::to_string(weighted) + " of " +
                  std::to_string(summary.geneTrees.size()) + " trees not 1)";
  }
  return {std::string("dlspecies ") + programVersion(), line,
          "Seed: " + std::to_string(options.seed) + "; threads: " + std::to_string(options.threads),
          "Cost per duplication: " + exactText(weights.duplication) + ", per loss: " + exactText(weights.loss) +
              "; gene tree weights: " + geneWeights};
}

void writeSideOutputs(const std::function<std::ostream&()>& svg, const std::function<std::ostream&()>& branchTable,
                      const RunSummary& summary, const NameTable& names) {
  if (svg) writeSvg(svg(), *summary.speciesTree, names, speciesPicture(summary));
  if (branchTable) writeBranchTable(branchTable(), summary, names);
}

}  // namespace dls
