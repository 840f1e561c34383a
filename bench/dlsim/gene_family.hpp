#pragma once
// Gene families evolved inside a species tree by a birth-death process of gene
// duplication and gene loss, as rooted binary trees timed along the species
// tree.

#include <array>
#include <vector>

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

// A family's tree of surviving genes as flat arrays indexed by node.
struct GeneTree {
  std::vector<int> parent;                // -1 at the root
  std::vector<std::array<int, 2>> child;  // {-1, -1} at a leaf
  std::vector<int> species;               // species node of a leaf; -1 inside
  // Species-tree time of the node: when its gene split, or the present (the
  // species leaves' height, 1) at a leaf. The species root splits at 0;
  // the duplications that make extra root copies come before, evenly spaced
  // over kRootStem.
  std::vector<double> time;
  int root = 0;

  std::size_t size() const { return parent.size(); }
  double length(int node) const {  // of the branch above the node; 0 at the root
    const int up = parent[static_cast<std::size_t>(node)];
    return up < 0 ? 0.0 : time[static_cast<std::size_t>(node)] - time[static_cast<std::size_t>(up)];
  }
};

inline constexpr double kRootStem = 0.1;

struct GeneFamily {
  GeneTree evolved;  // nodes numbered parents first, the root 0; no nodes when nothing survived
  GeneTree written;  // after the gene-tree noise: the same nodes, other edges where leaves moved
  int leaves = 0;    // surviving gene copies
  int moved = 0;     // leaves moved by the gene-tree noise
};

// Evolves one family down the species tree. Leaves with --swaps carry the
// species of another gene; lineages left with one surviving child are
// contracted. Then, in the written tree, each leaf, with the chance
// rates.sprNoise, is pruned and regrafted onto another edge of the family's
// tree, drawn uniformly from those where the move changes the tree (the
// root's edge included). The noise draws from its own generator only, so
// that the families do not depend on it.
GeneFamily evolveFamily(const YuleSpeciesTree& species, const FamilyRates& rates, SimRandom& random, SimRandom& noise);

}  // namespace dlsim
