// Reading the constraints file of the leaf-adding stage: groups of species
// names that the initial species tree must keep together as clades.

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "builder/leafadd_tree_set.hpp"
#include "driver/messages.hpp"
#include "tree/node_id.hpp"

namespace buildtree {
namespace LEAFADD {

namespace {

// A species is known when a labelled node of some live tree carries its name.
bool inTaxaSet(const std::string& name) {
  return NodeID::namelist.find(name) != NodeID::namelist.end();
}

}  // namespace

void TreeSet::readConstraints(Input& in) {
  std::size_t accepted = 0;
  char c;
  bool more = in.nextAnyChar(c);
  while (more) {
    // One group: names separated by "," and ended by ";".
    in.pushBack(c);
    std::vector<std::string> group;
    for (;;) {
      const std::string name = in.getName();
      if (name.empty())
        fatalError("expected species name in constraints input " + in.getPos());
      if (inTaxaSet(name))
        group.push_back(name);
      else
        warning("species '" + name +
                "' listed in constraints input was not found in taxa set - species ignored");
      if (!in.nextAnyChar(c))
        fatalError("unexpected end constraints input " + in.getPos());
      if (c == ';') break;
      if (c != ',') fatalError("expected ',' in constraints input " + in.getPos());
    }
    if (group.size() < 2) {
      warning("constraint has to contain at least 2 species - constraint ignored");
    } else {
      const std::size_t size = group.size();
      constraints.push_back(std::move(group));
      ++accepted;
      progress("Constraint of " + std::to_string(size) + " taxa");
    }
    more = in.nextAnyChar(c);
  }
  if (accepted == 0)
    warning("no constraints found");
  else
    progress(std::to_string(accepted) + " constraints total");
}

}  // namespace LEAFADD
}  // namespace buildtree
