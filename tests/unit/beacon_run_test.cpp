#include <gtest/gtest.h>

#include "unit_fixture.h"

namespace tims::testing {
namespace {

// Route data as the beacons leave it: a train number, seven rows, a stop 500 m ahead with its
// chime, and a line position of 12.34 km at the current location.
class BeaconRun : public UnitFixture {
 protected:
  BeaconRun() {
    unit.beaconTrainNumberSet = true;
    unit.rowStationId = {1, 2, 3, 4, 5, 6, 7};
    unit.rowValueC = {21, 22, 23, 24, 25, 26, 27};
    unit.rowValueD = {31, 32, 33, 34, 35, 36, 37};
    unit.stopAnnounceKind = 1;
    unit.distanceToStop = 500.0;
    unit.kmPostBase = 1234.0;  // tens of metres
    unit.kmPostRefLocation = plugin.state.location;
  }
};

TEST_F(BeaconRun, ChimesShiftsAndRevealsTheList) {
  runFrame(10.0);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 490.0);
  EXPECT_EQ(unit.kmPostDigits, (std::array<int32_t, 4>{10, 1, 2, 3}));  // 12.35 km

  int chimes = 0;
  while (unit.distanceToStop > 120.0) runFrame(10.0);
  EXPECT_EQ(unit.dispStationId, (RowVector{1, 2, 3, 4, 5, 0, 0}));  // D01ABnum rows
  EXPECT_EQ(unit.dispValueC[4], 25);
  EXPECT_EQ(unit.dispValueD[0], 0);  // not shown in beacon mode
  bool blinkOn = false;
  while (unit.distanceToStop > 0.0) {
    runFrame(10.0);  // 40 km/h: the chime comes once less than 111.1 m remain
    if (unit.soundOut[0] == kSoundRaise) {
      ++chimes;
      EXPECT_LT(unit.distanceToStop, 111.2);
      EXPECT_EQ(unit.soundOut[1], kSoundSounding);
    }
    blinkOn = blinkOn || unit.stopBlink == 1;
  }
  EXPECT_EQ(chimes, 1);
  EXPECT_TRUE(unit.stopLatch);
  EXPECT_TRUE(blinkOn);

  EXPECT_EQ(unit.rowStationId[0], 1);  // at distance 0 the stop is not yet reached
  runFrame(10.0);
  EXPECT_EQ(unit.rowStationId, (RowVector{2, 3, 4, 5, 6, 7, 0}));
  EXPECT_EQ(unit.dispStationId, (RowVector{0, 0, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(unit.stopLatch);
  EXPECT_EQ(unit.routePosition, 50);

  for (int i = 0; i < 4; ++i) {
    runFrame(10.0);  // 400 ms: still hidden
    EXPECT_EQ(unit.stopBlink, 0);
  }
  EXPECT_EQ(unit.dispStationId[0], 0);
  runFrame(10.0);
  EXPECT_EQ(unit.dispStationId, (RowVector{2, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(unit.dispValueA[0], 0);
}

TEST_F(BeaconRun, DoorsShiftTheListOnlyWithin400m) {
  unit.advanceRequest = true;
  runFrame(0.0);
  EXPECT_EQ(unit.rowStationId[0], 1);
  unit.distanceToStop = 399.0;
  unit.advanceRequest = true;
  runFrame(0.0);
  EXPECT_EQ(unit.rowStationId[0], 2);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 100000.0);
}

TEST_F(BeaconRun, NothingMovesBeforeTheTrainNumberArrives) {
  unit.beaconTrainNumberSet = false;
  unit.revealTimer = 5000;
  runFrame(600.0);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 500.0);
  EXPECT_EQ(unit.rowStationId[0], 1);
  EXPECT_EQ(unit.dispStationId[0], 0);
  EXPECT_EQ(unit.stopAnnounceKind, 1);
}

TEST_F(BeaconRun, LinePositionFollowsTheDirectionAndOffset) {
  unit.kmPostAscending = false;
  unit.kmPostOffset = 5.0;  // metres
  runFrame(1000.0);
  // (12340 - 1000) + 5 m
  EXPECT_EQ(unit.kmPostDigits, (std::array<int32_t, 4>{10, 1, 1, 3}));
}

}  // namespace
}  // namespace tims::testing
