#pragma once
// Writes trees in Newick notation: children in parentheses, child 0 first,
// then the node's label; no branch lengths, no ";". A label of other
// characters than letters, digits and "_" is written in apostrophes, a
// quote (' or ") in it doubled. Gene leaves are written with their gene labels.
// Notes, when given, are written as they are right after each node's label
// (comments such as "[&key=value]", by node; empty: none).

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tree/gene_tree.hpp"
#include "tree/name_table.hpp"
#include "tree/species_tree.hpp"

namespace dls {

class NewickWriter {
 public:
  explicit NewickWriter(const NameTable& names) : names_(names) {}

  // innerLabels, when given, replaces the labels of inner nodes (by node).
  void write(std::ostream& out, const SpeciesTree& tree, const std::vector<std::string>* innerLabels = nullptr,
             const std::vector<std::string>* notes = nullptr) const {
    writeTree(out, tree, tree, innerLabels, notes);
  }
  // A gene tree as read, or at another rooting of its links.
  void write(std::ostream& out, const GeneTree& tree) const { writeTree(out, tree, tree.rooting(), nullptr, nullptr); }
  void write(std::ostream& out, const GeneTree& tree, const GeneRooting& rooting,
             const std::vector<std::string>* notes = nullptr) const {
    writeTree(out, tree, rooting, nullptr, notes);
  }

  // A node's label as written (unquoted): a gene leaf's gene label.
  std::string_view label(const SpeciesTree& tree, NodeId v) const;
  std::string_view label(const GeneTree& tree, NodeId v) const;

 private:
  // links: the tree's children (the tree itself, or a rooting of a gene tree's links).
  template <class Tree, class Links>
  void writeTree(std::ostream& out, const Tree& tree, const Links& links, const std::vector<std::string>* innerLabels,
                 const std::vector<std::string>* notes) const;
  void writeLabel(std::ostream& out, std::string_view label) const;

  const NameTable& names_;
};

template <class Tree, class Links>
void NewickWriter::writeTree(std::ostream& out, const Tree& tree, const Links& links,
                             const std::vector<std::string>* innerLabels, const std::vector<std::string>* notes) const {
  auto childOf = [&links](NodeId v, int i) { return links.child(v, i); };
  depthFirstTour(links.root(), childOf, [&](NodeId v, TourStep step) {
    const bool inner = !links.isLeaf(v);
    switch (step) {
      case TourStep::enter:
        if (inner) out << '(';
        break;
      case TourStep::between:
        if (links.child(v, 1) != kNoNode) out << ',';
        break;
      case TourStep::leave:
        if (inner) out << ')';
        writeLabel(out, inner && innerLabels != nullptr ? std::string_view((*innerLabels)[static_cast<std::size_t>(v)])
                                                        : label(tree, v));
        if (notes != nullptr) out << (*notes)[static_cast<std::size_t>(v)];
        break;
    }
  });
}

}  // namespace dls
