#pragma once
// The labelled variant of a node class: the node plus its interned name.
// Every node that carries a name in the input is of this class.

#include <ostream>
#include <string>

#include "tree/node_id.hpp"

template <class Base>
class Labelled : public Base, public NodeID {
 public:
  explicit Labelled(const std::string& name) : NodeID(name) {}
};

// Debug form: the name, then the text of the plain node class.
template <class Base>
std::ostream& operator<<(std::ostream& out, Labelled<Base>& node) {
  return out << static_cast<NodeID&>(node) << ", " << static_cast<Base&>(node);
}
