#pragma once
// Branch lengths in substitutions per site and sequences for a gene family,
// from a random stream of the family's own. The draws, in this order:
// - the family's rate multiplier, lognormal of mean 1 (log-scale deviation
//   kFamilyRateSpread);
// - the shape k of its lineage-specific rate variation, lognormal
//   (log-scale mean 1.5, deviation 1, median 4.5): each branch's rate is
//   multiplied by a gamma of shape k and mean 1;
// - GTR: base frequencies of A, C, G, T from Dirichlet(36, 26, 28, 32),
//   exchange rates AC, AG, AT, CG, CT, GT from Dirichlet(10, 30, 8, 8, 30,
//   10) (transitions about three times as fast as transversions), and the
//   shape of the gamma rates across sites, lognormal around 1 (log-scale
//   mean 0, deviation 0.5), in four categories;
// - a gamma multiplier per branch, parents first;
// - the sequences, when asked for.
// A branch of species-tree time t then has length
// t x scale x family multiplier x branch multiplier.

#include <string>
#include <vector>

#include "gene_family.hpp"
#include "sim_random.hpp"
#include "substitution_model.hpp"

namespace dlsim {

inline constexpr double kFamilyRateSpread = 0.5;

struct FamilySequences {
  double rateMultiplier = 1.0;
  double branchShape = 1.0;
  GtrParameters gtr;
  std::vector<double> length;         // of the branch above each node of the evolved tree; 0 at the root
  std::vector<std::string> sequence;  // of each node; none when no sites were asked for
};

// scale: expected substitutions per site from the species root to a leaf
// for a family of multiplier 1 without lineage variation. sites 0: the
// branch lengths alone (the same as with sites).
FamilySequences simulateFamilySequences(const GeneTree& evolved, double scale, int sites, SimRandom& random);

}  // namespace dlsim
