#include <gtest/gtest.h>

#include <tuple>

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

}  // namespace
}  // namespace tims::testing
