#include "aids/driver_controls.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

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

}  // namespace
}  // namespace tims
