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
  int rootCopies = 1;     // copies at the species root (from duplications above it)
  int leafSwaps = 0;      // gene-tree error: swaps of the species of two random genes
  double sprNoise = 0.0;  // gene-tree error: chance that a gene's leaf is moved to another edge
};

struct GeneFamily {
  std::string newick;  // ending in ";", no branch lengths; empty when nothing survived
  int leaves = 0;      // surviving gene copies
  int moved = 0;       // leaves moved by the gene-tree noise
};

// Evolves one family down the species tree. Copies that share a species
// carry its name; lineages left with one surviving child are contracted.
// Then each leaf, with the chance rates.sprNoise, is pruned and regrafted
// onto another edge of the family's tree, drawn uniformly from those where
// the move changes the tree (the root's edge included). The noise draws
// from its own generator only, so that the families do not depend on it.
GeneFamily evolveFamily(const YuleSpeciesTree& species, const FamilyRates& rates, SimRandom& random, SimRandom& noise);

}  // namespace dlsim
