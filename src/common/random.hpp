#pragma once
// The one source of random numbers of a run. It reproduces the sequence of
// the GNU C library's rand() after srand(seed) (its additive feedback
// generator of degree 31), so that a seed gives the same result as it did
// when the program drew from the C library, now on every platform and
// without hidden global state.

#include <cstddef>
#include <cstdint>

namespace dls {

class Random {
 public:
  explicit Random(std::uint32_t seed);

  // The next draw, in [0, 2^31).
  std::uint32_t next();

  // A position below length from one draw scaled by 2^-31.
  std::size_t scaledIndex(std::size_t length) {
    const double fraction = static_cast<double>(next()) / 2147483648.0;
    return static_cast<std::size_t>(fraction * static_cast<double>(length));
  }

 private:
  // The last 31 words of the recurrence r[i] = r[i-31] + r[i-3] (mod 2^32).
  std::uint32_t ring_[31];
  int newest_ = 0;  // position of r[i-1] in the ring
};

// The seed of the run's stream i > 1 (start i of --starts): splitmix64 of
// (seed << 32 | i), its low 32 bits. A run with --seed set to it repeats
// that stream alone.
std::uint32_t derivedSeed(std::uint32_t seed, std::uint32_t stream);

}  // namespace dls
