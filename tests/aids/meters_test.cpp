#include "aids/meters.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/crt_random.h"
#include "platform/local_time.h"
#include "plugin/frame.h"
#include "reference_generator.h"
#include "support/temp_dir.h"
#include "unit/tims_unit.h"

namespace tims {
namespace {

using testing::ReferenceGenerator;

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The speed error as the readout computes it, from the three draws Q.
int32_t expectedMeterSpeed(float speed, int32_t q) {
  const auto n = static_cast<int32_t>(speed);  // test speeds stay well inside the range
  const int32_t jitter =
      static_cast<int32_t>(static_cast<uint32_t>(n) * static_cast<uint32_t>(q)) % 28;
  return static_cast<int32_t>(std::fabs(static_cast<double>(speed) - jitter / 100.0));
}

class Meters : public ::testing::Test {
 protected:
  void SetUp() override {
    resetMeters(plugin);
    plugin.enableVmeter = true;
    plugin.startLocalTime.milliseconds = 417;
    plugin.state.time = 36000000;
  }

  void frame(int32_t ms) {
    plugin.frameMs = ms;
    plugin.state.time += ms;
    runMeters(plugin);
  }

  // Timers far from expiry, so that a frame updates only what a test arms.
  void holdAllTimers() {
    plugin.brakeSampleTimer = plugin.voltageTimer = plugin.speedDigitTimer = plugin.barTimer =
        100000;
  }

