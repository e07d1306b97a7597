// The unit's timetable over many frames: the station list built from a card, a run along an IC
// card from its first row to the terminal, and a run on route data from beacons.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <tuple>
#include <vector>

#include "unit_fixture.h"

namespace tims::testing {
namespace {

// Ten rows 0..9 of stations 10..19, a window of five rows (the default).
class StationList : public UnitFixture {
 protected:
  StationList() { addRows(10); }
  IcRow& row(int r) { return unit.catalogue.icRows[r]; }
};

TEST_F(StationList, BuildsTheWindowRecordsAndDistanceFromTheStartRow) {
  row(2).arrivalTime = 251000;  // hour 25: no real time, but an arrival to show
  row(2).departureTime = kNoTimeHhmmss;
  row(2).sectionCode = 5;
  row(3).rowKind = 1;  // passed without a stop
  row(3).arrivalTime = kNoTimeHhmmss;
  row(3).sectionCode = -1;                                    // negative codes are not taken over
  row(7).arrivalTime = row(7).departureTime = kNoTimeHhmmss;  // not an after-list station
  row(8).arrivalTime = 257000;                                // a minute of 70 counts as shown
  row(8).departureTime = kNoTimeHhmmss;
  unit.nextStopDisp.depHour = 9;
  unit.departedStop.stationId = unit.departedStopDisp.stationId = 99;
  updateStationList(unit, 2);

  EXPECT_EQ(unit.rowStationId, (RowVector{12, 13, 14, 15, 16, 17, 18}));
  EXPECT_EQ(unit.rowRunSeconds[0], 12);     // 72 s
  EXPECT_EQ(unit.nextStop.stationId, 14);   // the first stop after the current row
  EXPECT_EQ(unit.nextStopDisp.depHour, 0);  // a new next stop blanks its display
  EXPECT_EQ(unit.afterList.stationId, 18);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 1000.0);
  EXPECT_EQ(unit.soundCommand[10], kSoundRaise);
  EXPECT_EQ(unit.departedStop.stationId, 0);  // row 2 has an arrival, though at hour 25
  EXPECT_EQ(unit.departedStopDisp.stationId, 0);
  // The display rows are cleared, then revealed: the records after 200 ms, row i after 400 +
  // 100 x i ms.
  EXPECT_EQ(unit.dispValueC, RowVector{});
  const std::tuple<int32_t, int32_t, int32_t> msNextStopRowsShown[] = {
      {200, 0, 0}, {201, 14, 0}, {400, 14, 0}, {401, 14, 1}, {501, 14, 2}, {801, 14, 5}};
  for (const auto& [ms, nextStop, rowsShown] : msNextStopRowsShown) {
    revealRows(unit, ms);
    RowVector shown{};
    for (int32_t i = 0; i < rowsShown; ++i) shown[i] = 12 + i;
    EXPECT_EQ(unit.nextStopDisp.stationId, nextStop) << ms;
    EXPECT_EQ(unit.dispStationId, shown) << ms;
  }
  EXPECT_EQ(unit.dispValueD, (RowVector{412, 413, 414, 415, 416}));

  row(4).hidden = true;  // takes no window row, but counts for the after-list start
  unit.soundCommand[10] = kSoundNothingNew;
  updateStationList(unit, 3);
  EXPECT_EQ(unit.rowStationId, (RowVector{13, 15, 16, 17, 18, 19, 18}));  // the last one stays
  EXPECT_EQ(unit.afterList.stationId, 18);  // row 8 = S + W, though window row 4
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 2000.0);
  EXPECT_EQ(unit.soundCommand[10], kSoundNothingNew);
  EXPECT_EQ(unit.sectionCode, 5);
  // Row 3 has no arrival: the departed stop is the last earlier row with a real time.
  EXPECT_EQ(unit.departedStop.stationId, 11);
}

// Fewer than five rows left: with DispType clear the window stands still and only the marker
// moves down; with DispType set it shows fewer rows.
TEST_F(StationList, WindowAtTheEndOfTheTimetable) {
  const std::tuple<bool, uint32_t, RowVector, int32_t, int32_t> cases[] = {
      {false, 6, {99, 99, 99, 99, 99, 99, 99}, 0, 4},
      {false, 5, {15, 16, 17, 18, 19}, 0, 0},
      {true, 6, {16, 17, 18, 19}, 7, 4}};
  for (const auto& [dispType, start, shown, afterList, marker] : cases) {
    unit.dispType = dispType;
    unit.dispStationId.fill(99);
    unit.afterList.stationId = 7;
    updateStationList(unit, start);
    revealRows(unit, 5000);
    EXPECT_EQ(unit.dispStationId, shown) << start;
    EXPECT_EQ(unit.afterList.stationId, afterList) << start;
    EXPECT_EQ(unit.routePosition, marker) << start;
  }
}

