#include "beacon/beacon_dispatcher.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <set>
#include <tuple>

#include "state/plugin_state.h"
#include "support/temp_dir.h"
#include "unit/tims_unit.h"

namespace tims {
namespace {

// Everything a beacon may write: a beacon's effect is the difference between two snapshots.
auto snapshot(const TimsUnit& u) {
  return std::make_tuple(
      u.rowStationId, u.rowArrHour, u.rowArrMinute, u.rowArrSecond, u.rowDepHour, u.rowDepMinute,
      u.rowDepSecond, u.rowTrack, u.rowRunMinutes, u.rowRunSeconds, u.rowValueA, u.rowValueB,
      u.trainNumberDigits, u.distanceToStop, u.kmPostBase, u.kmPostOffset, u.kmPostRefLocation,
      u.stopAnnounceKind, u.nextStop.stationId, u.nextStop.arrHour, u.nextStop.arrMinute,
      u.nextStop.arrSecond, u.nextStopDisp.stationId, u.beaconKind11Value, u.nextStopSecondPart,
      u.beaconTrainNumberSet, u.beaconKind10Flag, u.kmPostAscending, u.stationSetByBeacon,
      u.icCardActive, u.icRowIndex);
}

class BeaconDispatch : public ::testing::Test {
 protected:
  BeaconDispatch() {
    bindUnit(unit, plugin);
    prepare(unit);
    plugin.state.speed = 40.0f;
    plugin.state.location = 1234.5;
  }
  // After a reset, with a stop chime pending and the kind 10 flag set, so that clearing them shows.
  void prepare(TimsUnit& u) {
    u.specPath = dir.path() / "TIMS_Spec.ini";
    resetUnit(u);
    u.stopAnnounceKind = 1;
    u.beaconKind10Flag = true;
  }
  void send(int32_t type, int32_t data) { dispatchBeacon(unit, BeaconData{type, 0, 0, data}); }

  tims::testing::TempDir dir;
  PluginState plugin;
  TimsUnit unit;
};

// Arrival and departure time of a row (0 is row 1).
void arr(TimsUnit& u, int row, int32_t h, int32_t m, int32_t s) {
  std::tie(u.rowArrHour[row], u.rowArrMinute[row], u.rowArrSecond[row]) = std::tuple(h, m, s);
}
void dep(TimsUnit& u, int row, int32_t h, int32_t m, int32_t s) {
  std::tie(u.rowDepHour[row], u.rowDepMinute[row], u.rowDepSecond[row]) = std::tuple(h, m, s);
}

constexpr float kGo = 40.0f, kStop = 0.0f, kNaN = std::numeric_limits<float>::quiet_NaN();
struct Case {
  int32_t type, data;
  float speed;
  void (*expect)(TimsUnit&);  // the changes the beacon makes to the prepared unit
};
void none(TimsUnit&) {}

// clang-format off
const Case kCases[] = {
  // Distance to the stop: a negative value announces a pass; taken only while moving.
  {100, -350, kGo, [](TimsUnit& u) { u.stopAnnounceKind = 2, u.distanceToStop = 350; }},
  {8, 12345, kGo, [](TimsUnit& u) { u.distanceToStop = 2345; }},  // kind stays 1: a stop
  {100, INT32_MIN, kGo, [](TimsUnit& u) { u.stopAnnounceKind = 2, u.distanceToStop = 3648; }},
  {100, -350, kStop, none},
  {101, 12345, kStop, [](TimsUnit& u) { u.stopAnnounceKind = 0, u.distanceToStop = 2345; }},
  {101, -12345, kGo, [](TimsUnit& u) { u.stopAnnounceKind = 0, u.distanceToStop = -2345; }},
  // Next stop, first part: the shown number only at a standstill, which a NaN speed is not.
  {102, 1203, kStop, [](TimsUnit& u) {
     u.nextStop.stationId = 3, u.nextStopDisp.stationId = 12, u.nextStopSecondPart = true; }},
  {102, 1203, kNaN, [](TimsUnit& u) { u.nextStop.stationId = 3, u.nextStopSecondPart = true; }},
  // Packed rows: the row number in the upper digits, row 0 and rows beyond 7 ignored.
  {105, 305, kGo, [](TimsUnit& u) { u.rowStationId[2] = 5; }},
  {106, 3101530, kGo, [](TimsUnit& u) { arr(u, 2, 10, 15, 30); }},
  {107, 2083015, kGo, [](TimsUnit& u) { dep(u, 1, 8, 30, 15); }},
  {108, 20715, kGo, [](TimsUnit& u) { u.rowTrack[1] = 7, u.rowValueB[0] = 3; }},  // 15 / 5
  {109, 70245, kGo, [](TimsUnit& u) { u.rowRunMinutes[6] = 2, u.rowRunSeconds[6] = 45; }},
  {105, 5, kGo, none}, {106, 101530, kGo, none}, {105, 812, kGo, none}, {106, -3101530, kGo, none},
  {107, 9101530, kGo, none}, {108, 80715, kGo, none}, {109, INT32_MIN, kGo, none},
  // Train number PP·SS·NNNN and the kind 10 flag.
  {111, 12345678, kGo,
   [](TimsUnit& u) { u.trainNumberDigits = {12, 5, 6, 7, 8, 34}, u.beaconTrainNumberSet = true; }},
  {110, 0, kGo, [](TimsUnit& u) { u.beaconKind10Flag = false; }},
  {110, -7, kGo, none},  // any non-zero value sets it
  // Kilometre post in tens of metres, falling above 10000; offset in metres.
  {113, 15000, kGo, [](TimsUnit& u) {
     u.kmPostAscending = false, u.kmPostBase = 5000, u.kmPostRefLocation = 1234.5; }},
  {113, 10000, kGo, [](TimsUnit& u) { u.kmPostAscending = true, u.kmPostRefLocation = 1234.5; }},
  {114, -250, kGo, [](TimsUnit& u) { u.kmPostOffset = -250; }},
  // One type per row.
  {120, 41, kGo, [](TimsUnit& u) { u.rowStationId[0] = 41; }},
  {130, 80001, kGo, [](TimsUnit& u) { arr(u, 0, 8, 0, 1); }},
  {135, 123456, kGo, [](TimsUnit& u) { arr(u, 5, 12, 34, 56); }},
  {140, 90001, kGo, [](TimsUnit& u) { dep(u, 0, 9, 0, 1); }},
  {145, 214500, kGo, [](TimsUnit& u) { dep(u, 5, 21, 45, 0); }},
  {150, 11, kGo, [](TimsUnit& u) { u.rowTrack[0] = 11; }},
  {160, 14, kGo, [](TimsUnit& u) { u.rowValueA[0] = 2; }},  // A and B of rows 1 to 3 in turn
  {163, 20, kGo, [](TimsUnit& u) { u.rowValueB[1] = 4; }},
  {165, 30, kGo, [](TimsUnit& u) { u.rowValueB[2] = 6; }},
  {170, 301, kGo, [](TimsUnit& u) { u.rowRunMinutes[0] = 3, u.rowRunSeconds[0] = 1; }},
  {119, -9, kGo, [](TimsUnit& u) { u.beaconKind11Value = -9; }},
  {1001, 2, kNaN, none},  // row selection only at a standstill
};
// clang-format on

TEST_F(BeaconDispatch, EachTypeWritesItsFieldsAndNothingElse) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(::testing::Message() << "type " << c.type << " data " << c.data);
    prepare(unit);
    TimsUnit expected;
    prepare(expected);
    c.expect(expected);
    plugin.state.speed = c.speed;
    send(c.type, c.data);
    EXPECT_EQ(snapshot(unit), snapshot(expected));
  }
}

