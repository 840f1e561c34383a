#pragma once
// Nucleotide substitution under the general time-reversible model (GTR)
// with discrete gamma rates across sites, and sequences evolved along a
// gene tree by it.

#include <array>
#include <string>
#include <vector>

#include "sim_random.hpp"

namespace dlsim {

inline constexpr char kBases[] = "ACGT";
inline constexpr int kRateCategories = 4;

using BaseMatrix = std::array<std::array<double, 4>, 4>;

struct GtrParameters {
  std::array<double, 4> frequencies{0.25, 0.25, 0.25, 0.25};  // of A, C, G, T
  std::array<double, 6> exchange{1, 1, 1, 1, 1, 1};           // AC, AG, AT, CG, CT, GT
  double gammaShape = 1.0;                                    // of the rates across sites
};

// GTR + discrete gamma, scaled so that a branch of length t carries t
// expected substitutions per site.
class SubstitutionModel {
 public:
  explicit SubstitutionModel(const GtrParameters& parameters);

  const std::array<double, 4>& frequencies() const { return parameters.frequencies; }
  // The mean rate of each of four equally likely categories (Yang 1994).
  const std::array<double, kRateCategories>& categoryRates() const { return rates; }
  // Chances of going from base i (row) to base j over a branch of the given
  // length at relative rate 1.
  BaseMatrix transition(double length) const;

 private:
  GtrParameters parameters;
  std::array<double, kRateCategories> rates{};
  std::array<double, 4> eigenvalue{};
  BaseMatrix eigenvector{};  // of the symmetric form of the rate matrix; column k goes with eigenvalue k
};

// The mean rates of the four quarters of a gamma distribution of mean 1
// and the given shape (> 0): four times the mean's share in each quarter.
std::array<double, kRateCategories> discreteGammaRates(double shape);

// P(shape, x): the regularised lower incomplete gamma function.
double regularisedGammaP(double shape, double x);

// Evolves `sites` sites down a rooted tree whose nodes come parents first
// (parent[0] = -1 at the root): the root's bases drawn from the model's
// frequencies, each site's rate category uniformly, then each node from
// its parent over its branch. Returns every node's sequence.
std::vector<std::string> evolveSequences(const std::vector<int>& parent, const std::vector<double>& length,
                                         const SubstitutionModel& model, int sites, SimRandom& random);

}  // namespace dlsim
