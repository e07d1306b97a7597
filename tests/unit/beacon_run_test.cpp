#include <gtest/gtest.h>

#include <limits>
#include <tuple>
#include <vector>

#include "unit_fixture.h"

namespace tims::testing {
namespace {

// Route data as the beacons leave it: seven rows, a stop 500 m ahead with its chime, and a line
// position of 12.34 km at the current location that falls with travel. The train number comes
// first.
class BeaconRun : public UnitFixture {
 protected:
  BeaconRun() {
    unit.rowStationId = {1, 2, 3, 4, 5, 6, 7};
    unit.rowValueC = {21, 22, 23, 24, 25, 26, 27};
    unit.rowValueD = {31, 32, 33, 34, 35, 36, 37};
    unit.stopAnnounceKind = 1;
    unit.distanceToStop = 500.0;
    unit.kmPostBase = 1234.0;  // tens of metres
    unit.kmPostRefLocation = plugin.state.location;
    unit.kmPostAscending = false;
    unit.kmPostOffset = 100.0;  // metres
  }
};

TEST_F(BeaconRun, WaitsForTheTrainNumberThenChimesShiftsAndRevealsTheList) {
  // Nothing moves before the train number arrives; the reveal timer stops at its largest value.
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  unit.revealTimer = kMax - 5;
  runFrame(600.0);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 500.0);
  EXPECT_EQ(unit.dispStationId[0], 0);
  EXPECT_EQ(unit.revealTimer, kMax);

  unit.beaconTrainNumberSet = true;
  runFrame(100.0);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 400.0);
  EXPECT_EQ(unit.kmPostDigits, (std::array<int32_t, 4>{10, 1, 1, 7}));  // 12340 - 700 + 100 m
  EXPECT_EQ(unit.dispStationId, (RowVector{1, 2, 3, 4, 5, 0, 0}));      // D01ABnum rows
  EXPECT_EQ(unit.dispValueC[4], 25);
  EXPECT_EQ(unit.dispValueD[0], 0);  // not shown in beacon mode

  // At 40 km/h the chime comes once less than 111.1 m remain, and the halt loop starts.
  std::vector<double> chimedAt;
  bool blinkOn = false;
  for (int i = 0; i < 100 && unit.distanceToStop > 0.0; ++i) {
    runFrame(10.0);
    if (unit.soundOut[0] == kSoundRaise) chimedAt.push_back(unit.distanceToStop);
    blinkOn = blinkOn || unit.stopBlink == 1;
  }
  EXPECT_EQ(chimedAt, std::vector<double>{110.0});
  EXPECT_EQ(unit.soundOut[1], kSoundSounding);
  EXPECT_TRUE(blinkOn);

  // The stop is reached below 0 m (not at 0 m): twelve row vectors move up, values C and D stay.
  runFrame(10.0);
  EXPECT_EQ(unit.rowStationId, (RowVector{2, 3, 4, 5, 6, 7, 0}));
  EXPECT_EQ(unit.rowValueB[6], 300);
  EXPECT_EQ(unit.rowValueC, (RowVector{21, 22, 23, 24, 25, 26, 27}));
  EXPECT_EQ(unit.dispStationId, RowVector{});
  EXPECT_EQ(unit.dispValueA, (RowVector{300, 300, 300, 300, 300, 300, 300}));
  for (int i = 0; i < 4; ++i) runFrame(10.0);  // 400 ms: still hidden
  EXPECT_EQ(unit.dispStationId[0], 0);
  EXPECT_EQ(unit.stopBlink, 0);  // the shift ended the blinking
  runFrame(10.0);
  EXPECT_EQ(unit.dispStationId, (RowVector{2, 0, 0, 0, 0, 0, 0}));

  // Standing, a new stop chimes within 50 m, and doors opening within 400 m shift the list.
  unit.stopAnnounceKind = 1;
  const std::tuple<double, bool, bool, int32_t> distanceDoorsChimeFirstRow[] = {
      {400, true, false, 2}, {50, false, false, 2}, {49, false, true, 2}, {49, true, false, 3}};
  for (const auto& [distance, doors, chime, firstRow] : distanceDoorsChimeFirstRow) {
    unit.distanceToStop = distance;
    unit.advanceRequest = doors;
    runFrame(0.0, 100, 0.0f);
    EXPECT_EQ(unit.soundOut[0] == kSoundRaise, chime) << distance;
    EXPECT_EQ(unit.rowStationId[0], firstRow) << distance;
  }
}

}  // namespace
}  // namespace tims::testing
