// Counts the allocations made while the fixture runs a frame update (see unit_fixture.h).
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <utility>

#include "unit_fixture.h"

// GCC sees through the replacement and takes malloc/free for a mismatched pair.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (tims::testing::countingAllocations) ++tims::testing::allocationsCounted;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace tims::testing {
namespace {

TEST(NoAllocation, TheCountSeesAnAllocation) {
  allocationsCounted = 0;
  countingAllocations = true;
  const auto p = std::make_unique<int>(1);
  countingAllocations = false;
  EXPECT_EQ(std::exchange(allocationsCounted, 0), 1);
}

}  // namespace
}  // namespace tims::testing
