#include "reconcile/range_minimum_index.hpp"

namespace dls {

void RangeMinimumIndex::build(const std::uint32_t* values, std::uint32_t n) {
  values_ = values;
  const std::uint32_t blocks = ((n - 1) >> kBlockBits) + 1;
  const std::uint32_t levels = floorLog2(blocks);

  blockMin_.resize(blocks);
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint32_t b = i >> kBlockBits;
    if ((i & (kBlock - 1)) == 0 || values[i] < values[blockMin_[b]]) blockMin_[b] = i;
  }

  levelStart_.resize(levels);
  std::uint32_t total = 0;
  for (std::uint32_t k = 0; k < levels; ++k) {
    levelStart_[k] = total;
    total += blocks - (1U << (k + 1)) + 1;
  }
  sparse_.resize(total);
  for (std::uint32_t k = 0; k < levels; ++k) {
    const std::uint32_t entries = blocks - (1U << (k + 1)) + 1;
    std::uint32_t* level = &sparse_[levelStart_[k]];
    for (std::uint32_t j = 0; j < entries; ++j) {
      if (k == 0) {
        level[j] = better(blockMin_[j], blockMin_[j + 1]);
      } else {
        const std::uint32_t* below = &sparse_[levelStart_[k - 1]];
        level[j] = better(below[j], below[j + (1U << k)]);
      }
    }
  }

  masks_.resize(n);
  std::uint32_t stack[kBlock];
  std::uint32_t top = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    if ((i & (kBlock - 1)) == 0) top = 0;
    while (top > 0 && values[stack[top - 1]] > values[i]) --top;
    masks_[i] = top > 0 ? masks_[stack[top - 1]] | (1U << (stack[top - 1] & (kBlock - 1))) : 0;
    stack[top++] = i;
  }
}

}  // namespace dls