  PluginState plugin;
};

TEST_F(Meters, ResetGivesTheStartValuesButKeepsTheVoltageTimer) {
  for (int32_t* field :
       {&plugin.brakeSampleTimer, &plugin.sampledBrakeNotch, &plugin.standingTimer,
        &plugin.standingBlink, &plugin.meterSpeed, &plugin.speedDigitHundreds,
        &plugin.speedDigitTens, &plugin.speedDigitOnes, &plugin.bcBar1, &plugin.bcBar2,
        &plugin.bcBar3, &plugin.bcBar4, &plugin.mrBar1, &plugin.mrBar2, &plugin.hvMeterValue,
        &plugin.lvMeterValue, &plugin.speedDigitTimer, &plugin.barTimer}) {
    *field = 77;
  }
  plugin.lastBarBcPressure = 300.0f;
  plugin.voltageTimer = -123;
  resetMeters(plugin);
  EXPECT_EQ(plugin.voltageTimer, -123);
  EXPECT_EQ(plugin.lastBarBcPressure, 0.0f);
  const std::array<int32_t, 18> actual{plugin.brakeSampleTimer, plugin.sampledBrakeNotch,
                                       plugin.standingTimer,    plugin.standingBlink,
                                       plugin.meterSpeed,       plugin.speedDigitHundreds,
                                       plugin.speedDigitTens,   plugin.speedDigitOnes,
                                       plugin.bcBar1,           plugin.bcBar2,
                                       plugin.bcBar3,           plugin.bcBar4,
                                       plugin.mrBar1,           plugin.mrBar2,
                                       plugin.hvMeterValue,     plugin.lvMeterValue,
                                       plugin.speedDigitTimer,  plugin.barTimer};
  const std::array<int32_t, 18> expected{0, 0, 0, 0, 0, 0, 0, 0, 0, 20, 20, 20, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(actual, expected);
}

TEST_F(Meters, AFrameWithoutTimeUpdatesNothingAndDrawsNothing) {
  plugin.brakeNotch = 4;
  plugin.state.speed = 50.0f;
  plugin.state.bcPressure = 300.0f;
  plugin.state.mrPressure = 900.0f;
  platform::crtSrand(1234);
  frame(0);
  EXPECT_EQ(plugin.sampledBrakeNotch, 0);
  EXPECT_EQ(plugin.meterSpeed, 0);
  EXPECT_EQ(plugin.bcBar1, 0);
  EXPECT_EQ(plugin.bcBar2, 20);
  EXPECT_EQ(plugin.mrBar1, 0);
  EXPECT_EQ(plugin.hvMeterValue, 0);
  EXPECT_EQ(plugin.lvMeterValue, 0);
  EXPECT_EQ(platform::crtRand(), ReferenceGenerator(1234).next());
}

TEST_F(Meters, PinnedSeedGivesTheReferencePeriodsAndReadout) {
  for (uint16_t seed : {0, 1, 417, 999}) {
    SCOPED_TRACE(seed);
    resetMeters(plugin);
    plugin.voltageTimer = 0;
    plugin.startLocalTime.milliseconds = seed;
    plugin.brakeNotch = 3;
    plugin.state.speed = 87.6f;
    platform::crtSrand(99);  // where the unit's car indicators left the generator

    ReferenceGenerator fromSeed(seed);
    const int32_t brakePeriod = fromSeed.period(130, 250);
    const int32_t voltagePeriod = fromSeed.period(330, 250);
    const int32_t q = fromSeed.product(3);
    ReferenceGenerator reseeded(seed);
    const int32_t speedPeriod = reseeded.period(230, 350);

    frame(1);
    EXPECT_EQ(plugin.sampledBrakeNotch, 3);
    EXPECT_EQ(plugin.brakeSampleTimer, brakePeriod);
    EXPECT_EQ(plugin.voltageTimer, voltagePeriod);
    EXPECT_EQ(plugin.speedDigitTimer, speedPeriod);
    EXPECT_EQ(plugin.meterSpeed, expectedMeterSpeed(87.6f, q));
    EXPECT_EQ(platform::crtRand(), reseeded.next());  // the generator ends after the reseed
    EXPECT_GE(brakePeriod, 121);
    EXPECT_LE(brakePeriod, 379);
    EXPECT_GE(speedPeriod, 121);
    EXPECT_LE(speedPeriod, 579);
  }
}

TEST_F(Meters, BrakeAndSpeedPeriodsStayFixedWhateverTheUnitDrewBefore) {
  ReferenceGenerator fromSeed(417);
  const int32_t brakePeriod = fromSeed.period(130, 250);
  const int32_t speedPeriod = ReferenceGenerator(417).period(230, 350);
  for (uint32_t unitSeed : {7u, 36000000u, 86399999u}) {
    platform::crtSrand(unitSeed);
    plugin.brakeNotch = static_cast<int32_t>(unitSeed % 8);
    frame(600);  // longer than any period: every timer fires
    EXPECT_EQ(plugin.brakeSampleTimer, brakePeriod);
    EXPECT_EQ(plugin.speedDigitTimer, speedPeriod);
    EXPECT_EQ(plugin.sampledBrakeNotch, static_cast<int32_t>(unitSeed % 8));
  }
}

TEST_F(Meters, VoltageAndSpeedErrorDrawWhereTheGeneratorStands) {
  for (uint32_t unitSeed : {5u, 5555u, 4000000000u}) {
    SCOPED_TRACE(unitSeed);
    holdAllTimers();
    plugin.voltageTimer = 0;
    platform::crtSrand(unitSeed);
    frame(1);
    EXPECT_EQ(plugin.voltageTimer, ReferenceGenerator(unitSeed).period(330, 250));

    holdAllTimers();
    plugin.speedDigitTimer = 0;
    plugin.state.speed = 250.0f;
    platform::crtSrand(unitSeed);
    frame(1);
    EXPECT_EQ(plugin.meterSpeed,
              expectedMeterSpeed(250.0f, ReferenceGenerator(unitSeed).product(3)));
  }
}

TEST_F(Meters, SpeedErrorFollowsTheVoltageDrawsOnlyWhileTheVoltmeterIsOn) {
  // The readout's three draws come after the brake sample's four, plus the voltages' four when
  // they update. Over many seeds the two orders must give different readouts somewhere.
  int differing = 0;
  for (uint16_t seed = 0; seed < 60; ++seed) {
    for (bool vmeter : {true, false}) {
      resetMeters(plugin);
      plugin.voltageTimer = 0;
      plugin.enableVmeter = vmeter;
      plugin.startLocalTime.milliseconds = seed;
      plugin.state.speed = 123.0f;
      frame(1);
      ReferenceGenerator ref(seed);
      ref.product(vmeter ? 8 : 4);
      EXPECT_EQ(plugin.meterSpeed, expectedMeterSpeed(123.0f, ref.product(3))) << seed;
    }
    ReferenceGenerator withVoltage(seed);
    withVoltage.product(8);
    ReferenceGenerator withoutVoltage(seed);
    withoutVoltage.product(4);
    differing += expectedMeterSpeed(123.0f, withVoltage.product(3)) !=
                 expectedMeterSpeed(123.0f, withoutVoltage.product(3));
  }
  EXPECT_GT(differing, 0);
}

TEST_F(Meters, TimersCountDownAndFireOnlyBelowZeroWithoutOvershoot) {
  plugin.brakeNotch = 2;
  frame(1);
  const int32_t period = plugin.brakeSampleTimer;
  plugin.brakeNotch = 6;
  frame(100);
  EXPECT_EQ(plugin.brakeSampleTimer, period - 100);
  frame(period - 100);  // reaches exactly 0: not yet
  EXPECT_EQ(plugin.brakeSampleTimer, 0);
  EXPECT_EQ(plugin.sampledBrakeNotch, 2);
  frame(50);  // 50 below zero: the new period is taken whole
  EXPECT_EQ(plugin.sampledBrakeNotch, 6);
  EXPECT_EQ(plugin.brakeSampleTimer, period);
}

TEST_F(Meters, SpeedDigitsBlankLeadingPlaces) {
  struct Case {
    float speed;
    int32_t shown, hundreds, tens, ones;
  };
  // Half-way speeds keep the reading error (at most 0.27) from changing the whole number.
  const Case cases[] = {{5.5f, 5, 10, 10, 5},     {45.5f, 45, 10, 4, 5}, {120.5f, 120, 1, 2, 0},
                        {0.5f, 0, 10, 10, 0},     {0.99f, 0, 10, 10, 0}, {-0.99f, 0, 10, 10, 0},
                        {-45.5f, 45, 10, 4, 5},   {10.5f, 10, 10, 1, 0}, {999.5f, 999, 9, 9, 9},
                        {1234.5f, 1234, 12, 3, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.speed);
    plugin.state.speed = c.speed;
    plugin.speedDigitTimer = -1;
    frame(0);
    EXPECT_EQ(plugin.meterSpeed, c.shown);
    EXPECT_EQ(plugin.speedDigitHundreds, c.hundreds);
    EXPECT_EQ(plugin.speedDigitTens, c.tens);
    EXPECT_EQ(plugin.speedDigitOnes, c.ones);
  }
}

TEST_F(Meters, LineVoltageSagsWithCurrent) {
  struct Case {
    float current;
    int32_t volts;
  };
  const Case cases[] = {{0.0f, 1600}, {500.0f, 800}, {-100.0f, 1760}, {1000.0f, 0}, {0.7f, 1598}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.current);
    plugin.state.current = c.current;
    plugin.voltageTimer = -1;
    frame(0);
    EXPECT_EQ(plugin.hvMeterValue, c.volts);
    EXPECT_EQ(plugin.lvMeterValue, 105);
  }
}

TEST_F(Meters, VoltmeterOffKeepsZeroAndItsTimerStopsAtTheBottom) {
  plugin.enableVmeter = false;
  plugin.state.current = 100.0f;
  frame(5000);
  EXPECT_EQ(plugin.hvMeterValue, 0);
  EXPECT_EQ(plugin.lvMeterValue, 0);
  EXPECT_EQ(plugin.voltageTimer, -5000);
  plugin.voltageTimer = kMin + 10;
  frame(1000);
  EXPECT_EQ(plugin.voltageTimer, kMin);
  plugin.frameMs = kMax;
  runMeters(plugin);
  EXPECT_EQ(plugin.voltageTimer, kMin);
  EXPECT_EQ(plugin.hvMeterValue, 0);
  // Switched on again, the stuck timer fires at once.
  plugin.enableVmeter = true;
  frame(0);
  EXPECT_EQ(plugin.hvMeterValue, 1440);
}

TEST_F(Meters, BrakeCylinderBars) {
  struct Case {
    float p;
    int32_t bar1, bar2, bar3, bar4;
  };
  const Case cases[] = {{150.0f, 7, 20, 20, 20},  {200.0f, 10, 0, 20, 20}, {450.0f, 10, 10, 2, 20},
                        {900.0f, 10, 10, 10, 10}, {0.0f, 0, 20, 20, 20},   {-50.0f, -2, 20, 20, 20},
                        {619.9f, 10, 10, 10, 0},  {640.0f, 10, 10, 10, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.p);
    plugin.state.bcPressure = c.p;
    plugin.barTimer = -1;
    frame(0);
    EXPECT_EQ(plugin.bcBar1, c.bar1);
    EXPECT_EQ(plugin.bcBar2, c.bar2);
    EXPECT_EQ(plugin.bcBar3, c.bar3);
    EXPECT_EQ(plugin.bcBar4, c.bar4);
  }
}

TEST_F(Meters, MainReservoirBars) {
  struct Case {
    float m;
    int32_t bar1, bar2;
  };
  const Case cases[] = {
      {780.0f, 8, 0}, {950.0f, 10, 10}, {700.0f, 0, 0}, {600.0f, 0, 0}, {815.0f, 10, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.m);
    plugin.state.mrPressure = c.m;
    plugin.barTimer = -1;
    frame(0);
    EXPECT_EQ(plugin.mrBar1, c.bar1);
    EXPECT_EQ(plugin.mrBar2, c.bar2);
  }
}

TEST_F(Meters, BarWaitGrowsWithThePressureChange) {
  plugin.state.bcPressure = 150.0f;
  frame(1);
  EXPECT_EQ(plugin.barTimer, 150 * 6 + 230);
  EXPECT_EQ(plugin.lastBarBcPressure, 150.0f);
  plugin.state.bcPressure = 200.0f;
  frame(500);
  EXPECT_EQ(plugin.bcBar1, 7);  // not due yet
  frame(631);
  EXPECT_EQ(plugin.bcBar1, 10);
  EXPECT_EQ(plugin.barTimer, 50 * 6 + 230);
}

TEST_F(Meters, StandingWarningBlinksAfterFiveSeconds) {
  plugin.state.bcPressure = 150.0f;
  plugin.state.time = 36000000;
  frame(5000);
  EXPECT_EQ(plugin.standingTimer, 5000);
  plugin.state.time = 36000501;
  frame(0);
  EXPECT_EQ(plugin.standingBlink, 0);  // 5000 is not more than 5000

  frame(1);  // time of day ends in .502
  EXPECT_EQ(plugin.standingBlink, 1);
  struct Case {
    int32_t time;
    int32_t blink;
  };
  for (const Case c : {Case{36000501, 1}, Case{36000999, 1}, Case{36000500, 0}, Case{36001000, 0},
                       Case{36001250, 0}, Case{-499, 0}}) {
    SCOPED_TRACE(c.time);
    plugin.state.time = c.time;
    frame(0);
    EXPECT_EQ(plugin.standingBlink, c.blink);
  }
}

TEST_F(Meters, StandingTimerResetsOnMovementOrPressure) {
  plugin.state.bcPressure = 150.0f;
  plugin.state.time = 36000700;
  frame(6000);
  ASSERT_EQ(plugin.standingBlink, 1);
  plugin.state.speed = 0.1f;
  frame(0);
  EXPECT_EQ(plugin.standingTimer, 0);
  EXPECT_EQ(plugin.standingBlink, 0);

  plugin.state.speed = -0.0f;  // still standing
  frame(6000);
  EXPECT_EQ(plugin.standingTimer, 6000);
  plugin.state.bcPressure = 200.0f;
  frame(0);
  EXPECT_EQ(plugin.standingTimer, 0);

  plugin.state.bcPressure = 0.0f;  // a long stand stops at the top instead of wrapping
  plugin.standingTimer = kMax - 5;
  frame(1000);
  EXPECT_EQ(plugin.standingTimer, kMax);
}

TEST_F(Meters, BadSpeedsSaturateTheReadout) {
  struct Case {
    float speed;
    int32_t shown;
  };
  for (const Case c :
       {Case{kNan, 0}, Case{kInf, kMax}, Case{-kInf, kMax}, Case{3e9f, kMax}, Case{-3e9f, kMax}}) {
    SCOPED_TRACE(c.speed);
    plugin.state.speed = c.speed;
    plugin.speedDigitTimer = -1;
    frame(1);
    EXPECT_EQ(plugin.meterSpeed, c.shown);
    EXPECT_EQ(plugin.speedDigitOnes, c.shown % 10);
    EXPECT_EQ(plugin.speedDigitHundreds, c.shown >= 100 ? c.shown / 100 : 10);
  }
  // NaN counts as standing, since its magnitude is not above 0.
  plugin.state.speed = kNan;
  plugin.state.bcPressure = 0.0f;
  plugin.standingTimer = 0;
  frame(10);
  EXPECT_EQ(plugin.standingTimer, 10);
}

TEST_F(Meters, BadCurrentsSaturateTheLineVoltage) {
  struct Case {
    float current;
    int32_t volts;
  };
  for (const Case c : {Case{kNan, 0}, Case{kInf, kMin}, Case{-kInf, kMax}, Case{1e30f, kMin},
                       Case{-1e30f, kMax}}) {
    SCOPED_TRACE(c.current);
    plugin.state.current = c.current;
    plugin.voltageTimer = -1;
    frame(0);
    EXPECT_EQ(plugin.hvMeterValue, c.volts);
  }
}

TEST_F(Meters, BadPressuresSaturateTheBars) {
  plugin.state.bcPressure = kInf;
  plugin.state.mrPressure = kInf;
  frame(1);
  EXPECT_EQ(plugin.barTimer, kMax);
  EXPECT_EQ(plugin.bcBar1, 10);
  EXPECT_EQ(plugin.bcBar4, 10);
  EXPECT_EQ(plugin.mrBar2, 10);

  plugin.state.bcPressure = -kInf;
  plugin.state.mrPressure = -kInf;
  plugin.barTimer = -1;
  frame(0);
  EXPECT_EQ(plugin.barTimer, kMax);  // |inf - (-inf)|
  EXPECT_EQ(plugin.bcBar1, kMin);
  EXPECT_EQ(plugin.bcBar2, 20);
  EXPECT_EQ(plugin.mrBar1, 0);

  plugin.state.bcPressure = kNan;
  plugin.state.mrPressure = kNan;
  plugin.barTimer = -1;
  frame(0);
  EXPECT_EQ(plugin.barTimer, 0);
  EXPECT_EQ(plugin.bcBar1, 0);
  EXPECT_EQ(plugin.bcBar2, 0);
  EXPECT_EQ(plugin.bcBar3, 0);
  EXPECT_EQ(plugin.bcBar4, 0);
  EXPECT_EQ(plugin.mrBar1, 0);
  EXPECT_EQ(plugin.mrBar2, 0);
  EXPECT_EQ(plugin.standingTimer, 0);  // NaN pressure is not below 200
  // The NaN is remembered, so the next update waits no time either.
  plugin.state.bcPressure = 300.0f;
  frame(1);
  EXPECT_EQ(plugin.barTimer, 0);
  EXPECT_EQ(plugin.bcBar2, 5);
}

// From Initialize through the frame cycle, with the seed taken from the local clock.
class MetersInFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::pinLocalMilliseconds(417);
    attachPlugin(plugin, unit, tmp.path());
    loadPlugin(unit);
  }
  void TearDown() override { platform::pinLocalMilliseconds(-1); }

