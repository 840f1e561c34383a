#pragma once
// The generator's own random source. The 64-bit Mersenne Twister's sequence is
// fixed by the C++ standard and the draws below use only its raw output (not
// the library's distributions, which differ between standard libraries), so a
// seed gives the same data set wherever log1p rounds alike.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>

namespace dlsim {

class SimRandom {
 public:
  explicit SimRandom(std::uint64_t seed) : engine(seed) {}

  // Uniform in [0, 1), from the top 53 bits of one draw.
  double uniform() { return static_cast<double>(engine() >> 11) * 0x1.0p-53; }

  // Waiting time of a Poisson process of the given rate (rate > 0).
  double exponential(double rate) { return -std::log1p(-uniform()) / rate; }

  // Uniform integer in [0, count), count > 0.
  std::size_t below(std::size_t count) {
    return static_cast<std::size_t>(uniform() * static_cast<double>(count));
  }

 private:
  std::mt19937_64 engine;
};

}  // namespace dlsim
