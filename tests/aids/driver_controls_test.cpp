#include "aids/driver_controls.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tims {
namespace {

// A unit in the state of an EB that has gone off: timers running, brake applied, alarm sounding.
class DriverControls : public ::testing::Test {
 protected:
  void SetUp() override {
    unit.specPath = tmp.path() / "absent.ini";
    bindUnit(unit, plugin);
    resetUnit(unit);
    plugin.emergencyBrakeNotch = 9;
    armAlarm();
  }

  void armAlarm() {
    unit.ebIdleTimer = 61000;
    unit.ebAlarmTimer = 4000;
    unit.ebApplied = true;
    unit.soundOut[12] = kSoundSounding;
  }

  void expectTimersZeroed() {
    EXPECT_EQ(unit.ebIdleTimer, 0);
    EXPECT_EQ(unit.ebAlarmTimer, 0);
  }

  void expectUntouched() {
    EXPECT_EQ(unit.ebIdleTimer, 61000);
    EXPECT_EQ(unit.ebAlarmTimer, 4000);
    EXPECT_TRUE(unit.ebApplied);
    EXPECT_EQ(unit.soundOut[12], kSoundSounding);
  }

  testing::TempDir tmp;
  PluginState plugin;
  TimsUnit unit;
};

struct DriverCall {
  std::string name;
  std::function<void(PluginState&, TimsUnit&)> call;
};

std::vector<DriverCall> resettingCalls() {
  return {
      {"SetPower", [](PluginState& p, TimsUnit& u) { setPower(p, u, 3); }},
      {"SetBrake", [](PluginState& p, TimsUnit& u) { setBrake(p, u, 2); }},
      {"KeyDown2", [](PluginState&, TimsUnit& u) { keyDown(u, 2); }},
      {"HornBlow", [](PluginState&, TimsUnit& u) { hornBlow(u); }},
  };
}

TEST_F(DriverControls, WithEbEnabledEveryOperationOnlyRestartsTheTimers) {
  for (const DriverCall& op : resettingCalls()) {
    SCOPED_TRACE(op.name);
    unit.enableEb = true;
    armAlarm();
    op.call(plugin, unit);
    expectTimersZeroed();
    EXPECT_TRUE(unit.ebApplied);
    EXPECT_EQ(unit.soundOut[12], kSoundSounding);
  }
}

TEST_F(DriverControls, WithEbDisabledEveryOperationAlsoReleasesAndSilences) {
  for (const DriverCall& op : resettingCalls()) {
    SCOPED_TRACE(op.name);
    unit.enableEb = false;
    armAlarm();
    op.call(plugin, unit);
    expectTimersZeroed();
    EXPECT_FALSE(unit.ebApplied);
    EXPECT_EQ(unit.soundOut[12], kSoundSilent);
  }
}

TEST_F(DriverControls, OtherKeysAndTheReverserTouchNothingOfTheEbDevice) {
  for (bool enabled : {true, false}) {
    unit.enableEb = enabled;
    for (int32_t key : {0, 1, 3, 4, -2}) {
      SCOPED_TRACE(key);
      keyDown(unit, key);
      expectUntouched();
    }
    setReverser(plugin, -1);
    EXPECT_EQ(plugin.reverser, -1);
    expectUntouched();
  }
}

TEST_F(DriverControls, PowerAndBrakeStoreTheDriversNotch) {
  setPower(plugin, unit, 4);
  setBrake(plugin, unit, 7);
  EXPECT_EQ(plugin.powerNotch, 4);
  EXPECT_EQ(plugin.brakeNotch, 7);
  // The stored positions are the driver's; the returned handles are the frame's business.
  EXPECT_EQ(plugin.handles.power, 0);
  EXPECT_EQ(plugin.handles.brake, 0);
}

TEST_F(DriverControls, BrakeAtTheEmergencyNotchIsFlaggedForTheEbDevice) {
  setBrake(plugin, unit, 9);
  EXPECT_TRUE(unit.ebHandleAtEmergency);
  setBrake(plugin, unit, 8);
  EXPECT_FALSE(unit.ebHandleAtEmergency);
  setBrake(plugin, unit, 9);
  setBrake(plugin, unit, 10);
  EXPECT_FALSE(unit.ebHandleAtEmergency);
}

TEST_F(DriverControls, BrakeSilencesTheHaltLoopOnlyWhenHaltLoopVolumeIsSet) {
  struct Case {
    bool haltLoop;
    int32_t before;
    int32_t after;
  };
  const Case cases[] = {
      {true, kSoundSounding, kSoundSounding}, {true, kSoundRaise, kSoundSilent},
      {true, kSoundNothingNew, kSoundSilent}, {true, kSoundSilent, kSoundSilent},
      {false, kSoundRaise, kSoundRaise},      {false, kSoundSounding, kSoundSounding}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.haltLoop << " " << c.before);
    unit.haltLoopVolume = c.haltLoop;
    unit.soundOut[1] = c.before;
    setBrake(plugin, unit, 3);
    EXPECT_EQ(unit.soundOut[1], c.after);
  }
  // Power, keys and horn never touch the halt loop.
  unit.haltLoopVolume = true;
  unit.soundOut[1] = kSoundRaise;
  setPower(plugin, unit, 1);
  keyDown(unit, 2);
  hornBlow(unit);
  EXPECT_EQ(unit.soundOut[1], kSoundRaise);
}

}  // namespace
}  // namespace tims
