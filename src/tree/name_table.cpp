#include "tree/name_table.hpp"

namespace dls {

NameId NameTable::intern(const std::string& name) {
  const auto [entry, added] = ids_.emplace(name, static_cast<NameId>(texts_.size()));
  if (added) texts_.push_back(&entry->first);
  return entry->second;
}

NameId NameTable::find(const std::string& name) const {
  const auto entry = ids_.find(name);
  return entry == ids_.end() ? kNoName : entry->second;
}

}  // namespace dls
