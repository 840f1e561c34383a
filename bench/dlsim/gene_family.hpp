#pragma once
// Gene families evolved inside a species tree by a birth-death process of gene
// duplication and gene loss, as rooted Newick text over the species names.

#include <string>

#include "sim_random.hpp"
#include "yule_species_tree.hpp"

namespace dlsim {

struct FamilyRates {
  double duplication = 0.5;  // per gene copy and unit of species-tree height
  double loss = 0.2;
  int rootCopies = 1;        // copies at the species root (from duplications above it)
  int leafSwaps = 0;         // gene-tree error: swaps of the species of two random genes
};

struct GeneFamily {
  std::string newick;  // ending in ";", no branch lengths; empty when nothing survived
  int leaves = 0;      // surviving gene copies
};

// Evolves one family down the species tree. Copies that share a species
// carry its name; lineages left with one surviving child are contracted.
GeneFamily evolveFamily(const YuleSpeciesTree& species, const FamilyRates& rates, SimRandom& random);

}  // namespace dlsim
