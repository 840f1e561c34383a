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

// Position of the leftmost minimum between positions i and j (either order).
std::uint32_t rm_query(const rmqinfo* info, std::uint32_t i, std::uint32_t j);

// The same answer by a linear scan.
std::uint32_t rm_query_naive(const std::uint32_t* values, std::uint32_t i, std::uint32_t j);

// Releases the index (not the values).
void rm_free(rmqinfo* info);
