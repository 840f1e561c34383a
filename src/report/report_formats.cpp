#include "report/report_formats.hpp"

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <set>
#include <string_view>

#include "common/decimal_text.hpp"
#include "reconcile/gene_scratch.hpp"
#include "reconcile/reconciler.hpp"

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

void writeSize(std::ostream& out, std::size_t nodes, std::size_t leaves) {
  out << "[Size: " << nodes << " nodes " << leaves << " leaves]\n";
}

const std::vector<std::string>* supportsOf(const RunSummary& summary) {
  return summary.supports.empty() ? nullptr : &summary.supports;
}

// What the species tree's labels say, when a run gives supports other than
// the bootstrap's alone.
void writeSupportLines(std::ostream& out, const RunSummary& summary, NoteStyle style) {
  if (summary.familySupport.empty()) return;
  out << "[Family support on inner nodes: percentage of the gene trees that prefer the clade to both "
         "nearest-neighbour interchanges around its branch, of those that tell the three apart]\n";
  if (style == NoteStyle::none && !summary.bootstrap.empty())
    out << "[Inner node labels: bootstrap support/family support]\n";
}

// The inner gene nodes of the annotated forms tagged as duplications or
// speciations, with the number of their species node.
class GeneTreeNotes {
 public:
  GeneTreeNotes(const RunSummary& summary, NoteStyle style)
      : reconciler_(*summary.speciesTree, CostModel()), numbers_(nodeNumbers(*summary.speciesTree)), style_(style) {}

  // The tree at the rooting, written with its notes.
  void write(std::ostream& out, const NewickWriter& writer, const GeneTree& tree, const RootEdge& rooting) {
    notes_.assign(tree.size(), std::string());
    reconciler_.costAt(tree, rooting, [&](NodeId g, NodeId c0, NodeId c1) {
      const NodeId* map = reconciler_.mapping();
      const bool duplication = isDuplication<false>(map[g], map[c0], map[c1]);
      std::vector<Annotation> tags = {{"event", duplication ? "duplication" : "speciation"},
                                      {"species_node", std::to_string(numbers_[static_cast<std::size_t>(map[g])])}};
      if (style_ == NoteStyle::nhx) tags.push_back({"D", duplication ? "Y" : "N"});
      notes_[static_cast<std::size_t>(g)] = nodeComment(tags, style_);
    });
    writer.write(out, tree, reconciler_.rooting(), &notes_);
  }

 private:
  Reconciler reconciler_;
  const std::vector<int> numbers_;
  const NoteStyle style_;
  std::vector<std::string> notes_;
};

}  // namespace

std::string exactText(double value) {
  char text[32];
  for (int digits = 12;; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    if (digits == 17 || std::strtod(text, nullptr) == value) return text;
  }
}

void TreeLineFormat::write(std::ostream& out, const RunSummary& summary, const std::vector<const GeneTree*>*,
                           const NameTable& names) const {
  NewickWriter(names).write(out, *summary.speciesTree, supportsOf(summary));
  out << ";\n";
  out.flush();
}