TEST_F(StationList, RowIndicesStayWithinTheCard) {
  row(9).hidden = true;
  unit.nextRowIndex = 1000;  // left from an earlier card; this update shows a single row
  updateStationList(unit, 8);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 2000.0);  // only existing rows are summed

  unit.rowsPassed = UINT32_MAX - 1;  // 8 + (2^32 - 1) would wrap onto row 7 in 32 bits
  unit.sectionRemaining = -1.0;
  for (int i = 0; i < 2; ++i) runFrame(10.0);
  EXPECT_EQ(unit.rowsPassed, UINT32_MAX);  // and stops counting
  EXPECT_LT(unit.sectionRemaining, 0.0);   // no row taken
  // Arriving now starts beyond the card's end: the current row stays, the next arrival moves on.
  unit.distanceToStop = -1.0;
  runFrame(10.0);
  EXPECT_EQ(unit.icRowIndex, 8u);
  runFrame(10.0);
  EXPECT_EQ(unit.icRowIndex, 9u);
  unit.icRowIndex = 100;  // a current row beyond the card's end never arrives
  unit.distanceToStop = -5.0;
  runFrame(10.0);
  EXPECT_EQ(unit.icRowIndex, 100u);
}

// Five rows: a start, a row passed without a stop, a hidden row, a stop and the terminal.
class IcRun : public UnitFixture {
 protected:
  IcRun() {
    unit.dispType = true;  // the window keeps starting at the current row
    addRows(5);
    auto& rows = unit.catalogue.icRows;
    for (int r = 0; r < 5; ++r) {
      rows[r].kmPost = 10.0 + r * 0.5;
      rows[r].sectionCode = r < 2 ? 1 : 2;
      rows[r].kmAscending = r != 2;  // a passed row's flag reads the other way round
    }
    rows[1].rowKind = 1;
    rows[1].sectionKm = rows[2].sectionKm = 0.5;
    rows[2].hidden = true;
    rows[1].announceKind = 2;                         // the pass chime
    rows[3].announceKind = rows[4].announceKind = 1;  // the stop chime
    updateStationList(unit, 0);
  }

  // Runs 10 m frames of 100 ms at `speed` until `done` holds; counts the frames in which each
  // sound value read 1, and notes any blinking.
  void runUntil(const std::function<bool()>& done, float speed = 40.0f) {
    for (int i = 0; i < 2000 && !done(); ++i) {
      runFrame(10.0, 100, speed);
      for (std::size_t k = 0; k < kSoundItems; ++k) raised[k] += unit.soundOut[k] == kSoundRaise;
      blinked = blinked || unit.stopBlink != 0;
    }
    ASSERT_TRUE(done());
  }

  std::array<int, kSoundItems> raised{};
  bool blinked = false;
};

TEST_F(IcRun, FromTheFirstRowToTheTerminal) {
  // First section, 1000 m to the row passed without a stop. The marker steps through thirds.
  runUntil([&] { return travelled() >= 100.0; });
  EXPECT_EQ(unit.routePosition, 1);
  EXPECT_EQ(unit.kmPostDigits, (std::array<int32_t, 4>{10, 1, 0, 1}));  // 10.1 km
  // Doors opening within 400 m of the station start the section again; further on they do not.
  for (const double at : {200.0, 450.0}) {
    runUntil([&] { return travelled() >= at; });
    unit.advanceRequest = true;
    runFrame(0.0, 100, 0.0f);
    EXPECT_DOUBLE_EQ(unit.sectionRemaining, at < 400.0 ? 1000.0 : 550.0);
  }
  EXPECT_EQ(unit.routePosition, 2);
  runUntil([&] { return travelled() >= 670.0; });
  EXPECT_EQ(unit.routePosition, 3);
  // The pass chime rings once the braking distance at 40 km/h (111.1 m) exceeds what is left.
  runUntil([&] { return raised[2] == 1; });
  EXPECT_TRUE(unit.distanceToStop > 100.0 && unit.distanceToStop < 111.2) << unit.distanceToStop;
  // The next row is not a stop: no blinking, all the way to it.
  runUntil([&] { return unit.icRowIndex == 1; });
  EXPECT_FALSE(blinked);
  EXPECT_EQ(raised[2], 1);

  // Rebuilt from row 1: the next shown row is row 3, across the hidden row 2.
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 1000.0);
  EXPECT_DOUBLE_EQ(unit.sectionRemaining, 500.0);
  EXPECT_EQ(unit.routePosition, 4);  // moved on from the last third

  // The hidden row's section starts after 500 m, with its own section code and line position.
  runUntil([&] { return unit.rowsPassed == 1; }, 80.0f);
  EXPECT_EQ(unit.soundOut[13], kSoundRaise);
  EXPECT_DOUBLE_EQ(unit.sectionRemaining, 500.0);
  EXPECT_DOUBLE_EQ(unit.kmPostBase, 11000.0);
  EXPECT_TRUE(unit.kmPostAscending);

  // At 80 km/h the stop chime comes 444 m before the stop, once, and the screen blinks.
  runUntil([&] { return unit.distanceToStop <= 450.0; }, 80.0f);
  EXPECT_EQ(raised[0], 0);
  runUntil([&] { return unit.distanceToStop < 310.0; }, 80.0f);
  EXPECT_EQ(raised[0], 1);
  EXPECT_TRUE(blinked);

  // Doors open 300 m short of the stop: the list moves on, over the passed hidden row.
  unit.advanceRequest = true;
  runFrame(0.0, 100, 0.0f);
  EXPECT_EQ(unit.icRowIndex, 3u);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 1000.0);

  // The terminal: no further next stop, and nothing arrives any more.
  runUntil([&] { return unit.icRowIndex == 4; });
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 1000000.0);
  EXPECT_EQ(unit.nextStop.stationId, 0);
  unit.advanceRequest = true;
  runFrame(0.0, 100, 0.0f);
  EXPECT_EQ(unit.icRowIndex, 4u);
}

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
