#include "tree/node_id.hpp"

NodeID::NameList NodeID::namelist;

NodeID::NodeID(const std::string& name) : entry(namelist.emplace(name, 0).first) {
  ++entry->second;
}

NodeID::~NodeID() {
  if (--entry->second == 0) namelist.erase(entry);
}

std::ostream& operator<<(std::ostream& out, const NodeID& id) { return out << "name:" << id.name(); }
