#pragma once
// The notations of the result. The species tree alone on one Newick line
// (tree); or the report: comment lines with the species tree's size and
// costs (and the cost weights unless they are 1 and 1), the tree, and on
// request every gene tree with its own size, weight (when not 1) and
// counts, in input order, each at its rooting, in Newick or in NEXUS.

#include <ostream>
#include <string>
#include <vector>

#include "report/branch_annotations.hpp"
#include "report/run_summary.hpp"
#include "tree/gene_tree.hpp"
#include "tree/name_table.hpp"
#include "tree/newick_writer.hpp"

namespace dls {

class ReportFormat {
 public:
  virtual ~ReportFormat() = default;
  // geneTrees: the trees to list after the species tree, in input order,
  // as the summary's gene trees; null: none.
  virtual void write(std::ostream& out, const RunSummary& summary, const std::vector<const GeneTree*>* geneTrees,
                     const NameTable& names) const = 0;
};

// The species tree alone, its supports as inner labels.
class TreeLineFormat : public ReportFormat {
 public:
  void write(std::ostream& out, const RunSummary& summary, const std::vector<const GeneTree*>* geneTrees,
             const NameTable& names) const override;
};

// The report as Newick trees behind comment lines. NexusFormat puts the
// same trees in TREES blocks.
class NewickReportFormat : public ReportFormat {
 public:
  void write(std::ostream& out, const RunSummary& summary, const std::vector<const GeneTree*>* geneTrees,
             const NameTable& names) const override;

 protected:
  // Around and in front of the trees: a block's start (given its trees,
  // for their labels), a tree statement's start, a block's end; and where
  // a gene tree's weight goes (when not 1): a mark on a line of its own,
  // or in the statement.
  virtual void beginSpeciesBlock(std::ostream&, const NewickWriter&, const SpeciesTree&) const {}
  virtual void beginGeneBlock(std::ostream&, const NewickWriter&, const std::vector<const GeneTree*>&) const {}
  virtual void beginStatement(std::ostream&, const std::string& /*name*/, const std::string& /*weight*/) const {}
  virtual void weightLine(std::ostream& out, const std::string& weight) const;
  virtual void endBlock(std::ostream&) const {}
  // The annotated forms: node comments of this style on the species tree
  // (instead of support labels) and the gene trees, and the provenance in
  // a header comment; none in the plain forms.
  virtual NoteStyle noteStyle() const { return NoteStyle::none; }
};

class NexusFormat : public NewickReportFormat {
 protected:
  void beginSpeciesBlock(std::ostream& out, const NewickWriter& writer, const SpeciesTree& tree) const override;
  void beginGeneBlock(std::ostream& out, const NewickWriter& writer,
                      const std::vector<const GeneTree*>& trees) const override;
  void beginStatement(std::ostream& out, const std::string& name, const std::string& weight) const override;
  void weightLine(std::ostream&, const std::string&) const override {}
  void endBlock(std::ostream& out) const override { out << "end;\n"; }
};

// The annotated forms: NEXUS with FigTree's and BEAST's node comments, and
// the Newick report with NHX comments (which ETE3 reads).
class AnnotatedNexusFormat : public NexusFormat {
 protected:
  NoteStyle noteStyle() const override { return NoteStyle::figTree; }
};

class NhxFormat : public NewickReportFormat {
 protected:
  NoteStyle noteStyle() const override { return NoteStyle::nhx; }
};

// The shortest decimal text that reads back as the same number.
std::string exactText(double value);

}  // namespace dls
