#pragma once
// A random jump away from a local optimum: random SPR moves, each pruning a
// node drawn at random and regrafting it above another drawn among the
// positions that keep every constraint clade whole.

#include "common/random.hpp"
#include "tree/species_tree.hpp"

namespace dls {

// Applies `moves` random SPR moves to the tree (fewer when it has no room
// for them: a tree of three leaves has one shape per root).
void perturb(SpeciesTree& tree, int moves, Random& random);

}  // namespace dls