void NewickReportFormat::write(std::ostream& out, const RunSummary& summary,
                               const std::vector<const GeneTree*>* geneTrees, const NameTable& names) const {
  const NewickWriter newick(names);
  const SpeciesTree& species = *summary.speciesTree;
  std::uint64_t duplications = 0, losses = 0;
  for (const GeneTreeOutcome& gene : summary.geneTrees) {
    duplications += static_cast<std::uint64_t>(gene.counts.duplications);
    losses += static_cast<std::uint64_t>(gene.counts.losses);
  }
  const NoteStyle style = noteStyle();
  beginSpeciesBlock(out, newick, species);
  if (style != NoteStyle::none)
    for (const std::string& line : summary.provenance) out << '[' << line << "]\n";
  out << "[Species tree]\n";
  writeSize(out, species.size(), species.leaves().size());
  out << "[Weighted reconciliation cost: " << formatCost(summary.weightedCost) << "]\n";
  if (!summary.weights.areDefault())
    out << "[Cost per duplication: " << exactText(summary.weights.duplication)
        << ", per loss: " << exactText(summary.weights.loss) << "]\n";
  out << "[Total number of gene duplications + losses: " << duplications << " + " << losses << " = "
      << duplications + losses << "]\n";
  if (summary.replicatesAsked > 0) {
    out << "[Bootstrap support on inner nodes: " << summary.replicatesDone << " replicates";
    const int failed = summary.replicatesFailed;
    const bool interrupted = summary.replicatesDone + failed < summary.replicatesAsked;
    if (interrupted || failed > 0) {
      out << " of " << summary.replicatesAsked << " (" << (interrupted ? "interrupted" : "");
      if (failed > 0) out << (interrupted ? "; " : "") << failed << " left out: cost not finite";
      out << ")";
    }
    out << "]\n";
  }
  writeSupportLines(out, summary, style);
  beginStatement(out, "speciestree1", "");
  if (style == NoteStyle::none) {
    newick.write(out, species, supportsOf(summary));
  } else {
    std::vector<std::string> notes;
    for (const std::vector<Annotation>& annotations : nodeAnnotations(summary))
      notes.push_back(nodeComment(annotations, style));
    newick.write(out, species, nullptr, &notes);
  }
  out << ";\n";
  endBlock(out);
  if (geneTrees == nullptr) {
    out.flush();
    return;
  }

  out << "\n[Gene trees]\n";
  beginGeneBlock(out, newick, *geneTrees);
  GeneScratch scratch;
  std::unique_ptr<GeneTreeNotes> geneNotes;
  if (style != NoteStyle::none) geneNotes = std::make_unique<GeneTreeNotes>(summary, style);
  // In input order, numbered by position there.
  for (std::size_t k = 1; k <= geneTrees->size(); ++k) {
    const GeneTree& tree = *(*geneTrees)[k - 1];
    const GeneTreeOutcome& outcome = summary.geneTrees[k - 1];
    // An empty line after every rooted tree, and before a tree that
    // follows an unrooted one.
    if (k > 1 && !(*geneTrees)[k - 2]->rooted()) out << '\n';
    out << "[Rooted gene tree " << k << (tree.rooted() ? "" : " (unrooted in input)") << "]\n";
    writeSize(out, tree.size(), tree.leaves().size());
    // The weight as a mark, so that the program reads it back.
    const std::string weight = tree.weight() != 1 ? exactText(tree.weight()) : std::string();
    if (!weight.empty()) weightLine(out, weight);
    out << "[Gene duplications + Losses: " << outcome.counts.duplications << " + " << outcome.counts.losses << " = "
        << outcome.counts.duplications + outcome.counts.losses << "]\n";
    beginStatement(out, "genetree" + std::to_string(k), weight);
    if (geneNotes)
      geneNotes->write(out, newick, tree, outcome.rooting);
    else
      newick.write(out, tree, scratch.rootAt(tree, outcome.rooting));
    out << ";\n";
    if (tree.rooted()) out << '\n';
  }
  endBlock(out);
  out.flush();
}

void NewickReportFormat::weightLine(std::ostream& out, const std::string& weight) const {
  out << "[&WEIGHT=" << weight << "]\n";
}

void NexusFormat::beginSpeciesBlock(std::ostream& out, const NewickWriter& writer, const SpeciesTree& tree) const {
  out << "#nexus\nbegin trees;\n";
  writeNumberTranslation(out, writer, std::vector<const SpeciesTree*>{&tree});
}

void NexusFormat::beginGeneBlock(std::ostream& out, const NewickWriter& writer,
                                 const std::vector<const GeneTree*>& trees) const {
  out << "begin trees;\n";
  writeNumberTranslation(out, writer, trees);
}

// The weight as the tree weight comment that NEXUS readers know.
void NexusFormat::beginStatement(std::ostream& out, const std::string& name, const std::string& weight) const {
  out << "tree " << name << " = " << (weight.empty() ? "" : "[&W " + weight + "] ");
}

}  // namespace dls
