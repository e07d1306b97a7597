#include "aids/driving_aids.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "platform/keyboard.h"
#include "plugin/frame.h"
#include "support/temp_dir.h"
#include "unit/tims_unit.h"

namespace tims {
namespace {

constexpr int kBackspace = 8;

// The settings a run gets from a file without any "CSpd" keys, with the step switched on.
void applyDefaultAidSettings(PluginState& plugin) {
  plugin.useCSpd = true;
  plugin.enableCSpd = -1;
  plugin.enableCSpdLow = -1;
  plugin.enableHoldBrk = -1;
  plugin.cspdNotch = 5;
  plugin.cspdEnableSpd = 55;
  plugin.cspdLowNotch = 1;
  plugin.cspdLowEnableSpd = 3;
  plugin.cspdLowDisableSpd = 12;
}

class DrivingAids : public ::testing::Test {
 protected:
  void SetUp() override { applyDefaultAidSettings(plugin); }
  void TearDown() override { platform::setHostKeyState(kBackspace, false); }

  // One frame of the step as Elapse runs it: handles from the driver's positions first.
  void frame(float speed, int32_t power, int32_t brake, bool key, float current = 0.0f) {
    plugin.state.speed = speed;
    plugin.state.current = current;
    plugin.powerNotch = power;
    plugin.brakeNotch = brake;
    plugin.handles.power = power;
    plugin.handles.brake = brake;
    platform::setHostKeyState(kBackspace, key);
    runDrivingAids(plugin);
  }

  bool anyActive() const {
    return plugin.cspdActive || plugin.cspdLowActive || plugin.holdBrakeActive;
  }

