#pragma once
// The species tree as a picture (SVG 1.1): a rooted rectangular cladogram
// read from left to right. Leaves are evenly spaced rows in the order of the
// Newick text (child 0 first) and aligned on the right; an inner node stands
// in the middle of its two children, one step left of its higher child, so
// that every branch is at least one step long; the root has a branch of one
// step above it. At the lower end of each branch: a circle whose area
// follows its duplications, over the branch its duplications and losses,
// under it the support label; a legend under the title explains them. Fonts
// and spacing shrink with the number of leaves (14 px up to 20 leaves,
// 10 px from about 320); the width grows with the longest name, whose width
// is estimated generously so that no name is cut.
//
// The file is plain SVG 1.1 (no scripts, styles or references to other
// files). Every text is XML-escaped; bytes that are not UTF-8 and control
// characters are drawn as U+FFFD, tabs and line breaks as spaces.

#include <ostream>
#include <string>
#include <vector>

#include "tree/name_table.hpp"
#include "tree/species_tree.hpp"

namespace dls {

// What is drawn beside the tree itself. Each per-node vector is indexed by
// NodeId and is either empty (not drawn) or as long as the tree.
struct SpeciesTreePicture {
  std::string title;  // the first line, e.g. "dlspecies: weighted cost 1234, 48 species"
  // Labels of inner nodes (bootstrap support); an empty label is not drawn.
  std::vector<std::string> support;
  // Events on the branch above each node (the root's: above the root), as
  // counts or weighted sums, finite and >= 0. Written whole from 1000 on,
  // else with up to 4 significant digits (2.5, 0.3333); a branch without
  // any is left blank.
  std::vector<double> duplications;
  std::vector<double> losses;
  // What the support labels are, for the legend ("support of the clade
  // below" when empty).
  std::string supportMeaning;
};

void writeSvg(std::ostream& out, const SpeciesTree& tree, const NameTable& names, const SpeciesTreePicture& picture);

}  // namespace dls
