#include <gtest/gtest.h>

#include <algorithm>

#include "unit_fixture.h"

namespace tims::testing {
namespace {

class StationList : public UnitFixture {
 protected:
  StationList() { unit.icCardActive = true; }
};

RowVector filled(int32_t value) {
  RowVector rows;
  rows.fill(value);
  return rows;
}

TEST_F(StationList, BuildsTheWindowRecordsAndDistanceFromTheStartRow) {
  addRows(10);
  unit.catalogue.icRows[3].rowKind = 1;  // passed without a stop
  unit.catalogue.icRows[3].announceKind = 2;
  unit.catalogue.icRows[7].arrivalTime = kNoTimeHhmmss;  // no time: not an after-list station
  unit.catalogue.icRows[7].departureTime = kNoTimeHhmmss;
  unit.catalogue.icRows[8].arrivalTime = 257000;  // minute 70 counts as shown
  unit.catalogue.icRows[8].departureTime = kNoTimeHhmmss;

  updateStationList(unit, 2);

  EXPECT_EQ(unit.rowStationId, (RowVector{12, 13, 14, 15, 16, 17, 18}));
  EXPECT_EQ(unit.rowArrMinute[0], 2);
  EXPECT_EQ(unit.rowDepSecond[0], 30);
  EXPECT_EQ(unit.rowRunMinutes[0], 1);  // 72 s
  EXPECT_EQ(unit.rowRunSeconds[0], 12);
  EXPECT_EQ(unit.rowValueC[6], 318);
  EXPECT_EQ(unit.icRowIndex, 2u);
  EXPECT_EQ(unit.nextRowIndex, 3u);
  EXPECT_EQ(unit.stopAnnounceKind, 2);
  EXPECT_FALSE(unit.stopLatch);
  EXPECT_EQ(unit.nextStop.stationId, 14);
  EXPECT_EQ(unit.nextStop.arrMinute, 4);
  EXPECT_EQ(unit.nextStop.value0, 114);
  EXPECT_EQ(unit.afterList.stationId, 18);
  EXPECT_EQ(unit.afterList.arrMinute, 70);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 1000.0);
  EXPECT_DOUBLE_EQ(unit.stopDistanceTotal, 1000.0);
  EXPECT_DOUBLE_EQ(unit.sectionLength, 1000.0);
  EXPECT_EQ(unit.routePositionBase, 0);
  // The display waits for the reveal: rows cleared (values C too), next stop blank.
  EXPECT_EQ(unit.dispStationId, filled(0));
  EXPECT_EQ(unit.dispValueC, filled(0));
  EXPECT_EQ(unit.nextStopDisp.stationId, 0);
  EXPECT_EQ(unit.nextStopDisp.depHour, 0);

