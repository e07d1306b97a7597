#include <gtest/gtest.h>

#include <array>

#include "aids/driver_controls.h"
#include "plugin/frame.h"
#include "support/temp_dir.h"

namespace tims {
namespace {

using tims::testing::TempDir;

constexpr int32_t kSentinel = 0x5A5A5A5A;

class Frame : public ::testing::Test {
 protected:
  void start(std::string_view spec = "", int32_t startCode = 0) {
    if (!spec.empty()) dir.write("TIMS_Spec.ini", spec);
    attachPlugin(plugin, unit, dir.path());
    loadPlugin(unit);
    setVehicleSpec(plugin, VehicleSpec{8, 0, 0, 3, 0});
    initializeRun(plugin, unit, startCode);
    panel.fill(0);
    sound.fill(kSentinel);
  }

  HandleSet frame(int32_t timeMs, float speed = 0.0f) {
    VehicleState vehicle{};
    vehicle.time = timeMs;
    vehicle.speed = speed;
    return elapseFrame(plugin, unit, vehicle, panel.data(), sound.data());
  }

  TempDir dir;
  PluginState plugin;
  TimsUnit unit;
  std::array<int32_t, kSlotCount> panel{};
  std::array<int32_t, kSlotCount> sound{};
};

TEST_F(Frame, StartCodesChooseTheInitialBrake) {
  attachPlugin(plugin, unit, dir.path());
  loadPlugin(unit);
  initializeRun(plugin, unit, -1);  // before any vehicle spec every notch is 0
  EXPECT_EQ(plugin.brakeNotch, 0);
  start("", -2);
  EXPECT_EQ(plugin.brakeNotch, 0);
  EXPECT_EQ(plugin.handles.brake, 0);
  initializeRun(plugin, unit, -1);
  EXPECT_EQ(plugin.handles.brake, 3);  // startBrakeNotch
  for (int32_t code : {0, 5, 1, -3}) {
    initializeRun(plugin, unit, code);
    EXPECT_EQ(plugin.brakeNotch, 9) << code;  // brakeNotches + 1
  }
  EXPECT_EQ(plugin.handles.reverser, 1);
  EXPECT_EQ(plugin.reverser, 1);
  EXPECT_EQ(plugin.handles.power, 0);
  EXPECT_EQ(plugin.handles.constantSpeed, 0);
  EXPECT_TRUE(plugin.doorsClosed);
}

TEST_F(Frame, FrameTimeAndDistanceFollowTheClockAndNeverRunBackwards) {
  start();
  frame(36000000, 72.0f);
  EXPECT_EQ(plugin.frameMs, 0);  // the first frame after Initialize
  EXPECT_EQ(plugin.frameDistance, 0.0);
  frame(36000100, 72.0f);
  EXPECT_EQ(plugin.frameMs, 100);
  EXPECT_DOUBLE_EQ(plugin.frameDistance, 2.0);  // 20 m/s for 0.1 s
  frame(36000050, 72.0f);  // the host set the clock back
  EXPECT_EQ(plugin.frameMs, 0);
  EXPECT_EQ(plugin.frameDistance, 0.0);
  EXPECT_EQ(plugin.state.time, 36000050);
  frame(INT32_MIN);  // would wrap to a huge positive frame in 32 bits
  EXPECT_EQ(plugin.frameMs, 0);
  frame(INT32_MAX, 36.0f);
  EXPECT_EQ(plugin.frameMs, INT32_MAX);
}

TEST_F(Frame, PilotLampSlotDrivesTheDoorsAndRaisesTheOpenedEdgeOnce) {
  // Slot 250 is one the panel writer never writes.
  start("[Spec]\nPilotLampIndex=250\n[EB]\nEnableEB=0\n");
  panel[250] = 1;
  frame(1000);
  EXPECT_TRUE(plugin.doorsClosed);
  EXPECT_FALSE(unit.advanceRequest);

  unit.soundOut[1] = kSoundSounding;  // the halt loop is sounding
  panel[250] = 0;
  frame(1100);
  EXPECT_FALSE(plugin.doorsClosed);
  // The edge comes after the unit's update, so the request waits for the next frame's update.
  EXPECT_TRUE(unit.advanceRequest);
  EXPECT_EQ(sound[16], kSoundSilent);  // copied to the host in the same frame

  unit.soundOut[1] = kSoundSounding;
  frame(1200);
  EXPECT_FALSE(plugin.doorsClosed);
  EXPECT_EQ(sound[16], kSoundSounding);  // no second edge while the doors stay open

  // Door events change nothing while a pilot-lamp slot is configured.
  doorClose(plugin);
  EXPECT_FALSE(plugin.doorsClosed);
}

TEST_F(Frame, WithoutAPilotLampTheDoorEventsDecide) {
  for (const char* spec : {"[Spec]\nPilotLampIndex=256\n", "[Spec]\nPilotLampIndex=-1\n", ""}) {
    start(spec);
    panel[255] = 0;
    frame(1000);
    EXPECT_TRUE(plugin.doorsClosed);
    doorOpen(plugin);
    frame(1100);
    EXPECT_FALSE(plugin.doorsClosed);
    EXPECT_TRUE(unit.advanceRequest);
    doorClose(plugin);
    frame(1200);
    EXPECT_TRUE(plugin.doorsClosed);
  }
}

TEST_F(Frame, PilotLampIndex255ReadsTheLastSlot) {
  start("[Spec]\nPilotLampIndex=255\n");
  panel[255] = 0;
  frame(1000);
  EXPECT_FALSE(plugin.doorsClosed);
}

TEST_F(Frame, AppliedEmergencyBrakeOverridesTheDriversNotch) {
  start();
  setBrake(plugin, unit, 2);
  EXPECT_EQ(frame(1000).brake, 2);
  unit.ebApplied = true;
  EXPECT_EQ(frame(1100).brake, 9);
  EXPECT_EQ(plugin.brakeNotch, 2);
}

TEST_F(Frame, WithoutUseCSpdPowerIsTheDriversNotchAndNoConstantSpeedCommand) {
  start("[CSpd]\nuseCSpd=0\n");
  setPower(plugin, unit, 5);
  setReverser(plugin, -1);
  const HandleSet handles = frame(1000, 80.0f);
  EXPECT_EQ(handles.power, 5);
  EXPECT_EQ(handles.reverser, -1);
  EXPECT_EQ(handles.constantSpeed, 0);
}

TEST_F(Frame, TheUnitsEmergencyBrakeActsInTheFrameItIsApplied) {
  start();
  frame(1000, 20.0f);
  unit.ebArmed = true;
  unit.ebIdleTimer = 60000;
  unit.ebAlarmTimer = 4990;
  // The unit's update runs before the handles are set, so this frame already brakes.
  EXPECT_EQ(frame(1016, 20.0f).brake, 9);
  EXPECT_TRUE(unit.ebApplied);
  EXPECT_EQ(sound[13], kSoundSounding);
}

TEST_F(Frame, ThePanelShowsTheMetersOfTheSameFrame) {
  start();
  setBrake(plugin, unit, 4);
  frame(1000, 0.0f);
  EXPECT_EQ(panel[228], 0);  // the first frame after Initialize samples nothing
  frame(1016, 0.0f);
  EXPECT_EQ(plugin.sampledBrakeNotch, 4);
  EXPECT_EQ(panel[228], 4);
  EXPECT_EQ(panel[230], plugin.meterSpeed);
}

}  // namespace
}  // namespace tims
