// The computed slots: clock, lamps, line position, next-stop number, seconds and meter slots.
#include <gtest/gtest.h>

#include <limits>

#include "panel_fixture.h"

namespace tims {
namespace {

using test::kSentinel;
using test::PanelFixture;

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

struct Clock {
  int32_t h, m, s;
  bool operator==(const Clock&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Clock& c) {
  return out << c.h << ":" << c.m << ":" << c.s;
}

Clock clockAt(int32_t time) {
  PanelFixture f;
  f.plugin.state.time = time;
  f.write();
  return {f[10], f[11], f[12]};
}

TEST(PanelClock, ShowsTheTimeOfDay) {
  EXPECT_EQ(clockAt(45296789), (Clock{12, 34, 56}));
  EXPECT_EQ(clockAt(86400000), (Clock{0, 0, 0}));  // before the first frame of a run
  EXPECT_EQ(clockAt(86399999), (Clock{23, 59, 59}));
  EXPECT_EQ(clockAt(kMax), (Clock{20, 31, 23}));  // 24 days and 73883647 ms
  // Times before midnight keep the sign of the remainder, and stay defined at the extreme.
  EXPECT_EQ(clockAt(-5000), (Clock{0, 0, -5}));
  EXPECT_EQ(clockAt(kMin), (Clock{-20, -31, -23}));
}

int32_t lampAt(int32_t time, bool cspd, bool low, int32_t slot254) {
  PanelFixture f;
  f.plugin.state.time = time;
  f.plugin.cspdActive = cspd;
  f.plugin.cspdLowActive = low;
  f.panel[254] = slot254;
  f.write();
  EXPECT_EQ(f[254], 0) << "slot 254 is cleared after every write";
  return f[90];
}

TEST(PanelConstantSpeedLamp, LowSpeedBlinksInTheSecondHalfOfEachSecond) {
  const int32_t noon = 12 * 3600000;
  EXPECT_EQ(lampAt(noon + 400, false, true, 0), 0);
  EXPECT_EQ(lampAt(noon + 500, false, true, 0), 0);
  EXPECT_EQ(lampAt(noon + 501, false, true, 0), 1);
  EXPECT_EQ(lampAt(noon + 600, false, true, 0), 1);
  EXPECT_EQ(lampAt(noon + 600, false, true, 6), 7);
  EXPECT_EQ(lampAt(-400, false, true, 0), 0);
}

TEST(PanelConstantSpeedLamp, ShowsOneMoreThanTheHostsSlot254) {
  EXPECT_EQ(lampAt(0, true, false, 4), 5);
  EXPECT_EQ(lampAt(0, true, true, 0), 1);  // constant speed wins over blinking
  EXPECT_EQ(lampAt(0, true, false, kMax), kMin);
  EXPECT_EQ(lampAt(600, false, false, 4), 0);
}

TEST(PanelConstantSpeedLamp, SeesAMeterWrittenToSlot254) {
  PanelFixture f;
  f.plugin.hvMeterIndex = 254;
  f.plugin.hvMeterValue = 1600;
  f.write();
  EXPECT_EQ(f[90], 1601);
  EXPECT_EQ(f[254], 0);
}

TEST(PanelStatus, LampsFollowTheirSources) {
  PanelFixture f;
  f.plugin.holdBrakeActive = false;
  f.unit.soundOut[12] = kSoundSilent;
  f.unit.icCardActive = false;
  f.unit.zoneIndicator = {2, kMax, 1, 1};
  f.write();
  EXPECT_EQ(f[91], 0);
  EXPECT_EQ(f[40], 0);
  EXPECT_EQ(f[114], 0);
  EXPECT_EQ(f[198], 2);
  EXPECT_EQ(f[81], kMin);  // the sum wraps instead of overflowing
  EXPECT_EQ(f[248], 1);
  f.unit.beaconTrainNumberSet = true;
  f.write();
  EXPECT_EQ(f[114], 1);
}

TEST(PanelStatus, RecordsWhetherTheHostSetSlot83) {
  PanelFixture f;
  f.panel[83] = 7;
  f.write();
  EXPECT_TRUE(f.unit.panel83Set);
  EXPECT_EQ(f[83], 7);
  f.panel[83] = 0;
  f.write();
  EXPECT_FALSE(f.unit.panel83Set);
  EXPECT_EQ(f[83], 0);
  // A meter set to show in slot 83 is what the unit then sees.
  f.plugin.lvMeterIndex = 83;
  f.write();
  EXPECT_TRUE(f.unit.panel83Set);
}

struct LinePosition {
  int32_t p, q;
  bool operator==(const LinePosition&) const = default;
};
std::ostream& operator<<(std::ostream& out, const LinePosition& l) {
  return out << l.p << "/" << l.q;
}

LinePosition linePosition(bool legacy, bool ic, bool beacon, std::array<int32_t, 4> digits) {
  PanelFixture f;
  f.unit.useLegacyDisp = legacy;
  f.unit.icCardActive = ic;
  f.unit.beaconTrainNumberSet = beacon;
  f.unit.kmPostDigits = digits;
  f.write();
  return legacy ? LinePosition{f[207], f[208]} : LinePosition{f[98], f[99]};
}

TEST(PanelLinePosition, Shows300Point10BeforeServiceData) {
  EXPECT_EQ(linePosition(false, false, false, {1, 2, 3, 4}), (LinePosition{300, 10}));
  EXPECT_EQ(linePosition(true, false, false, {1, 2, 3, 4}), (LinePosition{300, 10}));
}

TEST(PanelLinePosition, BlankLeadingDigitsCountAsZero) {
  EXPECT_EQ(linePosition(false, true, false, {10, 10, 7, 3}), (LinePosition{7, 3}));
  EXPECT_EQ(linePosition(false, false, true, {1, 2, 3, 4}), (LinePosition{123, 4}));
  EXPECT_EQ(linePosition(true, true, true, {1, 2, 3, 4}), (LinePosition{123, 4}));
  EXPECT_EQ(linePosition(false, true, false, {1, 0, kMax, 0}), (LinePosition{kMin + 99, 0}));
}

int32_t nextStopSlot(bool legacy, int32_t stopBlink, int32_t nextStopType) {
  PanelFixture f;
  f.unit.useLegacyDisp = legacy;
  f.unit.dispType = true;
  f.unit.stopBlink = stopBlink;
  f.unit.nextStopType = nextStopType;
  f.unit.nextStopDisp.stationId = 12;
  f.write();
  return f[110];
}

TEST(PanelNextStop, BlinkingAnnouncementOffsetsOrBlanksTheNumber) {
  for (const bool legacy : {false, true}) {
    EXPECT_EQ(nextStopSlot(legacy, 0, 100), 12);
    EXPECT_EQ(nextStopSlot(legacy, 1, 0), 0);
    EXPECT_EQ(nextStopSlot(legacy, 1, 100), 112);
    EXPECT_EQ(nextStopSlot(legacy, 2, 100), 12);  // only the value 1 means blinking
    EXPECT_EQ(nextStopSlot(legacy, 1, kMax), kMin + 11);
  }
}

TEST(PanelSeconds, AreShownDividedBy5TowardZero) {
  PanelFixture f;
  f.unit.dispType = true;
  f.unit.dispArrSecond = {60, 59, 4, 5, -7, 0, 0};
  f.write();
  EXPECT_EQ(f[142], 12);  // no time
  EXPECT_EQ(f[145], 11);
  EXPECT_EQ(f[148], 0);
  EXPECT_EQ(f[151], 1);
  EXPECT_EQ(f[154], -1);
  EXPECT_EQ(f[140], f.unit.dispArrHour[0]);  // hours as stored
}

TEST(PanelMeters, LineVoltageWinsASharedSlot) {
  PanelFixture f;
  f.plugin.lvMeterIndex = 75;
  f.plugin.hvMeterIndex = 75;
  f.write();
  EXPECT_EQ(f[75], f.plugin.hvMeterValue);
  EXPECT_EQ(f[73], kSentinel);
}

TEST(PanelMeters, FixedMeterSlotsWinOverAnIndexedOne) {
  PanelFixture f;
  f.plugin.hvMeterIndex = 230;
  f.write();
  EXPECT_EQ(f[230], f.plugin.meterSpeed);
}

TEST(PanelMeters, IndexesOutsideThePanelWriteNothing) {
  // Reference: the two voltages in otherwise unused slots 60 and 61.
  PanelFixture reference;
  reference.plugin.lvMeterIndex = 60;
  reference.plugin.hvMeterIndex = 61;
  reference.write();
  ASSERT_EQ(reference[60], reference.plugin.lvMeterValue);
  ASSERT_EQ(reference[61], reference.plugin.hvMeterValue);
  reference.panel[60] = kSentinel;
  reference.panel[61] = kSentinel;
  for (const int32_t index : {-1, 256, kMin, kMax}) {
    PanelFixture f;
    f.plugin.lvMeterIndex = index;
    f.plugin.hvMeterIndex = index;
    f.write();
    EXPECT_EQ(f.panel, reference.panel) << "index " << index;
  }
}

}  // namespace
}  // namespace tims
