#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "aids/driver_controls.h"
#include "unit_fixture.h"

namespace tims::testing {
namespace {

using EbDevice = UnitFixture;

TEST_F(EbDevice, ArmsAboveFifteenCountsFromElevenAndHoldsBelow) {
  const struct {
    float speed;
    int32_t idleAfter;
  } frames[] = {
      {13.0f, 0},    {15.0f, 0},                    // never above 15: not armed
      {16.0f, 1000}, {12.0f, 2000}, {11.0f, 3000},  // armed: counts down to 11
      {10.9f, 3000}, {12.0f, 3000},                 // below 11: disarmed, the count is kept
      {15.5f, 4000},
  };
  for (const auto& f : frames) {
    drive(f.speed, 1000);
    EXPECT_EQ(unit.ebIdleTimer, f.idleAfter) << "at " << f.speed << " km/h";
    EXPECT_EQ(unit.soundOut[12], kSoundSilent);
  }
}

TEST_F(EbDevice, AlarmsAfterAMinuteAppliesFiveSecondsOfAlarmLaterAndReleasesAtEmergency) {
  for (int s = 0; s < 59; ++s) drive(20.0f, 1000);
  EXPECT_EQ(unit.soundOut[12], kSoundSilent);
  drive(20.0f, 1000);
  EXPECT_EQ(unit.soundOut[12], kSoundSounding);
  EXPECT_EQ(unit.ebAlarmTimer, 1000);
  for (int s = 0; s < 3; ++s) drive(20.0f, 1000);
  EXPECT_FALSE(unit.ebApplied);
  drive(20.0f, 1000);
  EXPECT_TRUE(unit.ebApplied);
  EXPECT_EQ(unit.soundOut[12], kSoundSounding);

  // The handle at the emergency notch releases the device; the alarm goes on.
  unit.ebHandleAtEmergency = true;
  drive(0.0f, 1000);
  drive(0.0f, 1000);
  EXPECT_FALSE(unit.ebApplied);
  EXPECT_EQ(unit.soundOut[12], kSoundSounding);

  // Only a driver operation ends the alarm.
  driverOperationReset(unit);
  drive(0.0f, 1000);
  EXPECT_EQ(unit.soundOut[12], kSoundSilent);
  EXPECT_FALSE(unit.ebApplied);
}

TEST_F(EbDevice, AppliedBrakeOutlastsADriverOperationAwayFromTheEmergencyNotch) {
  unit.ebIdleTimer = 70000;
  unit.ebArmed = true;
  drive(20.0f, 5000);
  ASSERT_TRUE(unit.ebApplied);
  driverOperationReset(unit);
  drive(20.0f, 1000);
  EXPECT_TRUE(unit.ebApplied);
  EXPECT_EQ(unit.ebIdleTimer, 1000);
  EXPECT_EQ(unit.soundOut[12], kSoundSounding);
}

TEST_F(EbDevice, SwitchedOffClearsEverything) {
  unit.enableEb = false;
  unit.ebIdleTimer = 70000;
  unit.ebAlarmTimer = 6000;
  unit.ebApplied = true;
  unit.soundOut[12] = kSoundSounding;
  drive(20.0f, 1000);
  EXPECT_FALSE(unit.ebApplied);
  EXPECT_EQ(unit.ebIdleTimer, 0);
  EXPECT_EQ(unit.ebAlarmTimer, 0);
  EXPECT_EQ(unit.soundOut[12], kSoundSilent);
}

TEST_F(EbDevice, TimersStopAtTheirLargestValue) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  unit.ebArmed = true;
  unit.ebIdleTimer = kMax - 10;
  unit.ebAlarmTimer = kMax - 10;
  drive(20.0f, 1000);
  EXPECT_EQ(unit.ebIdleTimer, kMax);
  EXPECT_EQ(unit.ebAlarmTimer, kMax);
  EXPECT_TRUE(unit.ebApplied);
}

}  // namespace
}  // namespace tims::testing
