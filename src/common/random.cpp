#include "common/random.hpp"

namespace dls {

Random::Random(std::uint32_t seed) {
  // r[0] = seed (never 0), then r[i] = 16807 r[i-1] mod (2^31 - 1) by
  // Schrage's method on signed 32-bit words, exactly as the C library does.
  std::int32_t word = static_cast<std::int32_t>(seed == 0 ? 1U : seed);
  ring_[0] = static_cast<std::uint32_t>(word);
  for (int i = 1; i < 31; ++i) {
    const std::int32_t hi = word / 127773;
    const std::int32_t lo = word % 127773;
    word = 16807 * lo - 2836 * hi;
    if (word < 0) word += 2147483647;
    ring_[i] = static_cast<std::uint32_t>(word);
  }
  // r[31], r[32] and r[33] are copies of r[0], r[1] and r[2], which stand
  // in the ring where they would be written.
  newest_ = 2;
  // The library discards the first 310 outputs.
  for (int i = 0; i < 310; ++i) next();
}

std::uint32_t Random::next() {
  // r[i] = r[i-31] + r[i-3]; r[i-31] is the oldest word, the one replaced.
  const int oldest = newest_ == 30 ? 0 : newest_ + 1;
  const int third = newest_ >= 2 ? newest_ - 2 : newest_ + 29;
  ring_[oldest] += ring_[third];
  newest_ = oldest;
  return ring_[oldest] >> 1;
}

std::uint32_t derivedSeed(std::uint32_t seed, std::uint32_t stream) {
  std::uint64_t z = (static_cast<std::uint64_t>(seed) << 32 | stream) + 0x9e3779b97f4a7c15ULL;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return static_cast<std::uint32_t>(z ^ (z >> 31));
}

}  // namespace dls
