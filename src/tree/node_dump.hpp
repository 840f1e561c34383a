#pragma once
// Debug form of the structural part of a node: its address and the
// addresses of its parent and children.

#include <ostream>

#include "tree/tree_node.hpp"

template <class T>
std::ostream& dumpStructure(std::ostream& out, T& node) {
  return out << "addr:" << static_cast<const void*>(&node)
             << ", parent:" << static_cast<const void*>(node.parent())
             << ", children:{" << static_cast<const void*>(node.child(0)) << ", "
             << static_cast<const void*>(node.child(1)) << "}";
}
