// Program-wide pieces: the random generator and how failures end a run.

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "app/failure.hpp"
#include "common/errors.hpp"
#include "common/random.hpp"

namespace {

// A seed gives the C library's rand() sequence, so that seeds keep giving
// the results they gave when the program drew from it.
TEST(Random, RepeatsTheCLibrarySequence) {
  for (const std::uint32_t seed : {0U, 1U, 7U, 65534U, 2147483648U, 4294967295U}) {
    Random random(seed);
    std::srand(seed);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(random.next(), static_cast<std::uint32_t>(std::rand())) << seed;
  }
}

TEST(Failures, EndWithTheirMessageAndStatus) {
  struct Case {
    std::function<int()> body;
    std::string err;
    int status;
  };
  const Case cases[] = {
      {[] { return 0; }, "", 0},
      {[]() -> int { throw InputError("input file x not found"); }, "ERROR: input file x not found\n", 1},
      {[]() -> int { throw InternalError("Problem in case 4!!"); }, "ERROR: internal error: Problem in case 4!!\n", 2},
      {[]() -> int { throw std::bad_alloc(); }, "ERROR: out of memory\n", 1},
  };
  for (const Case& c : cases) {
    std::ostringstream err;
    EXPECT_EQ(runReportingFailures(c.body, err), c.status);
    EXPECT_EQ(err.str(), c.err);
  }
}

}  // namespace
