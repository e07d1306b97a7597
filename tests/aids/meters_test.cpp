#include "aids/meters.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "platform/crt_random.h"
#include "reference_generator.h"

namespace tims {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The readout from the speed and the three draws Q: a reading error of at most 0.27 km/h.
int32_t expectedMeterSpeed(float speed, int32_t q) {
  const auto n = static_cast<uint32_t>(static_cast<int32_t>(speed));
  const int32_t jitter = static_cast<int32_t>(n * static_cast<uint32_t>(q)) % 28;
  return static_cast<int32_t>(std::fabs(speed - jitter / 100.0));
}

class Meters : public ::testing::Test {
 protected:
  void frame(int32_t ms) {
    plugin.frameMs = ms;
    runMeters(plugin);
  }

  PluginState plugin;
};

// The seed is fixed for the run, so the brake-sample and speed periods never change, while the
// voltage period and the speed error depend on how far the generator has run.
TEST_F(Meters, DrawsFollowTheSeedInTheOrderBrakeSampleVoltagesSpeed) {
  plugin.enableVmeter = true;
  plugin.brakeNotch = 3;
  plugin.state.speed = 123.0f;
  for (uint16_t seed = 0; seed < 80; ++seed) {
    SCOPED_TRACE(seed);
    resetMeters(plugin);
    plugin.voltageTimer = 0;
    plugin.startLocalTime.milliseconds = seed;
    platform::crtSrand(seed * 7919u + 1);  // wherever the unit's draws left the generator
    testing::ReferenceGenerator run(seed), reseeded(seed);
    frame(1);
    EXPECT_EQ(plugin.sampledBrakeNotch, 3);
    EXPECT_EQ(plugin.brakeSampleTimer, run.period(130, 250));
    EXPECT_EQ(plugin.voltageTimer, run.period(330, 250));
    EXPECT_EQ(plugin.meterSpeed, expectedMeterSpeed(123.0f, run.product(3)));
    EXPECT_EQ(plugin.speedDigitTimer, reseeded.period(230, 350));
    EXPECT_EQ(platform::crtRand(), reseeded.next());
  }
}

// Each frame here fires the voltage, speed and bar timers at once.
TEST_F(Meters, ReadingsFollowTheVehicleState) {
  plugin.enableVmeter = true;
  struct Reading {
    float speed, current, bc, mr;
    std::array<int32_t, 4> readout;  // meterSpeed and its digits; 10 is a blank digit
    int32_t volts, wait;          // until the next bar update: |previous row's bc - bc| x 6 + 230
    std::array<int32_t, 6> bars;  // bcBar1..4, mrBar1..2
  };
  // Half-way speeds keep the reading error from changing the whole number. The first bar has
  // no floor.
  const Reading cases[] = {
      {5.5f, 0.0f, 150.0f, 780.0f, {5, 10, 10, 5}, 1600, 1130, {7, 20, 20, 20, 8, 0}},
      {45.5f, 500.0f, 200.0f, 700.0f, {45, 10, 4, 5}, 800, 530, {10, 0, 20, 20, 0, 0}},
      {120.5f, -100.0f, 450.0f, 815.0f, {120, 1, 2, 0}, 1760, 1730, {10, 10, 2, 20, 10, 1}},
      {0.99f, 0.7f, 619.9f, 950.0f, {0, 10, 10, 0}, 1598, 1249, {10, 10, 10, 0, 10, 10}},
      {-45.5f, 0.0f, -50.0f, 600.0f, {45, 10, 4, 5}, 1600, 4249, {-2, 20, 20, 20, 0, 0}},
      {10.5f, kNan, kInf, kInf, {10, 10, 1, 0}, 0, kMax, {10, 10, 10, 10, 10, 10}},
      {kNan, kInf, kNan, kNan, {0, 10, 10, 0}, kMin, 0, {0, 0, 0, 0, 0, 0}},
      {kInf, 0.0f, 0.0f, 0.0f, {kMax, 21474836, 4, 7}, 1600, 0, {0, 20, 20, 20, 0, 0}}};
  for (const Reading& r : cases) {
    SCOPED_TRACE(::testing::Message() << "row " << &r - cases);
    plugin.state.speed = r.speed;
    plugin.state.current = r.current;
    plugin.state.bcPressure = r.bc;
    plugin.state.mrPressure = r.mr;
    plugin.voltageTimer = plugin.speedDigitTimer = plugin.barTimer = -1;
    frame(0);
    EXPECT_EQ((std::array{plugin.meterSpeed, plugin.speedDigitHundreds, plugin.speedDigitTens,
                          plugin.speedDigitOnes}),
              r.readout);
    EXPECT_EQ(plugin.hvMeterValue, r.volts);
    EXPECT_EQ((std::array{plugin.bcBar1, plugin.bcBar2, plugin.bcBar3, plugin.bcBar4, plugin.mrBar1,
                          plugin.mrBar2}),
              r.bars);
    EXPECT_EQ(plugin.barTimer, r.wait);
  }
}

TEST_F(Meters, StandingWithoutBrakeBlinksAfterFiveSeconds) {
  plugin.state.bcPressure = 150.0f;
  plugin.state.time = 36000501;
  frame(5000);
  EXPECT_EQ(plugin.standingBlink, 0);  // 5000 is not more than 5000
  plugin.standingTimer = kMax - 2;     // a long stand stops at the top instead of wrapping
  for (const auto& [time, blink] :
       {std::pair{36000501, 1}, {36000999, 1}, {36000500, 0}, {36001000, 0}, {-499, 0}}) {
    plugin.state.time = time;
    frame(1);
    EXPECT_EQ(plugin.standingBlink, blink) << time;
  }
  EXPECT_EQ(plugin.standingTimer, kMax);
  // Movement, or enough brake pressure, ends the stand at once.
  for (const auto& [speed, bc] : {std::pair{0.1f, 0.0f}, {-0.0f, 200.0f}}) {
    std::tie(plugin.state.speed, plugin.state.bcPressure) = std::pair{speed, bc};
    frame(1);
    EXPECT_EQ(plugin.standingTimer, 0) << speed << ", " << bc;
  }
}

// The voltage timer counts on while the voltmeter is off (stopping at the bottom instead of
// wrapping to a long wait) and carries over into the next run, where every other timer starts
// at 0: the first frame, which has no time, updates only the voltages.
TEST_F(Meters, TheVoltageTimerRunsOnWhileTheVoltmeterIsOffAndSurvivesAReset) {
  plugin.voltageTimer = kMin + 10;
  frame(1000);
  EXPECT_EQ(plugin.voltageTimer, kMin);
  EXPECT_EQ(plugin.lvMeterValue, 0);
  resetMeters(plugin);
  plugin.enableVmeter = true;
  plugin.brakeNotch = 4;
  plugin.state.speed = 50.0f;
  plugin.state.bcPressure = 900.0f;
  frame(0);
  EXPECT_EQ(plugin.sampledBrakeNotch, 0);
  EXPECT_EQ(plugin.meterSpeed, 0);
  EXPECT_EQ(plugin.bcBar2, 20);  // pressure below the segment
  EXPECT_EQ(plugin.hvMeterValue, 1600);
  EXPECT_EQ(plugin.lvMeterValue, 105);
}

}  // namespace
}  // namespace tims
