#include "substitution_model.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace dlsim {

namespace {

// Rows and columns of the exchange rates AC, AG, AT, CG, CT, GT.
constexpr int kPairs[6][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};

// Eigenvalues and eigenvectors of a symmetric 4 x 4 matrix by cyclic Jacobi
// rotations; on return a holds the eigenvalues on its diagonal and the
// columns of vectors the eigenvectors.
void jacobiEigen(BaseMatrix& a, BaseMatrix& vectors) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) vectors[i][j] = i == j ? 1.0 : 0.0;
  for (int sweep = 0; sweep < 64; ++sweep) {
    double off = 0.0;
    for (int p = 0; p < 4; ++p)
      for (int q = p + 1; q < 4; ++q) off += a[p][q] * a[p][q];
    if (off < 1e-40) return;
    for (int p = 0; p < 4; ++p)
      for (int q = p + 1; q < 4; ++q) {
        if (a[p][q] == 0.0) continue;
        const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
        const double t = (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
        const double c = 1.0 / std::sqrt(t * t + 1.0), s = t * c;
        for (int k = 0; k < 4; ++k) {
          const double kp = a[k][p], kq = a[k][q];
          a[k][p] = c * kp - s * kq;
          a[k][q] = s * kp + c * kq;
        }
        for (int k = 0; k < 4; ++k) {
          const double pk = a[p][k], qk = a[q][k];
          a[p][k] = c * pk - s * qk;
          a[q][k] = s * pk + c * qk;
        }
        for (int k = 0; k < 4; ++k) {
          const double kp = vectors[k][p], kq = vectors[k][q];
          vectors[k][p] = c * kp - s * kq;
          vectors[k][q] = s * kp + c * kq;
        }
      }
  }
}

// The x at which a gamma distribution of mean 1 and the given shape reaches
// the cumulative chance p (0 < p < 1), by bisection.
double gammaQuantile(double shape, double p) {
  double low = 0.0, high = 1.0;
  while (regularisedGammaP(shape, shape * high) < p) high *= 2.0;
  for (int step = 0; step < 200 && high - low > 1e-15 * high; ++step) {
    const double middle = 0.5 * (low + high);
    (regularisedGammaP(shape, shape * middle) < p ? low : high) = middle;
  }
  return 0.5 * (low + high);
}

}  // namespace

double regularisedGammaP(double shape, double x) {
  if (x <= 0.0) return 0.0;
  const double front = std::exp(-x + shape * std::log(x) - std::lgamma(shape));
  if (x < shape + 1.0) {  // the series
    double term = 1.0 / shape, sum = term;
    for (int n = 1; n < 100000 && std::fabs(term) > std::fabs(sum) * 1e-16; ++n) sum += term *= x / (shape + n);
    return sum * front;
  }
  // The continued fraction of the upper part (modified Lentz).
  const double tiny = std::numeric_limits<double>::min() / 1e-16;
  double b = x + 1.0 - shape, c = 1.0 / tiny, d = 1.0 / b, fraction = d;
  for (int i = 1; i < 100000; ++i) {
    const double an = -i * (i - shape);
    b += 2.0;
    d = an * d + b;
    if (std::fabs(d) < tiny) d = tiny;
    c = b + an / c;
    if (std::fabs(c) < tiny) c = tiny;
    d = 1.0 / d;
    const double step = d * c;
    fraction *= step;
    if (std::fabs(step - 1.0) < 1e-16) break;
  }
  return 1.0 - front * fraction;
}

std::array<double, kRateCategories> discreteGammaRates(double shape) {
  std::array<double, kRateCategories> rates{};
  double below = 0.0;  // share of the mean below the lower bound of the quarter
  for (int k = 0; k < kRateCategories; ++k) {
    const double upTo = k + 1 == kRateCategories
                            ? 1.0
                            : regularisedGammaP(shape + 1.0, shape * gammaQuantile(shape, (k + 1.0) / kRateCategories));
    rates[static_cast<std::size_t>(k)] = kRateCategories * (upTo - below);
    below = upTo;
  }
  return rates;
}

SubstitutionModel::SubstitutionModel(const GtrParameters& given) : parameters(given) {
  rates = discreteGammaRates(parameters.gammaShape);
  const std::array<double, 4>& pi = parameters.frequencies;
  // Off the diagonal, the rate from i to j is exchange(i, j) pi_j; its
  // symmetric form exchange(i, j) sqrt(pi_i pi_j) has the same eigenvalues.
  BaseMatrix symmetric{};
  double meanRate = 0.0;
  for (int pair = 0; pair < 6; ++pair) {
    const int i = kPairs[pair][0], j = kPairs[pair][1];
    const double s = parameters.exchange[static_cast<std::size_t>(pair)];
    symmetric[i][j] = symmetric[j][i] = s * std::sqrt(pi[i] * pi[j]);
    symmetric[i][i] -= s * pi[j];
    symmetric[j][j] -= s * pi[i];
    meanRate += 2.0 * pi[i] * pi[j] * s;
  }
  for (auto& row : symmetric)
    for (double& value : row) value /= meanRate;
  jacobiEigen(symmetric, eigenvector);
  for (int k = 0; k < 4; ++k) eigenvalue[k] = symmetric[k][k];
}

BaseMatrix SubstitutionModel::transition(double length) const {
  const std::array<double, 4>& pi = parameters.frequencies;
  std::array<double, 4> decay{};
  for (int k = 0; k < 4; ++k) decay[k] = std::exp(eigenvalue[k] * length);
  BaseMatrix chance{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += eigenvector[i][k] * eigenvector[j][k] * decay[k];
      chance[i][j] = std::max(0.0, sum * std::sqrt(pi[j] / pi[i]));
    }
  return chance;
}

std::vector<std::string> evolveSequences(const std::vector<int>& parent, const std::vector<double>& length,
                                         const SubstitutionModel& model, int sites, SimRandom& random) {
  const std::size_t count = static_cast<std::size_t>(sites);
  // Picks a base by the cumulative chances (the last base takes what rounding leaves).
  const auto pick = [&](const std::array<double, 4>& cumulative) {
    const double u = random.uniform();
    char base = 0;
    while (base < 3 && u >= cumulative[static_cast<std::size_t>(base)]) ++base;
    return base;
  };
  const auto accumulate = [](std::array<double, 4> chances) {
    for (std::size_t j = 1; j < 4; ++j) chances[j] += chances[j - 1];
    return chances;
  };
  std::vector<std::string> sequence(parent.size());
  const std::array<double, 4> rootChances = accumulate(model.frequencies());
  sequence[0].resize(count);
  for (char& base : sequence[0]) base = pick(rootChances);
  std::vector<int> category(count);
  for (int& k : category) k = static_cast<int>(random.below(kRateCategories));
  std::array<BaseMatrix, kRateCategories> cumulative{};
  for (std::size_t node = 1; node < parent.size(); ++node) {
    for (std::size_t k = 0; k < kRateCategories; ++k) {
      const BaseMatrix chance = model.transition(length[node] * model.categoryRates()[k]);
      for (std::size_t i = 0; i < 4; ++i) cumulative[k][i] = accumulate(chance[i]);
    }
    const std::string& from = sequence[static_cast<std::size_t>(parent[node])];
    std::string& to = sequence[node];
    to.resize(count);
    for (std::size_t site = 0; site < count; ++site)
      to[site] = pick(cumulative[static_cast<std::size_t>(category[site])][static_cast<std::size_t>(from[site])]);
  }
  for (std::string& bases : sequence)
    for (char& base : bases) base = kBases[static_cast<std::size_t>(base)];
  return sequence;
}

}  // namespace dlsim
