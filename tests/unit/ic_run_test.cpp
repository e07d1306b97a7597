#include <gtest/gtest.h>

#include <functional>

#include "unit_fixture.h"

namespace tims::testing {
namespace {

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

}  // namespace
}  // namespace tims::testing
