#pragma once
// A constraints file: groups of species names, each a list separated by
// "," and ended by ";", that the start tree must keep together as clades
// ("Human,Chimp; Mouse,Rat;").

#include <string>
#include <vector>

#include "common/console.hpp"
#include "common/errors.hpp"
#include "tree/text_reader.hpp"

namespace dls {

using ConstraintGroup = std::vector<std::string>;

// Reads the groups, keeping the names for which isSpecies(name) holds
// (with a warning for the others) and the groups that keep at least two.
template <class IsSpecies>
std::vector<ConstraintGroup> readConstraintGroups(TextReader& in, IsSpecies&& isSpecies, Console& console);

// --- Implementation -------------------------------------------------------------------

template <class IsSpecies>
std::vector<ConstraintGroup> readConstraintGroups(TextReader& in, IsSpecies&& isSpecies, Console& console) {
  std::vector<ConstraintGroup> groups;
  in.setRole("the constraints file", "constraints: give groups of species names, such as \"Human,Chimp; Mouse,Rat;\"");
  char c;
  bool more = in.nextSignificant(c);
  if (more && c == '>') in.refuse(kLooksLikeFasta);
  while (more) {
    in.pushBack(c);
    ConstraintGroup group;
    for (;;) {
      const std::string name = in.readName();
      if (name.empty()) throw InputError("expected species name in constraints input " + in.position());
      if (isSpecies(name))
        group.push_back(name);
      else
        console.warning(
            "species '" + shownText(name) + "' listed in constraints input was not found in taxa set - species ignored",
            "species listed in constraints input not found");
      if (!in.nextSignificant(c)) throw InputError("unexpected end constraints input " + in.position());
      if (c == ';') break;
      if (c != ',') throw InputError("expected ',' in constraints input " + in.position());
    }
    if (group.size() < 2) {
      console.warning("constraint has to contain at least 2 species - constraint ignored",
                      "constraint has to contain at least 2 species");
    } else {
      console.line("Constraint of " + std::to_string(group.size()) + " taxa");
      groups.push_back(std::move(group));
    }
    more = in.nextSignificant(c);
  }
  if (groups.empty())
    console.warning("no constraints found");
  else
    console.line(std::to_string(groups.size()) + " constraints total");
  return groups;
}

}  // namespace dls
