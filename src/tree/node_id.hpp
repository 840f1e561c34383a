#pragma once
// Interned name of a labelled node. All live labelled nodes of all trees share
// one table of names with a reference count each, so two nodes carry the
// same name exactly when they refer to the same table entry.

#include <map>
#include <ostream>
#include <string>

class NodeID {
 public:
  using NameList = std::map<std::string, int>;

  // Every name carried by a live labelled node, with its number of carriers.
  static NameList namelist;

  explicit NodeID(const std::string& name);
  virtual ~NodeID();
  NodeID(const NodeID&) = delete;
  NodeID& operator=(const NodeID&) = delete;

  const std::string& name() const { return entry->first; }
  // Identity of the name: equal for nodes with equal names.
  const NameList::value_type* nameEntry() const { return &*entry; }

 private:
  NameList::iterator entry;
};

std::ostream& operator<<(std::ostream& out, const NodeID& id);
