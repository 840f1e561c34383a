#include "tree/tree_set_reader.hpp"

#include <sstream>

GeneTreeMarks readGeneTreeMarks(Input& in, bool readWeight) {
  static const std::string weightMark = "[&WEIGHT=";
  GeneTreeMarks marks;
  for (std::string comment = in.getComment(); !comment.empty(); comment = in.getComment()) {
    if (comment == "[&U]") marks.rooted = false;
    if (comment == "[&R]") marks.rooted = true;
    if (!readWeight) continue;
    const std::size_t at = comment.find(weightMark);
    if (at == std::string::npos) continue;
    // The number is read by a reader of its own, so that an error points
    // into the text after "=".
    std::istringstream text(comment.substr(at + weightMark.size()));
    Input weightInput(text);
    marks.weight = weightInput.readNumber();
  }
  return marks;
}
