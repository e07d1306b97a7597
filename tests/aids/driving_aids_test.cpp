// The driver's controls and the driving aids they engage: constant speed, low speed and hold
// brake, frame by frame.
#include "aids/driving_aids.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <limits>
#include <string>
#include <tuple>

#include "aids/driver_controls.h"
#include "platform/keyboard.h"

namespace tims {
namespace {

TEST(DriverControls, DriverActivityRestartsTheEbTimersAndReleasesOnlyWhileTheDeviceIsOff) {
  PluginState plugin;
  TimsUnit unit;
  const std::tuple<const char*, bool, std::function<void()>> calls[] = {
      {"power", true, [&] { setPower(plugin, unit, 3); }},
      {"brake", true, [&] { setBrake(plugin, unit, 2); }},
      {"key 2", true, [&] { keyDown(unit, 2); }},
      {"horn", true, [&] { hornBlow(unit); }},
      {"key 1", false, [&] { keyDown(unit, 1); }},
      {"key 3", false, [&] { keyDown(unit, 3); }}};
  for (const auto& [name, resets, call] : calls) {
    for (bool ebEnabled : {true, false}) {
      SCOPED_TRACE(::testing::Message() << name << ", EB enabled " << ebEnabled);
      // An EB that has gone off: timers running, brake applied, alarm sounding.
      unit.enableEb = ebEnabled;
      unit.ebIdleTimer = 61000;
      unit.ebAlarmTimer = 4000;
      unit.ebApplied = true;
      unit.soundOut[12] = kSoundSounding;
      call();
      EXPECT_EQ(unit.ebIdleTimer, resets ? 0 : 61000);
      EXPECT_EQ(unit.ebAlarmTimer, resets ? 0 : 4000);
      const bool released = resets && !ebEnabled;
      EXPECT_EQ(unit.ebApplied, !released);
      EXPECT_EQ(unit.soundOut[12], released ? kSoundSilent : kSoundSounding);
    }
  }
}

TEST(DriverControls, BrakeFlagsTheEmergencyNotchAndSilencesAHaltLoopThatIsNotSounding) {
  PluginState plugin;
  TimsUnit unit;
  plugin.emergencyBrakeNotch = 9;
  // Halt loop volume on, notch, sound item 1 before and after, handle at the emergency notch.
  const std::tuple<bool, int32_t, int32_t, int32_t, bool> cases[] = {
      {true, 9, kSoundRaise, kSoundSilent, true},
      {true, 8, kSoundNothingNew, kSoundSilent, false},
      {true, 10, kSoundSounding, kSoundSounding, false},  // 0 stays 0
      {false, 9, kSoundRaise, kSoundRaise, true}};
  for (const auto& [haltLoop, notch, soundBefore, soundAfter, atEmergency] : cases) {
    SCOPED_TRACE(::testing::Message() << "notch " << notch << ", sound " << soundBefore);
    unit.haltLoopVolume = haltLoop;
    unit.soundOut[1] = soundBefore;
    setBrake(plugin, unit, notch);
    EXPECT_EQ(unit.soundOut[1], soundAfter);
    EXPECT_EQ(unit.ebHandleAtEmergency, atEmergency);
  }
}

constexpr bool K = true;   // Backspace held in that frame
constexpr bool N = false;  // not held
// A NaN speed fails every comparison; the aids take it as a reason to drop, not to hold.
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

// One frame: what the driver does, and what the step must leave behind. `aids` names the
// engaged aids: C constant speed, L low speed, H hold brake, - none.
struct Step {
  float speed;
  int32_t power, brake;
  bool key;
  const char* aids;
  int32_t powerOut, command;
  float reference;
  float current = 0.0f;
};

class DrivingAids : public ::testing::Test {
 protected:
  // The settings a run gets from a file without any "CSpd" keys, with the step switched on.
  void SetUp() override {
    plugin.useCSpd = true;
    plugin.enableCSpd = plugin.enableCSpdLow = plugin.enableHoldBrk = -1;
    plugin.cspdNotch = 5;
    plugin.cspdEnableSpd = 55;
    plugin.cspdLowNotch = 1;
    plugin.cspdLowEnableSpd = 3;
    plugin.cspdLowDisableSpd = 12;
  }
  void TearDown() override { platform::setHostKeyState(platform::kVirtualKeyBackspace, false); }

