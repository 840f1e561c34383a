#pragma once
// Range-minimum queries in constant time after linear preparation, over an
// array of unsigned 32-bit values. Positions are split into blocks of 32:
// inside a block, a bit mask per position describes the chain of earlier
// smaller-or-equal positions; across blocks, a sparse table over the block
// minima answers. Among equal minima the leftmost position is returned.

#include <cstdint>
#include <vector>

namespace dls {

class RangeMinimumIndex {
 public:
  // Prepares queries over values[0 .. n-1] (n >= 1); the values are not
  // copied and must stay unchanged while the index is used. Reuses its
  // memory from one preparation to the next.
  void build(const std::uint32_t* values, std::uint32_t n);

  // Position of the leftmost minimum between positions i and j (either order).
  std::uint32_t query(std::uint32_t i, std::uint32_t j) const {
    if (i == j) return i;
    const std::uint32_t lo = i < j ? i : j;
    const std::uint32_t hi = i < j ? j : i;
    const std::uint32_t blo = lo >> kBlockBits;
    const std::uint32_t bhi = hi >> kBlockBits;
    if (blo == bhi) return inBlock(lo, hi);
    const std::uint32_t left = inBlock(lo, lo | (kBlock - 1));
    const std::uint32_t right = inBlock(bhi << kBlockBits, hi);
    if (bhi - blo == 1) return better(left, right);
    const std::uint32_t between = bhi - blo - 1;
    std::uint32_t middle;
    if (between == 1) {
      middle = blockMin_[blo + 1];
    } else {
      const std::uint32_t k = floorLog2(between);
      const std::uint32_t* level = &sparse_[levelStart_[k - 1]];
      middle = better(level[blo + 1], level[bhi - (1U << k)]);
    }
    return better(better(left, middle), right);
  }

 private:
  static constexpr std::uint32_t kBlockBits = 5;
  static constexpr std::uint32_t kBlock = 1U << kBlockBits;

  static std::uint32_t floorLog2(std::uint32_t x) { return 31U - static_cast<std::uint32_t>(__builtin_clz(x)); }
  // The better of two positions, the left one on a tie.
  std::uint32_t better(std::uint32_t left, std::uint32_t right) const {
    return values_[right] < values_[left] ? right : left;
  }
  // Minimum over positions lo .. hi of one block.
  std::uint32_t inBlock(std::uint32_t lo, std::uint32_t hi) const {
    const std::uint32_t mask = masks_[hi] & (~0U << (lo & (kBlock - 1)));
    return mask != 0 ? (hi & ~(kBlock - 1)) + static_cast<std::uint32_t>(__builtin_ctz(mask)) : hi;
  }

  const std::uint32_t* values_ = nullptr;
  std::vector<std::uint32_t> blockMin_;    // position of the minimum of each block
  std::vector<std::uint32_t> masks_;       // per position: earlier smaller-or-equal positions in its block
  std::vector<std::uint32_t> sparse_;      // level k: minima over 2^(k+1) blocks, levels one after another
  std::vector<std::uint32_t> levelStart_;  // where each level begins in sparse_
};

}  // namespace dls
