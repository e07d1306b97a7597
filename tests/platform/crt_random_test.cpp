#include "platform/crt_random.h"

#include <gtest/gtest.h>

#include <vector>

namespace tims::platform {
namespace {

std::vector<int32_t> draws(uint32_t seed, int count) {
  crtSrand(seed);
  std::vector<int32_t> values;
  for (int i = 0; i < count; ++i) values.push_back(crtRand());
  return values;
}

// Sequences of the classic runtime generator, as every platform must draw them; each seed restarts
// its sequence.
TEST(CrtRandom, ReproducesTheRuntimeSequenceForKnownSeeds) {
  EXPECT_EQ(draws(1, 5), (std::vector<int32_t>{41, 18467, 6334, 26500, 19169}));
  EXPECT_EQ(draws(0, 5), (std::vector<int32_t>{38, 7719, 21238, 2437, 8855}));
  EXPECT_EQ(draws(42, 5), (std::vector<int32_t>{175, 400, 17869, 30056, 16083}));
  EXPECT_EQ(draws(86399999, 3), (std::vector<int32_t>{13600, 18404, 31218}));
  EXPECT_EQ(draws(4294967295u, 2), (std::vector<int32_t>{35, 29739}));
}

}  // namespace
}  // namespace tims::platform