  PluginState plugin;
};

TEST_F(DrivingAids, ConstantSpeedEngagesAtNotchFiveAndDropsAtNotchFour) {
  frame(60.0f, 5, 0, true);
  EXPECT_TRUE(plugin.cspdActive);
  EXPECT_FLOAT_EQ(plugin.cspdRefSpeed, 60.0f);
  EXPECT_EQ(plugin.handles.constantSpeed, 0);
  EXPECT_EQ(plugin.handles.power, 5);  // only the low-speed mode replaces the power

  frame(60.0f, 5, 0, false);
  EXPECT_TRUE(plugin.cspdActive);
  EXPECT_EQ(plugin.handles.constantSpeed, 0);

  frame(60.0f, 4, 0, false);
  EXPECT_FALSE(plugin.cspdActive);
  EXPECT_EQ(plugin.handles.constantSpeed, 2);
}

TEST_F(DrivingAids, ConstantSpeedHoldsDownToFixed52NotTheEnableSpeed) {
  frame(60.0f, 5, 0, true);
  frame(52.0f, 5, 0, false);
  EXPECT_TRUE(plugin.cspdActive);
  EXPECT_EQ(plugin.handles.constantSpeed, 0);
  frame(51.9f, 5, 0, false);
  EXPECT_FALSE(plugin.cspdActive);
  EXPECT_EQ(plugin.handles.constantSpeed, 2);
  EXPECT_FLOAT_EQ(plugin.cspdRefSpeed, 60.0f);  // only an engagement changes it
}

TEST_F(DrivingAids, ConstantSpeedEngagesOnlyStrictlyAboveTheEnableSpeed) {
  frame(55.0f, 5, 0, true);
  EXPECT_FALSE(plugin.cspdActive);
  EXPECT_EQ(plugin.handles.constantSpeed, 2);
  frame(55.1f, 5, 0, true);
  EXPECT_TRUE(plugin.cspdActive);
}

TEST_F(DrivingAids, ConstantSpeedAboveNotchFiveEngagesAndDropsInTheSameFrame) {
  frame(70.0f, 6, 0, true);
  EXPECT_FALSE(plugin.cspdActive);
  EXPECT_FLOAT_EQ(plugin.cspdRefSpeed, 70.0f);  // the engagement still took the speed
  EXPECT_EQ(plugin.handles.constantSpeed, 2);
}

TEST_F(DrivingAids, ConstantSpeedNotchFourSettingEngagesAndDropsInTheSameFrame) {
  plugin.cspdNotch = 4;
  frame(60.0f, 4, 0, true);
  EXPECT_FALSE(plugin.cspdActive);
  EXPECT_FLOAT_EQ(plugin.cspdRefSpeed, 60.0f);
  EXPECT_EQ(plugin.handles.constantSpeed, 2);
  // Notch 5 still satisfies "at least 4" and is the notch the release rule keeps.
  frame(60.0f, 5, 0, true);
  EXPECT_TRUE(plugin.cspdActive);
}

TEST_F(DrivingAids, HoldingBackspaceRetakesTheReferenceEveryFrame) {
  frame(60.0f, 5, 0, true);
  frame(58.5f, 5, 0, true);
  EXPECT_FLOAT_EQ(plugin.cspdRefSpeed, 58.5f);
  frame(57.25f, 5, 0, true);
  EXPECT_FLOAT_EQ(plugin.cspdRefSpeed, 57.25f);
  frame(56.0f, 5, 0, false);
  EXPECT_FLOAT_EQ(plugin.cspdRefSpeed, 57.25f);
  EXPECT_TRUE(plugin.cspdActive);
}

TEST_F(DrivingAids, NothingEngagesWithoutTheKey) {
  frame(60.0f, 5, 0, false);
  frame(8.0f, 1, 0, false);
  frame(60.0f, 0, 0, false);
  EXPECT_FALSE(anyActive());
  EXPECT_EQ(plugin.cspdRefSpeed, 0.0f);
  EXPECT_EQ(plugin.handles.constantSpeed, 2);
}

TEST_F(DrivingAids, EnableSettingsOfZeroBlockEachAid) {
  plugin.enableCSpd = 0;
  plugin.enableCSpdLow = 0;
  plugin.enableHoldBrk = 0;
  frame(60.0f, 5, 0, true);
  frame(8.0f, 1, 0, true);
  frame(60.0f, 0, 0, true);
  EXPECT_FALSE(anyActive());
  EXPECT_EQ(plugin.cspdRefSpeed, 0.0f);
}

TEST_F(DrivingAids, LowSpeedPowersOnlyWhileMoreThanTwoBelowTheReference) {
  frame(8.0f, 1, 0, true);
  EXPECT_TRUE(plugin.cspdLowActive);
  EXPECT_FLOAT_EQ(plugin.cspdRefSpeed, 8.0f);
  EXPECT_EQ(plugin.handles.constantSpeed, 0);
  EXPECT_EQ(plugin.handles.power, 1);  // the flag was still clear when the power was decided

  frame(7.0f, 1, 0, false);
  EXPECT_EQ(plugin.handles.power, 0);
  frame(6.0f, 1, 0, false);  // exactly 2.0 below: not more than 2.0
  EXPECT_EQ(plugin.handles.power, 0);
  frame(5.9f, 1, 0, false);
  EXPECT_EQ(plugin.handles.power, 1);
  frame(4.0f, 1, 0, false);
  EXPECT_EQ(plugin.handles.power, 1);
  frame(9.0f, 1, 0, false);
  EXPECT_EQ(plugin.handles.power, 0);
  EXPECT_TRUE(plugin.cspdLowActive);
  EXPECT_EQ(plugin.handles.constantSpeed, 0);
}

TEST_F(DrivingAids, LowSpeedHoldsOnlyInsideTheFixedBandAtNotchOne) {
  struct Case {
    float speed;
    int32_t power;
    bool holds;
  };
  const Case cases[] = {{11.9f, 1, true}, {3.1f, 1, true},   {12.0f, 1, false},
                        {3.0f, 1, false}, {8.0f, 0, false},  {8.0f, 2, false},
                        {2.0f, 1, false}, {20.0f, 1, false}, {-8.0f, 1, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "speed " << c.speed << " notch " << c.power);
    plugin.cspdLowActive = false;
    frame(8.0f, 1, 0, true);
    ASSERT_TRUE(plugin.cspdLowActive);
    frame(c.speed, c.power, 0, false);
    EXPECT_EQ(plugin.cspdLowActive, c.holds);
    EXPECT_EQ(plugin.handles.constantSpeed, c.holds ? 0 : 2);
  }
}

TEST_F(DrivingAids, LowSpeedPowerStillAppliesInTheFrameThatDropsIt) {
  frame(8.0f, 1, 0, true);
  // 3.0 is outside the band, yet the power was decided from the previous frame's flag.
  frame(3.0f, 1, 0, false);
  EXPECT_FALSE(plugin.cspdLowActive);
  EXPECT_EQ(plugin.handles.power, 1);
  frame(3.0f, 1, 0, false);
  EXPECT_EQ(plugin.handles.power, 1);  // the driver's own notch again
  frame(3.0f, 3, 0, false);
  EXPECT_EQ(plugin.handles.power, 3);
}

TEST_F(DrivingAids, LowSpeedAtNotchZeroEngagesAndDropsInTheSameFrame) {
  frame(8.0f, 0, 0, true);
  EXPECT_FALSE(plugin.cspdLowActive);
  EXPECT_FLOAT_EQ(plugin.cspdRefSpeed, 8.0f);
  EXPECT_EQ(plugin.handles.constantSpeed, 2);
}

TEST_F(DrivingAids, LowSpeedEngagesOnlyStrictlyInsideItsSettings) {
  plugin.cspdLowEnableSpd = 5;
  plugin.cspdLowDisableSpd = 10;
  frame(5.0f, 1, 0, true);
  EXPECT_FALSE(plugin.cspdLowActive);
  frame(10.0f, 1, 0, true);
  EXPECT_FALSE(plugin.cspdLowActive);
  frame(9.9f, 1, 0, true);
  EXPECT_TRUE(plugin.cspdLowActive);
  // Above the disable setting but inside the fixed band: the release rule keeps it.
  frame(11.5f, 1, 0, false);
  EXPECT_TRUE(plugin.cspdLowActive);
}

TEST_F(DrivingAids, HoldBrakeCommandFollowsTheMotorCurrent) {
  frame(60.0f, 0, 0, true, 0.0f);
  EXPECT_TRUE(plugin.holdBrakeActive);
  EXPECT_FLOAT_EQ(plugin.cspdRefSpeed, 60.0f);
  EXPECT_EQ(plugin.handles.constantSpeed, 0);
  frame(60.0f, 0, 0, false, -40.0f);
  EXPECT_EQ(plugin.handles.constantSpeed, 0);
  frame(60.0f, 0, 0, false, 0.5f);
  EXPECT_TRUE(plugin.holdBrakeActive);
  EXPECT_EQ(plugin.handles.constantSpeed, 2);
  frame(60.0f, 0, 0, false, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(plugin.handles.constantSpeed, 2);
  frame(60.0f, 0, 0, false, 0.0f);
  EXPECT_EQ(plugin.handles.constantSpeed, 0);
}

TEST_F(DrivingAids, HoldBrakeReleasesOnAnyNotchOrBelow52) {
  struct Case {
    float speed;
    int32_t power;
    int32_t brake;
    bool holds;
  };
  const Case cases[] = {{52.0f, 0, 0, true},  {51.9f, 0, 0, false},  {60.0f, 1, 0, false},
                        {60.0f, 0, 1, false}, {60.0f, -1, 0, false}, {60.0f, 0, 9, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "speed " << c.speed << " P " << c.power << " B " << c.brake);
    plugin.holdBrakeActive = false;
    frame(60.0f, 0, 0, true);
    ASSERT_TRUE(plugin.holdBrakeActive);
    frame(c.speed, c.power, c.brake, false);
    EXPECT_EQ(plugin.holdBrakeActive, c.holds);
  }
}

TEST_F(DrivingAids, HoldBrakeEngagesAboveTheConstantSpeedSettingWithBothHandlesOff) {
  plugin.cspdEnableSpd = 70;
  frame(65.0f, 0, 0, true);
  EXPECT_FALSE(plugin.holdBrakeActive);
  frame(75.0f, 0, 2, true);
  EXPECT_FALSE(plugin.holdBrakeActive);
  frame(75.0f, 0, 0, true);
  EXPECT_TRUE(plugin.holdBrakeActive);
}

TEST_F(DrivingAids, NanSpeedEngagesNothingAndDropsEngagedAids) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (int32_t power : {0, 1, 5}) {
    frame(nan, power, 0, true);
    EXPECT_FALSE(anyActive());
    EXPECT_EQ(plugin.cspdRefSpeed, 0.0f);
    EXPECT_EQ(plugin.handles.constantSpeed, 2);
  }
  frame(60.0f, 5, 0, true);
  ASSERT_TRUE(plugin.cspdActive);
  frame(nan, 5, 0, false);
  EXPECT_FALSE(plugin.cspdActive);
  frame(60.0f, 0, 0, true);
  ASSERT_TRUE(plugin.holdBrakeActive);
  frame(nan, 0, 0, false);
  EXPECT_FALSE(plugin.holdBrakeActive);
  frame(8.0f, 1, 0, true);
  ASSERT_TRUE(plugin.cspdLowActive);
  frame(nan, 1, 0, false);
  EXPECT_FALSE(plugin.cspdLowActive);
  EXPECT_EQ(plugin.handles.power, 0);  // NaN is not "more than 2.0 below"
  EXPECT_EQ(plugin.handles.constantSpeed, 2);
}

TEST_F(DrivingAids, InfiniteSpeedsFollowTheOrdinaryComparisons) {
  const float inf = std::numeric_limits<float>::infinity();
  frame(-inf, 0, 0, true);
  EXPECT_FALSE(anyActive());
  frame(inf, 5, 0, true);
  EXPECT_TRUE(plugin.cspdActive);
  EXPECT_EQ(plugin.cspdRefSpeed, inf);
  frame(inf, 1, 0, true);  // above the low band: nothing holds
  EXPECT_FALSE(anyActive());
}

// Through the whole frame: with useCSpd clear the step must not run at all.
class DrivingAidsInFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    unit.specPath = tmp.path() / "absent" / "TIMS_Spec.ini";
    unit.catalogue.iniPath = tmp.path() / "absent" / "TIMS_ICCard.ini";
    bindUnit(unit, plugin);
    resetUnit(unit);
    applyDefaultAidSettings(plugin);
    plugin.pilotLampIndex = -1;
    plugin.doorsClosed = plugin.prevDoorsClosed = true;
    plugin.state.time = kNoPreviousTime;
    plugin.reverser = 1;
  }
  void TearDown() override { platform::setHostKeyState(kBackspace, false); }

