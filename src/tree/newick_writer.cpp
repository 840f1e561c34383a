#include "tree/newick_writer.hpp"

namespace dls {

namespace {

// Letters, digits and "_": names of these alone are written bare, so that
// any Newick reader takes them as they are.
bool isPlainNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

void NewickWriter::writeLabel(std::ostream& out, std::string_view label) const {
  if (label.empty()) return;
  std::size_t plain = 0;
  while (plain < label.size() && isPlainNameChar(label[plain])) ++plain;
  if (plain == label.size()) {
    out << label;
    return;
  }
  out << '\'';
  for (char c : label) {
    if (c == '\'' || c == '"') out << c;  // doubled inside quotes
    out << c;
  }
  out << '\'';
}

std::string_view NewickWriter::label(const SpeciesTree& tree, NodeId v) const {
  return tree.name(v) == kNoName ? std::string_view() : std::string_view(names_.text(tree.name(v)));
}

std::string_view NewickWriter::label(const GeneTree& tree, NodeId v) const {
  const std::string_view gene = tree.geneLabel(v);
  if (!gene.empty() || tree.name(v) == kNoName) return gene;
  return names_.text(tree.name(v));
}

}  // namespace dls
