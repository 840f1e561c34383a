#include "family_sequences.hpp"

namespace dlsim {

FamilySequences simulateFamilySequences(const GeneTree& evolved, double scale, int sites, SimRandom& random) {
  FamilySequences family;
  family.rateMultiplier = random.lognormal(-0.5 * kFamilyRateSpread * kFamilyRateSpread, kFamilyRateSpread);
  family.branchShape = random.lognormal(1.5, 1.0);
  family.gtr.frequencies = random.dirichlet<4>({36, 26, 28, 32});
  family.gtr.exchange = random.dirichlet<6>({10, 30, 8, 8, 30, 10});
  family.gtr.gammaShape = random.lognormal(0.0, 0.5);
  family.length.assign(evolved.size(), 0.0);
  for (std::size_t node = 1; node < evolved.size(); ++node)
    family.length[node] = evolved.length(static_cast<int>(node)) * scale * family.rateMultiplier *
                          random.gamma(family.branchShape) / family.branchShape;
  if (sites > 0)
    family.sequence = evolveSequences(evolved.parent, family.length, SubstitutionModel(family.gtr), sites, random);
  return family;
}

}  // namespace dlsim
