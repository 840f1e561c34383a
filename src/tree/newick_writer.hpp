#pragma once
// Writes trees in Newick notation: children in parentheses, child 0 first,
// then the node's label; no branch lengths, no ";". A label that the
// reader would not take unquoted is written in apostrophes.

#include <ostream>

#include "tree/gene_tree.hpp"
#include "tree/name_table.hpp"
#include "tree/species_tree.hpp"

class NewickWriter {
 public:
  explicit NewickWriter(const NameTable& names) : names_(names) {}

  void write(std::ostream& out, const SpeciesTree& tree) const { writeTree(out, tree); }
  // A gene tree at its present rooting.
  void write(std::ostream& out, const GeneTree& tree) const { writeTree(out, tree); }

 private:
  template <class Tree>
  void writeTree(std::ostream& out, const Tree& tree) const;
  void writeName(std::ostream& out, NameId name) const;

  const NameTable& names_;
};

template <class Tree>
void NewickWriter::writeTree(std::ostream& out, const Tree& tree) const {
  auto childOf = [&tree](NodeId v, int i) { return tree.child(v, i); };
  depthFirstTour(tree.root(), childOf, [&](NodeId v, TourStep step) {
    const bool inner = !tree.isLeaf(v);
    switch (step) {
      case TourStep::enter:
        if (inner) out << '(';
        break;
      case TourStep::between:
        if (tree.child(v, 1) != kNoNode) out << ',';
        break;
      case TourStep::leave:
        if (inner) out << ')';
        writeName(out, tree.name(v));
        break;
    }
  });
}
