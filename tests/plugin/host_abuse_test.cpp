#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <limits>

#include "platform/local_time.h"
#include "plugin/frame.h"
#include "support/temp_dir.h"

namespace tims {
namespace {

using Slots = std::array<int32_t, kSlotCount>;

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
  Slots panel{};
  Slots sound{};
  int32_t lowest = INT32_MAX;
  int32_t highest = INT32_MIN;
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