  void play(std::initializer_list<Step> steps) {
    for (const Step& s : steps) {
      SCOPED_TRACE(::testing::Message() << "row " << &s - steps.begin() << ": " << s.speed);
      plugin.state.speed = s.speed;
      plugin.state.current = s.current;
      // As in the frame, the handles start from the driver's positions.
      plugin.powerNotch = plugin.handles.power = s.power;
      plugin.brakeNotch = plugin.handles.brake = s.brake;
      platform::setHostKeyState(platform::kVirtualKeyBackspace, s.key);
      runDrivingAids(plugin);
      std::string aids = std::string(plugin.cspdActive ? "C" : "") +
                         (plugin.cspdLowActive ? "L" : "") + (plugin.holdBrakeActive ? "H" : "");
      EXPECT_EQ(aids.empty() ? "-" : aids, s.aids);
      EXPECT_EQ(plugin.handles.power, s.powerOut);
      EXPECT_EQ(plugin.handles.constantSpeed, s.command);
      EXPECT_EQ(plugin.cspdRefSpeed, s.reference);
    }
  }

  PluginState plugin;
};

TEST_F(DrivingAids, ConstantSpeedEngagesAboveItsSettingButHoldsOnlyAtNotchFiveFrom52Up) {
  play({
      {60.0f, 5, 0, N, "-", 5, 2, 0.0f},
      {55.0f, 5, 0, K, "-", 5, 2, 0.0f},  // not strictly above the setting
      {55.5f, 5, 0, K, "C", 5, 0, 55.5f},
      {58.5f, 5, 0, K, "C", 5, 0, 58.5f},  // no edge detection: a held key engages again
      {52.0f, 5, 0, N, "C", 5, 0, 58.5f},
      {52.0f, 4, 0, N, "-", 4, 2, 58.5f},
      {60.0f, 5, 0, K, "C", 5, 0, 60.0f},
      {51.9f, 5, 0, N, "-", 5, 2, 60.0f},
      {70.0f, 6, 0, K, "-", 6, 2, 70.0f},  // engages and drops in the same frame
      {60.0f, 5, 0, K, "C", 5, 0, 60.0f},
      {kNan, 5, 0, K, "-", 5, 2, 60.0f},
  });
}

// Engaging follows the settings (here 5 to 10 km/h, notch 1 or less); holding wants notch 1
// and a fixed band of 3 to 12 km/h.
TEST_F(DrivingAids, LowSpeedSwitchesNotchOneWhileMoreThanTwoBelowItsReference) {
  plugin.cspdLowEnableSpd = 5;
  plugin.cspdLowDisableSpd = 10;
  play({
      {5.0f, 1, 0, K, "-", 1, 2, 0.0f},
      {10.0f, 1, 0, K, "-", 1, 2, 0.0f},
      {8.0f, 1, 0, K, "L", 1, 0, 8.0f},
      {6.0f, 1, 0, N, "L", 0, 0, 8.0f},  // exactly 2 below
      {5.9f, 1, 0, N, "L", 1, 0, 8.0f},
      {11.9f, 1, 0, N, "L", 0, 0, 8.0f},
      {3.1f, 1, 0, N, "L", 1, 0, 8.0f},
      {3.0f, 1, 0, N, "-", 1, 2, 8.0f},  // drops, yet powers on the previous frame's flag
      {8.0f, 0, 0, K, "-", 0, 2, 8.0f},
      {9.5f, 1, 0, K, "L", 1, 0, 9.5f},
      {12.0f, 1, 0, N, "-", 0, 2, 9.5f},
      {9.0f, 1, 0, K, "L", 1, 0, 9.0f},
      {kNan, 1, 0, N, "-", 0, 2, 9.0f},
  });
}

TEST_F(DrivingAids, HoldBrakeNeedsBothHandlesOffAndActsOnlyWhileTheMotorsDrawNoCurrent) {
  play({
      {75.0f, 0, 2, K, "-", 0, 2, 0.0f},
      {55.0f, 0, 0, K, "-", 0, 2, 0.0f},  // its enable speed is the constant-speed one
      {60.0f, 0, 0, K, "H", 0, 0, 60.0f},
      {52.0f, 0, 0, N, "H", 0, 2, 60.0f, 0.5f},
      {51.9f, 0, 0, N, "-", 0, 2, 60.0f},
      {60.0f, 0, 0, K, "H", 0, 0, 60.0f},
      {60.0f, 1, 0, N, "-", 1, 2, 60.0f},
      {60.0f, 0, 0, K, "H", 0, 0, 60.0f},
      {60.0f, 0, 1, N, "-", 0, 2, 60.0f},
      {60.0f, 0, 0, K, "H", 0, 0, 60.0f},
      {kNan, 0, 0, N, "-", 0, 2, 60.0f},
  });
}

TEST_F(DrivingAids, AnAidWhoseEnableSettingIsZeroNeverEngages) {
  plugin.enableCSpd = plugin.enableCSpdLow = plugin.enableHoldBrk = 0;
  play({{60.0f, 5, 0, K, "-", 5, 2, 0.0f},
        {8.0f, 1, 0, K, "-", 1, 2, 0.0f},
        {60.0f, 0, 0, K, "-", 0, 2, 0.0f}});
}

}  // namespace
}  // namespace tims
