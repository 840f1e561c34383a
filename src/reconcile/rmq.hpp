#pragma once
// Range-minimum queries in constant time after linear preparation, over an
// array of unsigned 32-bit values. Positions are split into blocks of 32:
// inside a block, a bit mask per position describes the chain of earlier
// smaller-or-equal positions; across blocks, a sparse table over the block
// minima answers. Among equal minima the leftmost position is returned.

#include <cstdint>

struct rmqinfo {
  std::uint32_t n;                // number of values
  const std::uint32_t* values;    // the caller's array; not owned
  std::uint32_t** sparseTable;    // level k: minima over 2^(k+1) blocks; null for a single block
  std::uint32_t* blockMin;        // position of the minimum of each block
  std::uint32_t* masks;           // per position: earlier smaller-or-equal positions in its block
};

// Builds the index over values[0..n-1]; n must be at least 1.
rmqinfo* rm_query_preprocess(const std::uint32_t* values, std::uint32_t n);

// The same answer by a linear scan.
std::uint32_t rm_query_naive(const std::uint32_t* values, std::uint32_t i, std::uint32_t j);

// Releases the index (not the values).
void rm_free(rmqinfo* info);

// Inside the header so that the query inlines into the LCA lookups.
namespace rmq_detail {

constexpr std::uint32_t kBlockBits = 5;
constexpr std::uint32_t kBlock = 1U << kBlockBits;

inline std::uint32_t floorLog2(std::uint32_t x) { return 31U - static_cast<std::uint32_t>(__builtin_clz(x)); }

inline std::uint32_t lowestBit(std::uint32_t mask) { return static_cast<std::uint32_t>(__builtin_ctz(mask)); }

// The better of two positions, the left one on a tie.
inline std::uint32_t better(const std::uint32_t* values, std::uint32_t left, std::uint32_t right) {
  return values[right] < values[left] ? right : left;
}

// Minimum over positions lo..hi of one block.
inline std::uint32_t inBlock(const rmqinfo* info, std::uint32_t lo, std::uint32_t hi) {
  const std::uint32_t mask = info->masks[hi] & (~0U << (lo & (kBlock - 1)));
  return mask != 0 ? (hi & ~(kBlock - 1)) + lowestBit(mask) : hi;
}

}  // namespace rmq_detail

// Position of the leftmost minimum between positions i and j (either order).
inline std::uint32_t rm_query(const rmqinfo* info, std::uint32_t i, std::uint32_t j) {
  using namespace rmq_detail;
  if (i == j) return i;
  const std::uint32_t lo = i < j ? i : j;
  const std::uint32_t hi = i < j ? j : i;
  const std::uint32_t blo = lo >> kBlockBits;
  const std::uint32_t bhi = hi >> kBlockBits;
  if (blo == bhi) return inBlock(info, lo, hi);

  const std::uint32_t* values = info->values;
  const std::uint32_t left = inBlock(info, lo, lo | (kBlock - 1));
  const std::uint32_t right = inBlock(info, bhi << kBlockBits, hi);
  if (bhi - blo == 1) return better(values, left, right);

  const std::uint32_t between = bhi - blo - 1;
  std::uint32_t middle;
  if (between == 1) {
    middle = info->blockMin[blo + 1];
  } else {
    const std::uint32_t k = floorLog2(between);
    middle = better(values, info->sparseTable[k - 1][blo + 1], info->sparseTable[k - 1][bhi - (1U << k)]);
  }
  return better(values, better(values, left, middle), right);
}