  void frame(int32_t time, float speed, float bc) {
    VehicleState vehicle{};
    vehicle.time = time;
    vehicle.speed = speed;
    vehicle.bcPressure = bc;
    vehicle.mrPressure = 780.0f;
    elapseFrame(plugin, unit, vehicle, panel.data(), sound.data());
  }

  testing::TempDir tmp;
  PluginState plugin;
  TimsUnit unit;
  std::array<int32_t, kSlotCount> panel{};
  std::array<int32_t, kSlotCount> sound{};
};

TEST_F(MetersInFrame, FirstFrameAfterInitializeUpdatesNothingAndTheSecondUpdatesAll) {
  initializeRun(plugin, unit, -2);
  plugin.brakeNotch = 3;
  frame(36000000, 40.5f, 300.0f);
  EXPECT_EQ(plugin.frameMs, 0);
  EXPECT_EQ(plugin.sampledBrakeNotch, 0);
  EXPECT_EQ(plugin.meterSpeed, 0);
  EXPECT_EQ(plugin.bcBar2, 20);
  EXPECT_EQ(plugin.mrBar1, 0);
  EXPECT_EQ(plugin.hvMeterValue, 0);

  frame(36000016, 40.5f, 300.0f);
  EXPECT_EQ(plugin.sampledBrakeNotch, 3);
  EXPECT_EQ(plugin.brakeSampleTimer, ReferenceGenerator(417).period(130, 250));
  EXPECT_EQ(plugin.speedDigitTimer, ReferenceGenerator(417).period(230, 350));
  EXPECT_EQ(plugin.meterSpeed, 40);
  EXPECT_EQ(plugin.bcBar2, 5);
  EXPECT_EQ(plugin.mrBar1, 8);
  EXPECT_EQ(plugin.hvMeterValue, 1600);
  EXPECT_EQ(plugin.lvMeterValue, 105);
}

TEST_F(MetersInFrame, VoltageTimerCarriesOverIntoTheNextRun) {
  initializeRun(plugin, unit, 0);
  plugin.voltageTimer = -7;
  plugin.hvMeterValue = 900;
  initializeRun(plugin, unit, 0);
  EXPECT_EQ(plugin.voltageTimer, -7);
  EXPECT_EQ(plugin.hvMeterValue, 0);
  // Still due: the first frame of the new run updates the voltages although no time passed.
  frame(36000000, 0.0f, 0.0f);
  EXPECT_EQ(plugin.hvMeterValue, 1600);
  EXPECT_EQ(plugin.sampledBrakeNotch, 0);
}

}  // namespace
}  // namespace tims
