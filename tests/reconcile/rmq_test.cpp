#include "reconcile/rmq.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// Every pair of positions must give the leftmost minimum, on arrays whose
// sizes cross the block boundaries and with many equal values.
TEST(RangeMinimum, AgreesWithTheLinearScanOnEveryPair) {
  std::mt19937 random(12345);
  for (std::uint32_t n : {1U, 2U, 31U, 32U, 33U, 64U, 65U, 97U, 130U, 2049U}) {
    for (std::uint32_t range : {2U, 5U, 1000U}) {
      std::vector<std::uint32_t> values(n);
      for (std::uint32_t& v : values) v = random() % range;
      rmqinfo* info = rm_query_preprocess(values.data(), n);
      EXPECT_EQ(info->sparseTable == nullptr, n <= 32) << n;
      const std::uint32_t step = n > 300 ? 13 : 1;  // the large array: every 13th start
      for (std::uint32_t i = 0; i < n; i += step)
        for (std::uint32_t j = 0; j < n; ++j)
          ASSERT_EQ(rm_query(info, i, j), rm_query_naive(values.data(), i, j))
              << "n " << n << " range " << range << " i " << i << " j " << j;
      rm_free(info);
    }
  }
}

TEST(RangeMinimum, LeftmostOfEqualMinimaOnEveryPath) {
  // All equal: every query answers its smaller end.
  std::vector<std::uint32_t> flat(200, 4);
  rmqinfo* info = rm_query_preprocess(flat.data(), 200);
  for (std::uint32_t i = 0; i < 200; i += 3)
    for (std::uint32_t j = i; j < 200; j += 5) {
      EXPECT_EQ(rm_query(info, i, j), i);
      EXPECT_EQ(rm_query(info, j, i), i);
    }
  rm_free(info);
}

}  // namespace
