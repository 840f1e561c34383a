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

  // Subtree prune and regraft: takes x with its parent p out of the tree and
  // puts p onto the edge above y, x keeping its slot in p. Requires x not the
  // root and y outside the subtree of x. Creates and destroys nothing; if s
  // was x's sibling, moveSubtree(x, s) undoes the move exactly.
  void moveSubtree(Node* x, Node* y) {
    Node* p = x->parent();
    if (p == y) return;
    const int k = p->child(0) == x ? 0 : 1;
    closeGap(p, k);
    Node* q = y->parent();
    if (q != nullptr) {
      childSlot(q, y) = p;
    } else {
      root = p;
      p->parent() = nullptr;
    }
    p->parent() = q;
    y->parent() = p;
    p->child(1 - k) = y;
  }

  // Removes a leaf (not the root) and its parent, joining the sibling to
  // the grandparent so that the tree stays binary; destroys both nodes.
  void deleteLeafNode(NamedNode* leaf) {
    Node* node = leaf;
    Node* p = node->parent();
    closeGap(p, p->child(0) == node ? 0 : 1);
    eraseFirst(leaves, leaf);
    eraseFirst(nodes, node);
    eraseFirst(nodes, p);
    delete p;
    delete node;
  }

  // Puts the root node of an unrooted tree on the edge between the
  // neighbours a and b: a becomes its first child, b its second.
  void connectRoot(Node* a, Node* b) {
    root->child(0) = a;
    root->child(1) = b;
    neighbourSlot(a, b) = root;
    neighbourSlot(b, a) = root;
  }

  // Asks the processor to bring every node into the cache ahead of use. The
  // scoring passes stream through all gene trees once per pruned subtree,
  // far more data than the caches hold; fetching the next tree while one is
  // scored keeps the walks from waiting on memory node by node.
  void prefetchNodes() const {
    for (const Node* node : nodes) __builtin_prefetch(node);
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
  // The child slot of parent that holds child.
  static Node*& childSlot(Node* parent, Node* child) {
    return parent->child(0) == child ? parent->child(0) : parent->child(1);
  }

  // Takes p out of the tree: its child on side 1 - k takes its place under
  // its parent (or becomes the root, p keeping no link to it).
  void closeGap(Node* p, int k) {
    Node* g = p->parent();
    Node* s = p->child(1 - k);
    s->parent() = g;
    if (g != nullptr) {
      childSlot(g, p) = s;
    } else {
      root = s;
      p->child(1 - k) = nullptr;
    }
  }

  template <class T>
  static void eraseFirst(std::vector<T*>& list, T* item) {
    for (auto it = list.begin(); it != list.end(); ++it)
      if (*it == item) {
        list.erase(it);
        return;
      }
  }

  // The neighbour slot of node that holds other (slots searched in order).
  static Node*& neighbourSlot(Node* node, Node* other) {
    for (Node*& slot : node->neighbours)
      if (slot == other) return slot;
    fatalError("node not found in getDirection\n");
  }

  // Two blanks per level, written in one piece.
  static void indent(std::ostream& out, int depth) {
    thread_local std::string blanks;
    const std::size_t width = 2 * static_cast<std::size_t>(depth);
    if (blanks.size() < width) blanks.assign(width, ' ');
    out.write(blanks.data(), static_cast<std::streamsize>(width));
  }
};
