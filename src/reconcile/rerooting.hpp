#pragma once
// Re-rooting an unrooted gene tree: the root node is moved onto another edge
// by rewiring neighbour slots, and the nodes between the old and the new
// position turn their parent direction toward the new root.

#include <cstdint>

#include "driver/messages.hpp"

// Walking down from node: every node whose parent is not yet `parent` takes
// the slot holding `parent` as its parent direction. Only the path of nodes
// whose orientation changes is visited.
template <class Node>
void rerootDFS(Node* node, Node* parent) {
  while (node != nullptr && node->parent() != parent) {
    int slot = 0;
    while (slot < 3 && node->neighbours[slot] != parent) ++slot;
    if (slot == 3) fatalError("parent not found in assignParent\n");
    node->parentIndex = static_cast<std::uint16_t>(slot);
    rerootDFS(node->child(0), node);
    parent = node;
    node = node->child(1);
  }
}

// Moves the root of an unrooted gene tree onto the edge (a, b): its two
// current children are joined to each other, then the root is put between a
// and b and the orientation below it is fixed.
template <class GeneTree, class Node>
void moveRootToEdge(GeneTree& tree, Node* a, Node* b) {
  Node* root = tree.root;
  Node* first = root->child(0);
  Node* second = root->child(1);
  first->parent() = second;
  second->parent() = first;
  tree.connectRoot(a, b);
  rerootDFS(root->child(0), root);
  rerootDFS(root->child(1), root);
}

// Puts the root of an unrooted gene tree on every edge below node in turn,
// the edges deeper below each child first, and calls visit(node, child)
// with the root on the edge (child, node). The root is left on the last
// edge tried.
template <class GeneTree, class Node, class Visit>
void forEachRootEdgeBelow(GeneTree& tree, Node* node, Visit&& visit) {
  Node* children[2] = {node->child(0), node->child(1)};
  for (Node* child : children) {
    if (child == nullptr) continue;
    forEachRootEdgeBelow(tree, child, visit);
    moveRootToEdge(tree, child, node);
    visit(node, child);
  }
}
