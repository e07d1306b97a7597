// The frame cycle's own rules; the doors, the EB device and the meters through it are checked
// end to end by the scenarios.
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

TEST_F(Frame, PilotLampIndex255ReadsTheLastSlot) {
  start("[Spec]\nPilotLampIndex=255\n");
  panel[255] = 0;
  frame(1000);
  EXPECT_FALSE(plugin.doorsClosed);
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

}  // namespace
}  // namespace tims
