#pragma once
// Before a species tree and its gene trees are reconciled: every species
// must be named once in the species tree, and every gene leaf's species
// must be in it. Species that no gene tree names are dropped from the
// species tree, with a warning: nothing could place them.

#include <vector>

#include "common/console.hpp"
#include "tree/gene_tree.hpp"
#include "tree/name_table.hpp"
#include "tree/species_tree.hpp"

namespace dls {

// Checks the gene trees in the order given; throws InputError for the first
// fault.
void checkSpeciesCoverage(SpeciesTree& species, const std::vector<const GeneTree*>& genes, const NameTable& names,
                          Console& console);

}  // namespace dls
