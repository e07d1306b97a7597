// The frame cycle's own rules, and a new run after absurd frames; the doors, the EB device and the
// meters through the frame are checked end to end by the scenarios.
#include "plugin/frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <limits>
#include <tuple>

#include "aids/driver_controls.h"
#include "platform/local_time.h"
#include "support/temp_dir.h"

namespace tims {
namespace {

using Slots = std::array<int32_t, kSlotCount>;

class Frame : public ::testing::Test {
 protected:
  void start(std::string_view spec = "", int32_t startCode = 0) {
    if (!spec.empty()) dir.write("TIMS_Spec.ini", spec);
    attachPlugin(plugin, unit, dir.path());
    loadPlugin(unit);
    setVehicleSpec(plugin, VehicleSpec{8, 0, 0, 3, 0});
    initializeRun(plugin, unit, startCode);
  }

  HandleSet frame(int32_t timeMs, float speed = 0.0f) {
    VehicleState vehicle{};
    vehicle.time = timeMs;
    vehicle.speed = speed;
    return elapseFrame(plugin, unit, vehicle, panel.data(), sound.data());
  }

  tims::testing::TempDir dir;
  PluginState plugin;
  TimsUnit unit;
  Slots panel{}, sound{};
};

TEST_F(Frame, StartCodesChooseTheInitialBrake) {
  attachPlugin(plugin, unit, dir.path());
  loadPlugin(unit);
  initializeRun(plugin, unit, -1);  // before any vehicle spec every notch is 0
  EXPECT_EQ(plugin.brakeNotch, 0);
  start("", -2);
  EXPECT_EQ(std::tuple(plugin.brakeNotch, plugin.handles.brake), std::tuple(0, 0));
  initializeRun(plugin, unit, -1);
  EXPECT_EQ(plugin.handles.brake, 3);  // startBrakeNotch
  for (int32_t code : {0, 5, 1, -3}) {
    initializeRun(plugin, unit, code);
    EXPECT_EQ(plugin.brakeNotch, 9) << code;  // brakeNotches + 1
  }
  EXPECT_EQ(std::tuple(plugin.handles.reverser, plugin.reverser, plugin.handles.power,
                       plugin.handles.constantSpeed, plugin.doorsClosed),
            std::tuple(1, 1, 0, 0, true));
}

TEST_F(Frame, FrameTimeAndDistanceFollowTheClockAndNeverRunBackwards) {
  start();
  const std::tuple<int32_t, float, int32_t, double> timeSpeedMsMetres[] = {
      {36000000, 72.0f, 0, 0.0},    // the first frame after Initialize
      {36000100, 72.0f, 100, 2.0},  // 20 m/s for 0.1 s
      {36000050, 72.0f, 0, 0.0},    // the host set the clock back
      {INT32_MIN, 0.0f, 0, 0.0},    // would wrap to a huge positive frame in 32 bits
      {INT32_MAX, 0.0f, INT32_MAX, 0.0}};
  for (const auto& [time, speed, ms, metres] : timeSpeedMsMetres) {
    frame(time, speed);
    EXPECT_EQ(plugin.frameMs, ms) << time;
    EXPECT_DOUBLE_EQ(plugin.frameDistance, metres) << time;
    EXPECT_EQ(plugin.state.time, time);
  }
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
  EXPECT_EQ(std::tuple(handles.power, handles.reverser, handles.constantSpeed),
            std::tuple(5, -1, 0));
}

// One pressure for both gauges: what matters here is the same state for both runs.
VehicleState vehicle(double location, float speed, int32_t time, float pressure, float current) {
  return VehicleState{location, speed, time, pressure, pressure, 0, 0, 0, current};
}

void startSession(PluginState& plugin, TimsUnit& unit, const std::filesystem::path& folder) {
  attachPlugin(plugin, unit, folder);
  loadPlugin(unit);
  setVehicleSpec(plugin, VehicleSpec{8, 0, 0, 2, 0});
}

// Frames of absurd vehicle states, then Initialize: the new run goes as it would after a clean
// start. Only the voltage meter's timer carries over between runs, by design, and abuse keeps it
// within what a normal run with the meter on leaves behind (a refill of -79..579 ms).
TEST(HostAbuse, ANewRunForgetsAbsurdFrames) {
  tims::testing::TempDir dir;
  platform::pinLocalMilliseconds(123);
  PluginState abused;
  TimsUnit abusedUnit;
  startSession(abused, abusedUnit, dir.path());
  initializeRun(abused, abusedUnit, 0);
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const float values[] = {kNaN, kInf, -kInf, 3e38f, -3e38f, 0.0f};
  const int32_t times[] = {INT32_MAX, INT32_MIN, 0, -1, 86399999, 1};
  Slots panel{}, sound{};
  int32_t lowest = INT32_MAX, highest = INT32_MIN;
  for (int i = 0; i < 3000; ++i) {
    const VehicleState state = vehicle(i % 2 ? 1e308 : -kInf, values[i % 6], times[(i / 6) % 6],
                                       values[(i + 1) % 6], values[(i + 3) % 6]);
    elapseFrame(abused, abusedUnit, state, panel.data(), sound.data());
    lowest = std::min(lowest, abused.voltageTimer);
    highest = std::max(highest, abused.voltageTimer);
  }
  EXPECT_GE(lowest, -79);
  EXPECT_LE(highest, 579);
  initializeRun(abused, abusedUnit, 0);

  PluginState clean;
  TimsUnit cleanUnit;
  startSession(clean, cleanUnit, dir.path());
  clean.voltageTimer = abused.voltageTimer;
  initializeRun(clean, cleanUnit, 0);
  Slots abusedPanel{}, abusedSound{}, cleanPanel{}, cleanSound{};
  for (int i = 0; i < 600; ++i) {
    const VehicleState state = vehicle(i * 0.5, 40.0f + i % 7, 36000000 + 17 * i, 150.0f + i % 400,
                                       i % 50 < 25 ? 300.0f : -120.0f);
    elapseFrame(abused, abusedUnit, state, abusedPanel.data(), abusedSound.data());
    elapseFrame(clean, cleanUnit, state, cleanPanel.data(), cleanSound.data());
    ASSERT_EQ(abusedPanel, cleanPanel) << "frame " << i;
    ASSERT_EQ(abusedSound, cleanSound) << "frame " << i;
  }
  platform::pinLocalMilliseconds(-1);
}

}  // namespace
}  // namespace tims
