#include "reconcile/rmq.hpp"

using namespace rmq_detail;

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
