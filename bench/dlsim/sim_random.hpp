#pragma once
// The generator's own random source. The 64-bit Mersenne Twister's sequence is
// fixed by the C++ standard and the draws below use only its raw output (not
// the library's distributions, which differ between standard libraries), so a
// seed gives the same data set wherever log1p rounds alike.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace dlsim {

class SimRandom {
 public:
  explicit SimRandom(std::uint64_t seed) : engine(seed) {}

  // Uniform in [0, 1), from the top 53 bits of one draw.
  double uniform() { return static_cast<double>(engine() >> 11) * 0x1.0p-53; }

  // Waiting time of a Poisson process of the given rate (rate > 0).
  double exponential(double rate) { return -std::log1p(-uniform()) / rate; }

  // Uniform integer in [0, count), count > 0.
  std::size_t below(std::size_t count) { return static_cast<std::size_t>(uniform() * static_cast<double>(count)); }

  // Standard normal, by Box-Muller from two draws (the second value is not kept).
  double normal() {
    const double radius = std::sqrt(-2.0 * std::log1p(-uniform()));
    return radius * std::cos(6.283185307179586 * uniform());
  }

  // Lognormal: exp of a normal of the given mean and standard deviation.
  double lognormal(double mu, double sigma) { return std::exp(mu + sigma * normal()); }

  // Gamma of the given shape (> 0) and scale 1, by Marsaglia and Tsang
  // (2000); a shape below 1 through shape + 1 and a uniform power.
  double gamma(double shape) {
    if (shape < 1.0) return gamma(shape + 1.0) * std::pow(1.0 - uniform(), 1.0 / shape);
    const double d = shape - 1.0 / 3.0, c = 1.0 / std::sqrt(9.0 * d);
    for (;;) {
      const double x = normal(), v = (1.0 + c * x) * (1.0 + c * x) * (1.0 + c * x);
      if (v <= 0.0) continue;
      if (std::log1p(-uniform()) < 0.5 * x * x + d - d * v + d * std::log(v)) return d * v;
    }
  }

  // Dirichlet of the given concentrations, as normalised gammas.
  template <std::size_t size>
  std::array<double, size> dirichlet(const std::array<double, size>& concentration) {
    std::array<double, size> draw{};
    double sum = 0.0;
    for (std::size_t i = 0; i < size; ++i) sum += draw[i] = gamma(concentration[i]);
    for (double& value : draw) value /= sum;
    return draw;
  }

  // Puts the items in a uniformly random order (Fisher-Yates).
  template <class Item>
  void shuffle(std::vector<Item>& items) {
    for (std::size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[below(i)]);
  }

 private:
  std::mt19937_64 engine;
};

// The seed of a side stream (species names, gene-tree noise, sequences) of a data set's
// seed, by splitmix64: drawing from a side stream leaves the main one, and so
// every tree it makes, as it was.
inline std::uint64_t sideSeed(std::uint64_t seed, std::uint64_t stream) {
  std::uint64_t z = seed + stream * 0x9e3779b97f4a7c15ULL;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

}  // namespace dlsim
