// The frame update runs inside the host's frame: it must not allocate. This program counts every
// allocation made while a frame update runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "unit_fixture.h"

namespace {
bool countAllocations = false;
long allocations = 0;
}  // namespace

// GCC sees through the replacement and takes malloc/free for a mismatched pair.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (countAllocations) ++allocations;
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

using NoAllocation = UnitFixture;

TEST_F(NoAllocation, FramesWithArrivalsAnnouncementsAndBeaconShifts) {
  addRows(8);
  unit.catalogue.icRows[2].hidden = true;
  unit.catalogue.icRows[1].announceKind = 1;
  unit.catalogue.pointRecords = {{0, 0.1, 0.9, 1}, {1, 0.1, 0.9, 2}};
  unit.catalogue.sectionRecords = {{0, 10.0, 10.5, 0.2, 0}, {1, 0.0, 50.0, 0.1, 0}};
  unit.icCardActive = true;
  updateStationList(unit, 0);
  plugin.state.current = 200.0f;

  countAllocations = true;
  for (int i = 0; i < 900; ++i) {
    plugin.state.current = (i / 100) % 2 == 0 ? 200.0f : -200.0f;
    drive(72.0f, 100);  // 2 m per frame
    if (i % 250 == 0) unit.advanceRequest = true;
  }
  unit.icCardActive = false;
  unit.beaconTrainNumberSet = true;
  unit.distanceToStop = 30.0;
  for (int i = 0; i < 50; ++i) drive(72.0f, 100);
  countAllocations = false;

  EXPECT_GT(unit.icRowIndex, 0u);  // the run did reach further rows
  EXPECT_EQ(allocations, 0);
}

}  // namespace
}  // namespace tims::testing
