#include <gtest/gtest.h>

#include <initializer_list>

#include "unit_fixture.h"

namespace tims::testing {
namespace {

// A 10 km section from row 0 (line position 10 km, ascending) to row 1.
class IcPoints : public UnitFixture {
 protected:
  IcPoints() {
    for (int r = 0; r < 3; ++r) {
      unit.catalogue.icRows.push_back(cardRowOf(r + 1, 100000 + r * 1000, 100030, 10.0));
      unit.catalogue.icRows[r].kmPost = 10.0 + 10.0 * r;
      unit.catalogue.icRows[r].kmAscending = true;
    }
    unit.icCardActive = true;
    updateStationList(unit, 0);
  }

  // One frame with the train `run` metres past the station, at `speed`, `msInSecond` into a
  // second of the clock.
  void at(double run, float speed, int32_t msInSecond = 300) {
    unit.distanceToStop = unit.stopDistanceTotal - run;
    unit.sectionRemaining = unit.sectionLength - run;
    unit.kmPostBase = 10000.0 + run;
    plugin.state.time = 36000000 + msInSecond - 100;
    runFrame(0.0, 100, speed);
  }

  void points(std::initializer_list<IcPointRecord> list) { unit.catalogue.pointRecords = list; }
  bool raised(int soundItem) const { return unit.soundOut[soundItem] == kSoundRaise; }
};

TEST_F(IcPoints, KindZeroSoundsOnEntryBelow25kmh) {
  points({{0, 0.1, 0.3, 0}});
  at(50, 20);
  EXPECT_FALSE(raised(5));
  at(150, 20, 300);
  EXPECT_TRUE(raised(5));
  EXPECT_EQ(unit.zoneIndicator[0], 2);
  at(160, 20, 700);
  EXPECT_FALSE(raised(5));  // latched
  EXPECT_EQ(unit.zoneIndicator[0], 1);
  at(170, 30);
  EXPECT_FALSE(unit.pointLatch[0]);
  EXPECT_EQ(unit.zoneIndicator[0], 0);
  at(180, 20);
  EXPECT_TRUE(raised(5));
}

TEST_F(IcPoints, KindOneWindowRunsFrom400mBeforeTo700mAfter) {
  points({{0, 1.0, 0.0, 1}});
  at(599, 60);
  EXPECT_FALSE(raised(6));
  at(601, 60, 100);
  EXPECT_TRUE(raised(6));
  EXPECT_EQ(unit.zoneIndicator[1], 4);
  at(1699, 60, 900);
  EXPECT_EQ(unit.zoneIndicator[1], 3);
  at(1700, 60);
  EXPECT_EQ(unit.zoneIndicator[1], 0);
}

TEST_F(IcPoints, KindTwoOpensEarlierAbove80kmhAndRepeatsInTheLast100m) {
  points({{0, 2.0, 0.0, 2}});
  at(1550, 50);
  EXPECT_FALSE(raised(7));
  at(1550, 90);
  EXPECT_TRUE(raised(7));
  EXPECT_EQ(unit.zoneIndicator[2], 2);
  EXPECT_EQ(unit.zoneIndicator[3], 1);
  at(1950, 90);
  EXPECT_FALSE(raised(7));
  EXPECT_TRUE(raised(8));
  at(1960, 90);
  EXPECT_TRUE(raised(8));
  unit.panel83Set = true;
  at(1970, 90);
  EXPECT_FALSE(raised(8));
  at(2499, 90);
  EXPECT_TRUE(unit.pointLatch[2]);
  at(2500, 90);
  EXPECT_FALSE(unit.pointLatch[2]);
  EXPECT_EQ(unit.zoneIndicator[3], 0);
}

TEST_F(IcPoints, KindTwoEnteredWithinTheLast100mRepeatsOnlyFromTheNextFrame) {
  points({{0, 2.0, 0.0, 2}});
  at(1950, 50);
  EXPECT_TRUE(raised(7));
  EXPECT_FALSE(raised(8));
  at(1960, 50);
  EXPECT_FALSE(raised(7));
  EXPECT_TRUE(raised(8));
}

TEST_F(IcPoints, KindThreeSharesTheWindowAndTheSoundWithoutIndicators) {
  points({{0, 3.0, 0.0, 3}});
  at(2650, 50);
  EXPECT_TRUE(raised(7));
  EXPECT_TRUE(unit.pointLatch[3]);
  EXPECT_EQ(unit.zoneIndicator, (std::array<int32_t, 4>{0, 0, 0, 0}));
  at(2660, 50);
  EXPECT_FALSE(raised(7));
}

TEST_F(IcPoints, ScanSkipsOtherRowsAndSlowOnlyPointsAndStopsAtTheFirstActive) {
  points({{1, 0.1, 0.3, 0}, {0, 0.1, 0.3, 0}, {0, 0.2, 0.0, 1}, {0, 0.0, 9.0, 7}});
  at(150, 30);  // the kind-0 point is too fast here; the kind-1 point behind it sounds
  EXPECT_FALSE(raised(5));
  EXPECT_TRUE(raised(6));
  at(150, 20);
  EXPECT_TRUE(raised(5));
  EXPECT_TRUE(unit.pointLatch[0]);
  EXPECT_FALSE(unit.pointLatch[1]);
}

TEST_F(IcPoints, StationZonesSoundOnEntryAndKmZonesFromTheSecondFrameInside) {
  unit.catalogue.sectionRecords = {
      {0, 50.0, 51.0, 0.2, 0},   // station zone: the first 200 m
      {7, 10.5, 10.8, 0.0, 0},   // line-position zone 10.5..10.8 km
      {9, 10.95, 10.9, 0.0, 0},  // the same, given the other way round
      {1, 90.0, 91.0, 0.0, 0},   // next row: the last 600 m of the section
  };
  at(10, 40);
  EXPECT_TRUE(raised(9));
  at(20, 40);
  EXPECT_FALSE(raised(9));
  EXPECT_TRUE(unit.stationZone);
  for (double run : {300.0, 510.0}) {
    at(run, 40);
    EXPECT_FALSE(raised(9));
    EXPECT_FALSE(raised(10));
  }
  EXPECT_TRUE(unit.kmZone);
  at(520, 40);
  EXPECT_TRUE(raised(10));
  at(530, 40);
  EXPECT_TRUE(raised(10));
  at(810, 40);
  EXPECT_FALSE(unit.kmZone);
  at(920, 40);
  at(930, 40);
  EXPECT_TRUE(raised(10));
  at(9410, 40);
  EXPECT_TRUE(raised(9));
  EXPECT_TRUE(unit.stationZone);
}

}  // namespace
}  // namespace tims::testing