// Beacons reach row code 5 only with row 6, and codes 1 to 4 with none.
TEST_F(BeaconDispatch, RouteDataEntryIgnoresMissingRowsAndUnusedCodes) {
  const auto before = snapshot(unit);
  for (int32_t row : {0, 8, -1, INT32_MIN}) applyRouteData(unit, 5, 101010, row);
  for (int code : {1, 2, 3, 4, 12, -1}) applyRouteData(unit, code, 1, 1);
  EXPECT_EQ(snapshot(unit), before);
}

TEST_F(BeaconDispatch, NextStopArrivalIsTheSecondPartAndAnIgnoredBeaconKeepsTheToggle) {
  send(102, 1203);
  unit.icCardActive = true;
  send(102, 1504);
  unit.icCardActive = false;
  send(102, 102030);
  EXPECT_EQ(std::tie(unit.nextStop.stationId, unit.nextStop.arrHour, unit.nextStop.arrMinute,
                     unit.nextStop.arrSecond, unit.nextStopSecondPart),
            std::tuple(3, 10, 20, 30, false));
}

// The table lists exactly the vocabulary (written out here by hand), once each. Every other type,
// and in IC mode every timetable type but 119, changes nothing.
TEST_F(BeaconDispatch, IgnoresTypesOutsideTheVocabularyAndTimetableTypesInIcMode) {
  std::set<int32_t> known{8, 100, 101, 102, 113, 114, 119, 1000, 1001}, listed;
  for (int32_t t = 105; t <= 111; ++t) known.insert(t);
  for (int32_t t = 120; t <= 175; ++t) {
    if (t % 10 <= 5) known.insert(t);
  }
  for (const BeaconTypeRange& row : beaconTypeTable()) {
    for (int32_t t = row.first; t <= row.last; ++t) EXPECT_TRUE(listed.insert(t).second) << t;
  }
  EXPECT_EQ(listed, known);
  const auto before = snapshot(unit);
  for (int32_t type = -1; type <= 1100; ++type) {
    if (!known.contains(type)) send(type, 3101530);
  }
  for (int32_t type : {INT32_MIN, INT32_MAX}) send(type, 3101530);
  EXPECT_EQ(snapshot(unit), before);
  unit.icCardActive = true;
  const auto inIcMode = snapshot(unit);
  for (const int32_t type : known) {
    if (type < 1000 && type != 119) send(type, 2020202);
  }
  EXPECT_EQ(snapshot(unit), inIcMode);
  send(119, 77);
  EXPECT_EQ(unit.beaconKind11Value, 77);
}

// Type 1001 (at a standstill) places the train on a card row; type 1000 inserts a card.
TEST_F(BeaconDispatch, CardBeaconsSelectARowUnsignedUpToTheCardEndAndInsertACard) {
  plugin.state.speed = 0.0f;
  send(1001, 2);  // beacon mode: the row stays
  EXPECT_TRUE(unit.stationSetByBeacon);
  EXPECT_EQ(unit.icRowIndex, 0u);
  unit.catalogue.icRows.resize(4);
  unit.icCardActive = true;
  for (const auto& [data, row] : {std::pair{2, 2u}, std::pair{-1, 4u}, std::pair{100, 4u}}) {
    send(1001, data);
    EXPECT_EQ(unit.icRowIndex, row) << data;
  }
  send(1000, 301234008);  // the catalogue has no folders: like a missing file
  EXPECT_FALSE(unit.icCardActive);
}

}  // namespace
}  // namespace tims