  revealRows(unit, 450);
  EXPECT_EQ(unit.dispStationId, (RowVector{12, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(unit.nextStopDisp.stationId, 14);
  revealRows(unit, 1000);
  EXPECT_EQ(unit.dispStationId, (RowVector{12, 13, 14, 15, 16, 0, 0}));
  EXPECT_EQ(unit.dispValueD[4], 416);
}

TEST_F(StationList, HiddenRowTakesNoWindowRowButCountsForTheAfterListStart) {
  addRows(10);
  unit.catalogue.icRows[3].hidden = true;

  updateStationList(unit, 2);

  EXPECT_EQ(unit.rowStationId, (RowVector{12, 14, 15, 16, 17, 18, 19}));
  EXPECT_EQ(unit.nextRowIndex, 4u);
  EXPECT_EQ(unit.nextStop.stationId, 14);
  EXPECT_EQ(unit.afterList.stationId, 17);        // row 7 = S + W, although only window row 4
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 2000.0);  // the hidden row's section is run too
}

TEST_F(StationList, TimetableEndingInsideTheWindowFreezesItWhenDispTypeIsClear) {
  addRows(10);
  unit.dispStationId.fill(99);
  unit.terminal = {19, 9, 9, 0, 1};
  unit.afterList = {7, 1, 2, 3, 4, 5, 6, 7};

  updateStationList(unit, 6);

  EXPECT_EQ(unit.dispStationId, filled(99));
  EXPECT_EQ(unit.rowStationId[3], 19);
  EXPECT_EQ(unit.icRowIndex, 6u);
  EXPECT_EQ(unit.terminal.stationId, 0);
  EXPECT_EQ(unit.terminal.arrHour, 24);
  EXPECT_EQ(unit.afterList.stationId, 0);
  EXPECT_EQ(unit.routePositionBase, 4);

  revealRows(unit, 5000);
  EXPECT_EQ(unit.dispStationId, filled(99));
  EXPECT_EQ(unit.routePosition, 4);
}

TEST_F(StationList, WindowHoldingExactlyTheLastRowsIsStillClearedAndRevealed) {
  addRows(10);
  unit.dispStationId.fill(99);
  unit.afterList = {7, 1, 2, 3, 4, 5, 6, 7};
  updateStationList(unit, 5);
  EXPECT_EQ(unit.dispStationId, filled(0));
  EXPECT_EQ(unit.afterList.stationId, 0);  // no row after the window
  revealRows(unit, 5000);
  EXPECT_EQ(unit.dispStationId, (RowVector{15, 16, 17, 18, 19, 0, 0}));
}

TEST_F(StationList, TimetableEndingInsideTheWindowShowsFewerRowsWhenDispTypeIsSet) {
  addRows(10);
  unit.dispType = true;
  unit.dispStationId.fill(99);
  unit.afterList = {7, 1, 2, 3, 4, 5, 6, 7};

  updateStationList(unit, 6);
  revealRows(unit, 5000);

  EXPECT_EQ(unit.dispStationId, (RowVector{16, 17, 18, 19, 0, 0, 0}));
  EXPECT_EQ(unit.afterList.stationId, 7);  // no row beyond the window, and no clearing
  EXPECT_EQ(unit.routePositionBase, 4);
}

TEST_F(StationList, DepartedStopIsTheLastEarlierRowWithARealTime) {
  addRows(10);
  auto& rows = unit.catalogue.icRows;
  rows[2].arrivalTime = 251000;  // hour 25: not a real time
  rows[2].departureTime = kNoTimeHhmmss;
  rows[3].arrivalTime = kNoTimeHhmmss;
  unit.departedStopDisp = {99, 1, 2, 3, 4};

  updateStationList(unit, 3);
  EXPECT_EQ(unit.departedStop.stationId, 11);
  EXPECT_EQ(unit.departedStop.depMinute, 1);
  EXPECT_EQ(unit.departedStop.depSecond, 30);
  EXPECT_EQ(unit.departedStop.track, 1);
  EXPECT_EQ(unit.departedStopDisp.stationId, 0);  // cleared for the new station

  updateStationList(unit, 4);  // row 4 arrives at a real time
  EXPECT_EQ(unit.departedStop.stationId, 0);
  EXPECT_EQ(unit.departedStop.depHour, 24);
}

TEST_F(StationList, DepartedStopFromRowZeroKeepsTheOldRecord) {
  addRows(10);
  unit.catalogue.icRows[0].arrivalTime = kNoTimeHhmmss;
  unit.departedStop = {5, 8, 0, 0, 2};
  updateStationList(unit, 0);
  EXPECT_EQ(unit.departedStop.stationId, 5);
}

TEST_F(StationList, FrozenWindowWithAShownArrivalHasNoDepartedStop) {
  addRows(10);
  unit.catalogue.icRows[7].arrivalTime = kNoTimeHhmmss;
  unit.dispArrMinute[0] = 5;  // the standing window still shows an arrival in row 0
  updateStationList(unit, 7);
  EXPECT_EQ(unit.departedStop.stationId, 0);

  unit.dispArrMinute[0] = 60;
  updateStationList(unit, 7);
  EXPECT_EQ(unit.departedStop.stationId, 16);
}

TEST_F(StationList, LastRowSetsTheDistancesToOneMillionAndDropsTheNextStop) {
  addRows(10);
  unit.nextStop = {5, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  unit.nextStopDisp = {5, 1, 2, 3, 4, 5, 6, 7, 8, 9};

  updateStationList(unit, 9);

  for (double d :
       {unit.sectionRemaining, unit.distanceToStop, unit.sectionLength, unit.stopDistanceTotal}) {
    EXPECT_DOUBLE_EQ(d, 1000000.0);
  }
  EXPECT_EQ(unit.nextStopDisp.stationId, 0);
  EXPECT_EQ(unit.nextStopDisp.depHour, 24);
  EXPECT_EQ(unit.nextStop.stationId, 0);
  EXPECT_EQ(unit.nextStop.arrHour, 24);
  EXPECT_EQ(unit.nextStop.track, 0);
  EXPECT_EQ(unit.nextStop.depHour, 4);  // the departure stays
  EXPECT_EQ(unit.nextStop.depSecond, 6);
}

TEST_F(StationList, DoesNothingInBeaconMode) {
  addRows(10);
  unit.icCardActive = false;
  updateStationList(unit, 2);
  EXPECT_EQ(unit.rowStationId, filled(0));
  EXPECT_EQ(unit.icRowIndex, 0u);
  EXPECT_EQ(unit.routePositionBase, 60);
}

TEST_F(StationList, TakesTheCurrentRowsSectionCodeAndLinePosition) {
  addRows(10);
  auto& rows = unit.catalogue.icRows;
  rows[2].sectionCode = 5;
  rows[2].kmPost = 12.5;
  rows[2].kmAscending = false;
  rows[3].sectionCode = -1;

  updateStationList(unit, 2);
  EXPECT_EQ(unit.soundCommand[10], kSoundRaise);
  EXPECT_EQ(unit.sectionCode, 5);
  EXPECT_DOUBLE_EQ(unit.kmPostBase, 12500.0);
  EXPECT_FALSE(unit.kmPostAscending);

  unit.soundCommand[10] = kSoundNothingNew;
  updateStationList(unit, 3);  // negative codes are not taken over
  EXPECT_EQ(unit.soundCommand[10], kSoundNothingNew);
  EXPECT_EQ(unit.sectionCode, 5);
}

TEST_F(StationList, TrainPlacedByBeaconSeesEverythingAtOnce) {
  addRows(10);
  unit.stationSetByBeacon = true;
  updateStationList(unit, 1);
  EXPECT_EQ(unit.revealTimer, 2000);
  EXPECT_EQ(unit.dispStationId, (RowVector{11, 12, 13, 14, 15, 0, 0}));
  EXPECT_EQ(unit.nextStopDisp.stationId, 12);
  EXPECT_FALSE(unit.stationSetByBeacon);
}

TEST_F(StationList, MarkerInTheLastThirdMovesOnToTheStation) {
  addRows(10);
  unit.routePosition = 7;
  unit.revealTimer = 900;
  updateStationList(unit, 1);
  EXPECT_EQ(unit.routePosition, 8);
  EXPECT_EQ(unit.revealTimer, 0);
  unit.routePosition = 6;
  updateStationList(unit, 2);
  EXPECT_EQ(unit.routePosition, 6);
}

TEST_F(StationList, RevealShowsRecordsAfter200msAndRowIAfter400Plus100TimesIms) {
  addRows(10);
  updateStationList(unit, 0);
  struct Step {
    int ms;
    int32_t nextStopShown;
    RowVector rows;
  };
  const Step steps[] = {
      {200, 0, {0, 0, 0, 0, 0, 0, 0}},      {250, 11, {0, 0, 0, 0, 0, 0, 0}},
      {400, 11, {0, 0, 0, 0, 0, 0, 0}},     {450, 11, {10, 0, 0, 0, 0, 0, 0}},
      {500, 11, {10, 0, 0, 0, 0, 0, 0}},    {550, 11, {10, 11, 0, 0, 0, 0, 0}},
      {800, 11, {10, 11, 12, 13, 0, 0, 0}}, {850, 11, {10, 11, 12, 13, 14, 0, 0}},
  };
  int elapsed = 0;
  for (const Step& step : steps) {
    while (elapsed < step.ms) {
      runFrame(0.0, 50, 0.0f);
      elapsed += 50;
    }
    EXPECT_EQ(unit.nextStopDisp.stationId, step.nextStopShown) << step.ms << " ms";
    EXPECT_EQ(unit.dispStationId, step.rows) << step.ms << " ms";
  }
}

TEST_F(StationList, BeaconShiftMovesTwelveVectorsUpAndBlanksTheDisplay) {
  unit.rowStationId = {1, 2, 3, 4, 5, 6, 7};
  unit.rowValueA = {11, 12, 13, 14, 15, 16, 17};
  unit.rowArrHour = {8, 9, 10, 11, 12, 13, 14};
  unit.rowValueC = {21, 22, 23, 24, 25, 26, 27};
  unit.rowValueD = {31, 32, 33, 34, 35, 36, 37};
  unit.dispValueC.fill(5);
  unit.nextStop = {4, 10, 0, 0, 10, 1, 0, 0, 0, 2};
  unit.stopLatch = true;
  unit.revealTimer = 3000;

  shiftBeaconList(unit);

  EXPECT_EQ(unit.rowStationId, (RowVector{2, 3, 4, 5, 6, 7, 0}));
  EXPECT_EQ(unit.rowValueA, (RowVector{12, 13, 14, 15, 16, 17, 300}));
  EXPECT_EQ(unit.rowValueB[6], 300);
  EXPECT_EQ(unit.rowArrHour, (RowVector{9, 10, 11, 12, 13, 14, 24}));
  EXPECT_EQ(unit.rowValueC, (RowVector{21, 22, 23, 24, 25, 26, 27}));
  EXPECT_EQ(unit.rowValueD, (RowVector{31, 32, 33, 34, 35, 36, 37}));
  EXPECT_EQ(unit.dispStationId, filled(0));
  EXPECT_EQ(unit.dispValueA, filled(300));
  EXPECT_EQ(unit.dispArrMinute, filled(60));
  EXPECT_EQ(unit.dispValueC, filled(5));
  EXPECT_EQ(unit.nextStopDisp.stationId, 4);
  EXPECT_EQ(unit.revealTimer, 0);
  EXPECT_FALSE(unit.stopLatch);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 100000.0);
  EXPECT_DOUBLE_EQ(unit.sectionRemaining, 100000.0);
  EXPECT_EQ(unit.routePosition, 50);
}

}  // namespace
}  // namespace tims::testing