  HandleSet frame(int32_t time, float speed, int32_t power) {
    plugin.powerNotch = power;
    VehicleState vehicle{};
    vehicle.time = time;
    vehicle.speed = speed;
    return elapseFrame(plugin, unit, vehicle, panel.data(), sound.data());
  }

  testing::TempDir tmp;
  PluginState plugin;
  TimsUnit unit;
  std::array<int32_t, kSlotCount> panel{};
  std::array<int32_t, kSlotCount> sound{};
};

TEST_F(DrivingAidsInFrame, UseCSpdClearSkipsTheStep) {
  plugin.useCSpd = false;
  platform::setHostKeyState(kBackspace, true);
  HandleSet handles = frame(36000000, 60.0f, 5);
  EXPECT_FALSE(plugin.cspdActive);
  EXPECT_EQ(plugin.cspdRefSpeed, 0.0f);
  handles = frame(36000100, 60.0f, 6);
  EXPECT_EQ(handles.power, 6);
  EXPECT_EQ(handles.constantSpeed, 0);  // left as Initialize set it
  handles = frame(36000200, 8.0f, 1);
  EXPECT_FALSE(plugin.cspdLowActive);
  EXPECT_EQ(handles.constantSpeed, 0);
}

TEST_F(DrivingAidsInFrame, UseCSpdSetRunsTheStepOnTheReturnedHandles) {
  platform::setHostKeyState(kBackspace, true);
  HandleSet handles = frame(36000000, 60.0f, 6);
  EXPECT_EQ(handles.constantSpeed, 2);
  handles = frame(36000100, 60.0f, 5);
  EXPECT_TRUE(plugin.cspdActive);
  EXPECT_EQ(handles.constantSpeed, 0);
  handles = frame(36000200, 8.0f, 1);  // the constant-speed mode drops below 52
  EXPECT_FALSE(plugin.cspdActive);
  EXPECT_TRUE(plugin.cspdLowActive);
  platform::setHostKeyState(kBackspace, false);
  handles = frame(36000300, 5.5f, 1);
  EXPECT_EQ(handles.power, 1);
  handles = frame(36000400, 7.5f, 1);
  EXPECT_EQ(handles.power, 0);
  EXPECT_EQ(handles.constantSpeed, 0);
}

}  // namespace
}  // namespace tims
