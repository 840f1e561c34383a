#include "reconcile/rmq.hpp"

namespace {

constexpr std::uint32_t kBlockBits = 5;
constexpr std::uint32_t kBlock = 1U << kBlockBits;

std::uint32_t floorLog2(std::uint32_t x) { return 31U - static_cast<std::uint32_t>(__builtin_clz(x)); }

std::uint32_t lowestBit(std::uint32_t mask) { return static_cast<std::uint32_t>(__builtin_ctz(mask)); }

// The better of two positions, the left one on a tie.
std::uint32_t better(const std::uint32_t* values, std::uint32_t left, std::uint32_t right) {
  return values[right] < values[left] ? right : left;
}

// Minimum over positions lo..hi of one block.
std::uint32_t inBlock(const rmqinfo* info, std::uint32_t lo, std::uint32_t hi) {
  const std::uint32_t mask = info->masks[hi] & (~0U << (lo & (kBlock - 1)));
  return mask != 0 ? (hi & ~(kBlock - 1)) + lowestBit(mask) : hi;
}

}  // namespace

rmqinfo* rm_query_preprocess(const std::uint32_t* values, std::uint32_t n) {
  const std::uint32_t blocks = ((n - 1) >> kBlockBits) + 1;
  const std::uint32_t levels = floorLog2(blocks);

  rmqinfo* info = new rmqinfo;
  info->n = n;
  info->values = values;

  info->blockMin = new std::uint32_t[blocks];
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::uint32_t b = i >> kBlockBits;
    if ((i & (kBlock - 1)) == 0 || values[i] < values[info->blockMin[b]]) info->blockMin[b] = i;
  }

  info->sparseTable = nullptr;
  if (levels > 0) {
    info->sparseTable = new std::uint32_t*[levels];
    for (std::uint32_t k = 0; k < levels; ++k) {
      const std::uint32_t entries = blocks - (1U << (k + 1)) + 1;
      std::uint32_t* level = info->sparseTable[k] = new std::uint32_t[entries];
      for (std::uint32_t j = 0; j < entries; ++j) {
        level[j] = k == 0 ? better(values, info->blockMin[j], info->blockMin[j + 1])
                          : better(values, info->sparseTable[k - 1][j],
                                   info->sparseTable[k - 1][j + (1U << k)]);
      }
    }
  }

  info->masks = new std::uint32_t[n];
  std::uint32_t stack[kBlock];
  std::uint32_t top = 0;
  for (std::uint32_t i = 0; i < n; ++i) {
    if ((i & (kBlock - 1)) == 0) top = 0;
    while (top > 0 && values[stack[top - 1]] > values[i]) --top;
    info->masks[i] = top > 0 ? info->masks[stack[top - 1]] | (1U << (stack[top - 1] & (kBlock - 1))) : 0;
    stack[top++] = i;
  }
  return info;
}

std::uint32_t rm_query(const rmqinfo* info, std::uint32_t i, std::uint32_t j) {
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

std::uint32_t rm_query_naive(const std::uint32_t* values, std::uint32_t i, std::uint32_t j) {
  if (i == j) return i;
  const std::uint32_t lo = i < j ? i : j;
  const std::uint32_t hi = i < j ? j : i;
  std::uint32_t best = lo;
  for (std::uint32_t p = lo + 1; p <= hi; ++p)
    if (values[p] < values[best]) best = p;
  return best;
}

void rm_free(rmqinfo* info) {
  if (info == nullptr) return;
  if (info->sparseTable != nullptr) {
    const std::uint32_t blocks = ((info->n - 1) >> kBlockBits) + 1;
    const std::uint32_t levels = floorLog2(blocks);
    for (std::uint32_t k = 0; k < levels; ++k) delete[] info->sparseTable[k];
    delete[] info->sparseTable;
  }
  delete[] info->blockMin;
  delete[] info->masks;
  delete info;
}
