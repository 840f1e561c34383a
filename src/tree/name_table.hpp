#pragma once
// Every distinct label of a run's trees (species names, gene-leaf names and
// inner-node labels) is stored once and referred to by a number, so that a
// gene leaf finds its species by comparing numbers, not strings.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace dls {

using NameId = std::int32_t;
constexpr NameId kNoName = -1;

class NameTable {
 public:
  NameTable() = default;
  // Moves keep the texts in place; copies would not.
  NameTable(const NameTable&) = delete;
  NameTable& operator=(const NameTable&) = delete;
  NameTable(NameTable&&) = default;
  NameTable& operator=(NameTable&&) = default;

  // The number of the name, added if new.
  NameId intern(const std::string& name);
  // The number of the name, or kNoName when it was never added.
  NameId find(const std::string& name) const;
  const std::string& text(NameId id) const { return *texts_[static_cast<std::size_t>(id)]; }
  std::size_t size() const { return texts_.size(); }

 private:
  std::unordered_map<std::string, NameId> ids_;
  std::vector<const std::string*> texts_;  // the keys of ids_, which never move
};

}  // namespace dls
