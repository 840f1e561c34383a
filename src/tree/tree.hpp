#pragma once
// A tree over a node class and the class of its labelled (named) nodes. The
// tree owns every node on its nodes list.

#include <ostream>
#include <string>
#include <typeinfo>
#include <vector>

#include "driver/messages.hpp"

template <class NodeT, class NamedNodeT>
class Tree {
 public:
  using Node = NodeT;
  using NamedNode = NamedNodeT;

  Node* root = nullptr;
  std::vector<Node*> nodes;        // every node, in creation order; owned
  std::vector<NamedNode*> leaves;  // every leaf, in text order of a parsed tree

  Tree() = default;
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;
  virtual ~Tree() {
    for (Node* node : nodes) delete node;
  }

  // Indented dump of the subtree below node, one node a line, for debugging.
  // The node lines are the stage's stream operators of its node classes.
  void outputSubtree(std::ostream& out, Node*& node, int depth) {
    indent(out, depth);
    if (node == nullptr) return;
    if (NamedNode* named = dynamic_cast<NamedNode*>(node)) {
      out << "name:" << named->name() << ", ";
    } else if (typeid(*node) != typeid(Node)) {
      fatalError("treenode of unknown type");
    }
    out << *node;
    const bool hasChild = node->child(0) != nullptr || node->child(1) != nullptr;
    if (hasChild) out << " (";
    out << '\n';
    for (int i = 0; i < 2; ++i)
      if (node->child(i) != nullptr) outputSubtree(out, node->child(i), depth + 1);
    if (hasChild) {
      indent(out, depth);
      out << ")\n";
    }
  }

 private:
  // Two blanks per level, written in one piece.
  static void indent(std::ostream& out, int depth) {
    thread_local std::string blanks;
    const std::size_t width = 2 * static_cast<std::size_t>(depth);
    if (blanks.size() < width) blanks.assign(width, ' ');
    out.write(blanks.data(), static_cast<std::streamsize>(width));
  }
};
