#include "beacon/beacon_dispatcher.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <tuple>
#include <utility>

#include "plugin/plugin_state.h"
#include "support/temp_dir.h"
#include "unit/tims_unit.h"

namespace tims {
namespace {

using tims::testing::TempDir;

// Everything a beacon may write, for checking that a beacon wrote nothing.
auto snapshot(const TimsUnit& u) {
  return std::make_tuple(
      u.rowStationId, u.rowArrHour, u.rowArrMinute, u.rowArrSecond, u.rowDepHour, u.rowDepMinute,
      u.rowDepSecond, u.rowTrack, u.rowRunMinutes, u.rowRunSeconds, u.rowValueA, u.rowValueB,
      u.trainNumberDigits, u.distanceToStop, u.kmPostBase, u.kmPostOffset, u.kmPostRefLocation,
      u.stopAnnounceKind, u.nextStop.stationId, u.nextStop.arrHour, u.nextStopDisp.stationId,
      u.beaconKind11Value, u.nextStopSecondPart, u.beaconTrainNumberSet, u.beaconKind10Flag,
      u.kmPostAscending, u.stationSetByBeacon, u.icCardActive, u.icRowIndex);
}
using RouteSnapshot = decltype(snapshot(std::declval<const TimsUnit&>()));

class BeaconDispatch : public ::testing::Test {
 protected:
  BeaconDispatch() {
    unit.specPath = dir.path() / "TIMS_Spec.ini";
    bindUnit(unit, plugin);
    resetUnit(unit);
    plugin.state.speed = 40.0f;
  }

  void send(int32_t type, int32_t data) { dispatchBeacon(unit, BeaconData{type, 0, 0, data}); }
  void stop() { plugin.state.speed = 0.0f; }

