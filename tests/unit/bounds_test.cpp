#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "unit_fixture.h"

namespace tims::testing {
namespace {

class Bounds : public UnitFixture {
 protected:
  Bounds() { unit.icCardActive = true; }
};

TEST_F(Bounds, RowsPassedBeyondTheCardNeitherReadsPastItNorWrapsToAnEarlyRow) {
  addRows(3);
  unit.catalogue.icRows[0].kmPost = 77.0;
  unit.catalogue.icRows[0].sectionKm = 7.0;
  updateStationList(unit, 1);
  // 1 + (2^32 - 1) wraps onto row 0 in 32 bits.
  unit.rowsPassed = UINT32_MAX - 1;
  unit.sectionRemaining = -1.0;
  unit.distanceToStop = 5000.0;
  runFrame(10.0);
  EXPECT_EQ(unit.rowsPassed, UINT32_MAX);
  EXPECT_NE(unit.kmPostBase, 77000.0);
  EXPECT_LT(unit.sectionRemaining, 0.0);
  runFrame(10.0);
  EXPECT_EQ(unit.rowsPassed, UINT32_MAX);  // stops counting

  // Arriving now starts beyond the card's end: no row is walked, the current row stays.
  unit.distanceToStop = -1.0;
  runFrame(10.0);
  EXPECT_EQ(unit.icRowIndex, 1u);
  EXPECT_EQ(unit.rowsPassed, 0u);
  // The next arrival moves on to the next row as usual.
  runFrame(10.0);
  EXPECT_EQ(unit.icRowIndex, 2u);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 1000000.0);
}

TEST_F(Bounds, StaleNextRowIndexSumsOnlyExistingRows) {
  addRows(5);
  for (int r = 0; r < 5; ++r) unit.catalogue.icRows[r].sectionKm = r + 1.0;
  unit.catalogue.icRows[3].hidden = true;
  unit.catalogue.icRows[4].hidden = true;
  unit.nextRowIndex = 1000;  // left from an earlier card; this update shows a single row
  updateStationList(unit, 2);
  EXPECT_EQ(unit.nextRowIndex, 1000u);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 12000.0);
}

TEST_F(Bounds, CurrentRowAtOrBeyondTheCardsEndReadsNoRow) {
  addRows(3);
  unit.kmPostBase = 5.0;
  unit.sectionCode = 9;
  unit.icRowIndex = 3;  // as a row selection past the end leaves it
  updateStationList(unit, 3);
  EXPECT_EQ(unit.icRowIndex, 3u);
  EXPECT_DOUBLE_EQ(unit.kmPostBase, 5.0);
  EXPECT_EQ(unit.sectionCode, 9);
  EXPECT_DOUBLE_EQ(unit.sectionLength, 1000000.0);

  unit.icRowIndex = 100;
  unit.distanceToStop = -5.0;
  unit.advanceRequest = true;
  for (int i = 0; i < 10; ++i) runFrame(10.0);
  EXPECT_EQ(unit.icRowIndex, 100u);  // no arrival from beyond the end
}

TEST_F(Bounds, WindowWiderThanSevenRowsStaysInsideTheVectors) {
  addRows(20);
  unit.d01abRows = 9;    // beyond what the settings reader lets through
  unit.carState[0] = 2;  // lies right behind the last display vector
  unit.stationSetByBeacon = true;
  updateStationList(unit, 0);
  EXPECT_EQ(unit.dispStationId, (RowVector{10, 11, 12, 13, 14, 15, 16}));
  EXPECT_EQ(unit.carState[0], 2);

  unit.icCardActive = false;
  unit.beaconTrainNumberSet = true;
  unit.rowValueD[0] = 55;  // lies right behind the source vector of values C
  unit.dispValueD[0] = 0;
  unit.revealTimer = 5000;
  runFrame(0.0);
  EXPECT_EQ(unit.dispValueD[0], 0);

  unit.d01abRows = -3;
  unit.dispStationId.fill(0);
  runFrame(0.0);
  EXPECT_EQ(unit.dispStationId[0], 0);
}

TEST_F(Bounds, RevealTimerStopsAtItsLargestValue) {
  unit.revealTimer = std::numeric_limits<int32_t>::max() - 5;
  runFrame(0.0, 100);
  EXPECT_EQ(unit.revealTimer, std::numeric_limits<int32_t>::max());
}

}  // namespace
}  // namespace tims::testing
