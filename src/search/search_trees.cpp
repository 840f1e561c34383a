#include "search/search_trees.hpp"

namespace localsearch {

void SpeciesTree::createNode(TempNode& temp) {
  LcaSpeciesTree::createNode(temp);
  const std::uint32_t colour = constraintCount + 1;
  for (const std::string& comment : temp.comments) {
    if (comment == "[&CONSTRAINT]") {
      constraintCount = colour;
      temp.node->color = colour;
    }
  }
}

void colorSpeciesTreeByConstraintsDFS(SpeciesNode* node, std::uint32_t color) {
  if (node == nullptr) return;
  if (node->color == 0) node->color = color;
  colorSpeciesTreeByConstraintsDFS(node->child(0), node->color);
  colorSpeciesTreeByConstraintsDFS(node->child(1), node->color);
}

}  // namespace localsearch
