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
    auto& rows = unit.catalogue.icRows;
    rows.push_back(cardRowOf(1, kNoTimeHhmmss, 100000, 1.0));
    rows.push_back(cardRowOf(2, kNoTimeHhmmss, kNoTimeHhmmss, 0.5, 1));
    rows.push_back(cardRowOf(3, kNoTimeHhmmss, kNoTimeHhmmss, 0.5));
    rows.push_back(cardRowOf(4, 100300, 100330, 1.0));
    rows.push_back(cardRowOf(5, 100500, kNoTimeHhmmss, -1.0));
    const double kmPosts[] = {10.0, 11.0, 11.5, 12.0, 13.0};
    const int32_t codes[] = {1, 1, 2, 2, 2};
    for (int r = 0; r < 5; ++r) {
      rows[r].kmPost = kmPosts[r];
      rows[r].sectionCode = codes[r];
      rows[r].kmAscending = true;
    }
    rows[1].announceKind = 2;
    rows[2].hidden = true;
    rows[2].kmAscending = false;  // a passed row's flag reads the other way round
    rows[3].announceKind = 1;
    rows[4].announceKind = 1;
    unit.icCardActive = true;
    updateStationList(unit, 0);
  }

  // One 100 ms frame; counts the frames in which each sound value read 1.
  void step(float speed = 40.0f, double metres = 10.0) {
    runFrame(metres, 100, speed);
    for (std::size_t k = 0; k < raisedFrames.size(); ++k) {
      if (unit.soundOut[k] == kSoundRaise) ++raisedFrames[k];
    }
  }

  // Runs 10 m frames at `speed` until `done` holds (at most `limit` frames).
  void runUntil(const std::function<bool()>& done, float speed = 40.0f, int limit = 2000) {
    for (int i = 0; i < limit && !done(); ++i) step(speed);
    ASSERT_TRUE(done()) << "gave up after " << limit << " frames";
  }

  std::array<int, kSoundItems> raisedFrames{};
};

TEST_F(IcRun, FromTheFirstRowToTheTerminal) {
  EXPECT_EQ(unit.nextRowIndex, 1u);
  EXPECT_EQ(unit.stopAnnounceKind, 2);
  EXPECT_FALSE(unit.stopLatch);
  EXPECT_EQ(unit.nextStop.stationId, 4);

  // First section, 1000 m to the row passed without a stop. The marker steps through thirds.
  runUntil([&] { return travelled() >= 100.0; });
  EXPECT_EQ(unit.routePosition, 1);
  EXPECT_EQ(unit.kmPostDigits, (std::array<int32_t, 4>{10, 1, 0, 1}));  // 10.1 km
  runUntil([&] { return travelled() >= 340.0; });
  EXPECT_EQ(unit.routePosition, 2);
  runUntil([&] { return travelled() >= 670.0; });
  EXPECT_EQ(unit.routePosition, 3);
  // The pass chime rings once the braking distance at 40 km/h (111.1 m) exceeds what is left.
  runUntil([&] { return unit.distanceToStop <= 120.0; });
  EXPECT_EQ(raisedFrames[2], 0);
  step(40.0f);
  EXPECT_EQ(unit.soundOut[2], kSoundRaise);
  // The next row is not a stop: no blinking, all the way to it.
  bool blinked = false;
  runUntil([&] {
    blinked = blinked || unit.stopBlink != 0;
    return unit.icRowIndex == 1;
  });
  EXPECT_FALSE(blinked);
  EXPECT_EQ(raisedFrames[2], 1);
  EXPECT_EQ(unit.soundOut[2], kSoundNothingNew);

  // Rebuilt from row 1: the next shown row is row 3, across the hidden row 2.
  EXPECT_EQ(unit.nextRowIndex, 3u);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 1000.0);
  EXPECT_DOUBLE_EQ(unit.sectionRemaining, 500.0);
  EXPECT_TRUE(unit.stopLatch);
  EXPECT_EQ(unit.stopAnnounceKind, 1);
  EXPECT_EQ(unit.routePosition, 4);  // moved on from the last third
  EXPECT_EQ(unit.routePositionBase, 4);

  // The hidden row's section starts after 500 m, with its own section code and line position.
  runUntil([&] { return unit.rowsPassed == 1; }, 80.0f);
  EXPECT_EQ(unit.soundOut[13], kSoundRaise);
  EXPECT_EQ(unit.sectionCode, 2);
  EXPECT_DOUBLE_EQ(unit.sectionRemaining, 500.0);
  EXPECT_DOUBLE_EQ(unit.kmPostBase, 11500.0);
  EXPECT_TRUE(unit.kmPostAscending);

  // At 80 km/h the stop chime comes 444 m before the stop, and the halt loop starts.
  runUntil([&] { return unit.distanceToStop <= 450.0; }, 80.0f);
  EXPECT_EQ(raisedFrames[0], 0);
  step(80.0f);
  EXPECT_EQ(unit.soundOut[0], kSoundRaise);
  EXPECT_EQ(unit.soundOut[1], kSoundSounding);
  EXPECT_TRUE(unit.stopLatchIc);
  EXPECT_EQ(unit.stopAnnounceKind, 0);
  bool blinkOn = false;
  bool blinkOff = false;
  runUntil(
      [&] {
        (unit.stopBlink == 1 ? blinkOn : blinkOff) = true;
        return unit.distanceToStop < 310.0;
      },
      80.0f);
  EXPECT_EQ(raisedFrames[0], 1);
  EXPECT_TRUE(blinkOn && blinkOff);

  // Doors open 300 m short of the stop: the list moves on, over the passed hidden row.
  unit.advanceRequest = true;
  step(0.0f);
  EXPECT_FALSE(unit.advanceRequest);
  EXPECT_EQ(unit.icRowIndex, 3u);
  EXPECT_EQ(unit.rowsPassed, 0u);
  EXPECT_EQ(unit.nextRowIndex, 4u);
  EXPECT_FALSE(unit.stopLatchIc);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 1000.0);

  // The terminal: no further next stop, and nothing arrives any more.
  runUntil([&] { return unit.icRowIndex == 4; });
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 1000000.0);
  EXPECT_EQ(unit.nextStop.stationId, 0);
  unit.advanceRequest = true;
  step(0.0f);
  EXPECT_EQ(unit.icRowIndex, 4u);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 1000000.0 - 10.0);
}

TEST_F(IcRun, DoorsOpeningFarFromTheNextStationRestartTheSectionNearTheCurrentOne) {
  runUntil([&] { return travelled() >= 200.0; });
  unit.advanceRequest = true;
  step(0.0f, 0.0);
  EXPECT_EQ(unit.icRowIndex, 0u);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 1000.0);
  EXPECT_DOUBLE_EQ(unit.sectionRemaining, 1000.0);

  // Beyond 400 m from the station the doors change nothing.
  runUntil([&] { return travelled() >= 450.0; });
  unit.advanceRequest = true;
  step(0.0f, 0.0);
  EXPECT_DOUBLE_EQ(unit.distanceToStop, 550.0);
}

TEST_F(IcRun, StandingTrainHearsTheChimeWithin50m) {
  unit.distanceToStop = 60.0;
  step(0.0f, 0.0);
  EXPECT_NE(unit.soundOut[2], kSoundRaise);
  unit.distanceToStop = 49.0;
  step(0.0f, 0.0);
  EXPECT_EQ(unit.soundOut[2], kSoundRaise);
}

}  // namespace
}  // namespace tims::testing