  TempDir dir;
  PluginState plugin;
  TimsUnit unit;
};

TEST_F(BeaconDispatch, StopAnnouncementTakesSignAsPassAndOnlyWhileMoving) {
  send(100, -350);
  EXPECT_EQ(unit.stopAnnounceKind, 2);
  EXPECT_EQ(unit.distanceToStop, 350.0);
  send(8, 12345);
  EXPECT_EQ(unit.stopAnnounceKind, 1);
  EXPECT_EQ(unit.distanceToStop, 2345.0);

  resetUnit(unit);
  stop();
  const RouteSnapshot before = snapshot(unit);
  send(100, -350);
  send(8, 350);
  EXPECT_EQ(snapshot(unit), before);
}

TEST_F(BeaconDispatch, NanSpeedIsNotAStandstill) {
  plugin.state.speed = std::numeric_limits<float>::quiet_NaN();
  send(100, 420);
  EXPECT_EQ(unit.stopAnnounceKind, 1);
  EXPECT_EQ(unit.distanceToStop, 420.0);
  send(102, 1203);
  EXPECT_EQ(unit.nextStop.stationId, 3);
  EXPECT_EQ(unit.nextStopDisp.stationId, 0);  // written only at a standstill
  send(1001, 0);
  EXPECT_FALSE(unit.stationSetByBeacon);
}

TEST_F(BeaconDispatch, MostNegativeDistanceHasAMagnitude) {
  send(100, std::numeric_limits<int32_t>::min());
  EXPECT_EQ(unit.stopAnnounceKind, 2);
  EXPECT_EQ(unit.distanceToStop, 3648.0);  // 2147483648 % 10000
}

TEST_F(BeaconDispatch, StopDistanceWithoutChimeIsTakenAtStandstillToo) {
  unit.stopAnnounceKind = 1;
  stop();
  send(101, 12345);
  EXPECT_EQ(unit.stopAnnounceKind, 0);
  EXPECT_EQ(unit.distanceToStop, 2345.0);
  send(101, -12345);
  EXPECT_EQ(unit.distanceToStop, -2345.0);
}

TEST_F(BeaconDispatch, NextStopInTwoPartsStopped) {
  stop();
  send(102, 1203);
  EXPECT_EQ(unit.nextStop.stationId, 3);
  EXPECT_EQ(unit.nextStopDisp.stationId, 12);
  EXPECT_TRUE(unit.nextStopSecondPart);
  send(102, 102030);
  EXPECT_EQ(unit.nextStop.arrHour, 10);
  EXPECT_EQ(unit.nextStop.arrMinute, 20);
  EXPECT_EQ(unit.nextStop.arrSecond, 30);
  EXPECT_FALSE(unit.nextStopSecondPart);
  EXPECT_EQ(unit.nextStop.stationId, 3);
}

TEST_F(BeaconDispatch, NextStopInTwoPartsMovingLeavesTheDisplayCopy) {
  unit.nextStopDisp.stationId = 77;
  send(102, 1203);
  send(102, 102030);
  EXPECT_EQ(unit.nextStop.stationId, 3);
  EXPECT_EQ(unit.nextStopDisp.stationId, 77);
  EXPECT_EQ(unit.nextStop.arrHour, 10);
}

TEST_F(BeaconDispatch, IgnoredNextStopDoesNotMoveTheToggle) {
  unit.icCardActive = true;
  send(102, 1203);
  EXPECT_FALSE(unit.nextStopSecondPart);
  EXPECT_EQ(unit.nextStop.stationId, 0);
  unit.icCardActive = false;
  send(102, 1203);
  EXPECT_EQ(unit.nextStop.stationId, 3);  // still read as the first part
}

TEST_F(BeaconDispatch, PackedRowStationAndArrival) {
  send(105, 305);
  EXPECT_EQ(unit.rowStationId[2], 5);
  send(106, 3101530);
  EXPECT_EQ(unit.rowArrHour[2], 10);
  EXPECT_EQ(unit.rowArrMinute[2], 15);
  EXPECT_EQ(unit.rowArrSecond[2], 30);

  const RouteSnapshot before = snapshot(unit);
  send(106, 101530);  // row index 0
  send(105, 5);
  EXPECT_EQ(snapshot(unit), before);
}

TEST_F(BeaconDispatch, RowIndexesOutsideTheTablesAreIgnored) {
  const RouteSnapshot before = snapshot(unit);
  for (int32_t data : {812, -305, 99999}) send(105, data);
  for (int32_t data : {8101530, -3101530}) send(106, data);
  send(107, 9101530);
  send(108, 80715);
  send(108, -20715);
  send(109, 80130);
  send(109, std::numeric_limits<int32_t>::min());
  for (int code : {5, 6, 7, 9}) {
    for (int32_t index : {0, 8, -1, std::numeric_limits<int32_t>::min()}) {
      applyRouteData(unit, code, 101010, index);
    }
  }
  for (int32_t index : {0, 7, -1}) applyRouteData(unit, 8, 50, index);
  applyRouteData(unit, 3, 1, 1);   // codes 1 to 4 carry nothing
  applyRouteData(unit, 12, 1, 1);  // nor does any code beyond the table
  applyRouteData(unit, -1, 1, 1);
  EXPECT_EQ(snapshot(unit), before);
}

TEST_F(BeaconDispatch, TrainNumberFromDecimalGroups) {
  send(111, 12345678);
  EXPECT_EQ(unit.trainNumberDigits, (SixCodes{12, 5, 6, 7, 8, 34}));
  EXPECT_TRUE(unit.beaconTrainNumberSet);
}

TEST_F(BeaconDispatch, TrackAndValueFromOneBeacon) {
  send(108, 20715);
  EXPECT_EQ(unit.rowTrack[1], 7);
  EXPECT_EQ(unit.rowValueB[0], 3);  // 15 / 5, row index 2 is value B of the first row pair
}

TEST_F(BeaconDispatch, RowValuesAlternateBetweenAAndB) {
  send(160, 14);
  EXPECT_EQ(unit.rowValueA[0], 2);
  send(163, 20);
  EXPECT_EQ(unit.rowValueB[1], 4);
  send(165, 30);
  EXPECT_EQ(unit.rowValueB[2], 6);
  send(164, 25);
  EXPECT_EQ(unit.rowValueA[2], 5);
}

TEST_F(BeaconDispatch, RowTypesAddressTheirRow) {
  for (int32_t k = 0; k < 6; ++k) {
    send(120 + k, 40 + k);
    send(150 + k, 10 + k);
    send(170 + k, 300 + k);  // 3 min k s
  }
  for (int32_t k = 0; k < 5; ++k) {
    send(130 + k, 80000 + k);
    send(140 + k, 90000 + 100 * k);
  }
  send(135, 123456);
  send(145, 214500);
  for (size_t k = 0; k < 6; ++k) {
    EXPECT_EQ(unit.rowStationId[k], 40 + static_cast<int32_t>(k)) << k;
    EXPECT_EQ(unit.rowTrack[k], 10 + static_cast<int32_t>(k)) << k;
    EXPECT_EQ(unit.rowRunMinutes[k], 3) << k;
    EXPECT_EQ(unit.rowRunSeconds[k], static_cast<int32_t>(k)) << k;
  }
  for (size_t k = 0; k < 5; ++k) {
    EXPECT_EQ(unit.rowArrHour[k], 8) << k;
    EXPECT_EQ(unit.rowArrSecond[k], static_cast<int32_t>(k)) << k;
    EXPECT_EQ(unit.rowDepHour[k], 9) << k;
    EXPECT_EQ(unit.rowDepMinute[k], static_cast<int32_t>(k)) << k;
  }
  EXPECT_EQ(unit.rowArrHour[5], 12);
  EXPECT_EQ(unit.rowArrMinute[5], 34);
  EXPECT_EQ(unit.rowArrSecond[5], 56);
  EXPECT_EQ(unit.rowDepHour[5], 21);
  EXPECT_EQ(unit.rowDepMinute[5], 45);
  EXPECT_EQ(unit.rowStationId[6], 0);  // the seventh row has no type of its own
}

TEST_F(BeaconDispatch, PackedDepartureAndRunningTime) {
  send(107, 2083015);
  EXPECT_EQ(unit.rowDepHour[1], 8);
  EXPECT_EQ(unit.rowDepMinute[1], 30);
  EXPECT_EQ(unit.rowDepSecond[1], 15);
  send(109, 70245);
  EXPECT_EQ(unit.rowRunMinutes[6], 2);
  EXPECT_EQ(unit.rowRunSeconds[6], 45);
}

TEST_F(BeaconDispatch, KilometrePostDirectionBaseAndOffset) {
  plugin.state.location = 1234.5;
  send(113, 15000);
  EXPECT_FALSE(unit.kmPostAscending);
  EXPECT_EQ(unit.kmPostBase, 5000.0);
  EXPECT_EQ(unit.kmPostRefLocation, 1234.5);
  send(113, 10000);
  EXPECT_TRUE(unit.kmPostAscending);
  EXPECT_EQ(unit.kmPostBase, 0.0);
  send(114, -250);
  EXPECT_EQ(unit.kmPostOffset, -250.0);
}

TEST_F(BeaconDispatch, Kind10FlagFollowsTheValue) {
  send(110, 5);
  EXPECT_TRUE(unit.beaconKind10Flag);
  send(110, 0);
  EXPECT_FALSE(unit.beaconKind10Flag);
}

TEST_F(BeaconDispatch, IcCardModeKeepsOnlyKind11) {
  unit.icCardActive = true;
  const RouteSnapshot before = snapshot(unit);
  for (int32_t type : {8,   100, 101, 102, 105, 106, 107, 108, 109, 110, 111, 113, 114,
                       120, 125, 130, 134, 135, 140, 145, 150, 155, 160, 165, 170, 175}) {
    send(type, 2020202);
  }
  EXPECT_EQ(snapshot(unit), before);
  send(119, 77);
  EXPECT_EQ(unit.beaconKind11Value, 77);
}

TEST_F(BeaconDispatch, TypesOutsideTheVocabularyDoNothing) {
  const RouteSnapshot before = snapshot(unit);
  std::set<int32_t> unknown{std::numeric_limits<int32_t>::min(), -1, 1002, 5000,
                            std::numeric_limits<int32_t>::max()};
  for (int32_t t = 0; t <= 999; ++t) unknown.insert(t);
  for (const BeaconTypeRange& row : beaconTypeTable()) {
    for (int32_t t = row.first; t <= row.last; ++t) unknown.erase(t);
  }
  for (int32_t type : unknown) send(type, 3101530);
  EXPECT_EQ(snapshot(unit), before);
}

TEST(BeaconTypeTable, ListsExactlyTheVocabularyInOrder) {
  std::set<int32_t> expected{8, 100, 101, 102, 113, 114, 119, 1000, 1001};
  for (int32_t t = 105; t <= 111; ++t) expected.insert(t);
  for (int32_t first : {120, 130, 140, 150, 160, 170}) {
    for (int32_t t = first; t <= first + 5; ++t) expected.insert(t);
  }
  std::set<int32_t> listed;
  int32_t previousLast = std::numeric_limits<int32_t>::min();
  for (const BeaconTypeRange& row : beaconTypeTable()) {
    EXPECT_LE(row.first, row.last);
    EXPECT_GT(row.first, previousLast) << "rows overlap or are out of order at " << row.first;
    EXPECT_NE(row.handle, nullptr);
    previousLast = row.last;
    for (int32_t t = row.first; t <= row.last; ++t) listed.insert(t);
  }
  EXPECT_EQ(listed, expected);
}

TEST_F(BeaconDispatch, RowSelectionOnlyAtStandstill) {
  const RouteSnapshot before = snapshot(unit);
  send(1001, 2);
  EXPECT_EQ(snapshot(unit), before);
  stop();
  send(1001, 2);
  // In beacon mode the row index stays and the station-list update does nothing.
  EXPECT_TRUE(unit.stationSetByBeacon);
  EXPECT_EQ(unit.icRowIndex, 0u);
}

TEST_F(BeaconDispatch, RowSelectionReadsTheValueUnsignedAndStopsAtTheCardEnd) {
  unit.catalogue.icRows.resize(4);
  unit.icCardActive = true;
  selectCardRow(unit, 2);
  EXPECT_EQ(unit.icRowIndex, 2u);
  selectCardRow(unit, -1);
  EXPECT_EQ(unit.icRowIndex, 4u);
  selectCardRow(unit, 100);
  EXPECT_EQ(unit.icRowIndex, 4u);
}

TEST_F(BeaconDispatch, CardInsertBeaconWithoutACardLeavesBeaconMode) {
  unit.icCardActive = true;  // as if an earlier card were in force
  send(1000, 301234008);     // the catalogue has no entries: like a missing file
  EXPECT_FALSE(unit.icCardActive);
}

}  // namespace
}  // namespace tims
