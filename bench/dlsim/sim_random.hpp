#pragma once
// The generator's own random source. The 64-bit Mersenne Twister's sequence is
// fixed by the C++ standard and the draws below use only its raw output (not
// the library's distributions, which differ between standard libraries), so a
// seed gives the same data set wherever log1p rounds alike.

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

  // Puts the items in a uniformly random order (Fisher-Yates).
  template <class Item>
  void shuffle(std::vector<Item>& items) {
    for (std::size_t i = items.size(); i > 1; --i) std::swap(items[i - 1], items[below(i)]);
  }

 private:
  std::mt19937_64 engine;
};

// The seed of a side stream (species names, gene-tree noise) of a data set's
// seed, by splitmix64: drawing from a side stream leaves the main one, and so
// every tree it makes, as it was.
inline std::uint64_t sideSeed(std::uint64_t seed, std::uint64_t stream) {
  std::uint64_t z = seed + stream * 0x9e3779b97f4a7c15ULL;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

}  // namespace dlsim
