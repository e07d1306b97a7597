#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "aids/reference_generator.h"
#include "platform/crt_random.h"
#include "unit_fixture.h"

namespace tims::testing {
namespace {

using CarIndicators = UnitFixture;

// The delay two draws give: 500..1099 ms.
int32_t delayOf(ReferenceGenerator& generator) {
  const int32_t r1 = generator.next();
  const int32_t r2 = generator.next();
  return (r2 * (r1 + 190)) % 600 + 500;
}

int32_t idleLimitOf(ReferenceGenerator& generator) {
  return generator.next() * 193 % 200 + 520;
}

TEST_F(CarIndicators, PoweringDrawsADelayPerCarAndShowsOnceItHasPassed) {
  plugin.state.current = 100.0f;
  runFrame(0.0, 100);
  ReferenceGenerator generator(static_cast<uint32_t>(plugin.state.time));
  CarVector delays{};
  for (auto& delay : delays) {
    delay = delayOf(generator);
    generator.next();  // the idle limit
  }
  EXPECT_EQ(unit.carPowerDelay, delays);
  EXPECT_EQ(unit.carBrakeDelay, CarVector{});
  EXPECT_EQ(platform::crtRand(), generator.next());  // the meters draw on from here

  for (int32_t elapsed = 200; elapsed <= 1200; elapsed += 100) {
    runFrame(0.0, 100);
    for (int car = 0; car < kCars; ++car) {
      EXPECT_EQ(unit.carState[car], elapsed > delays[car] ? 1 : 0) << car << " at " << elapsed;
    }
  }
  EXPECT_EQ(unit.carPowerDelay, delays);  // drawn once per powering spell
}

TEST_F(CarIndicators, BrakingDrawsTheBrakeDelay) {
  plugin.state.current = -100.0f;
  runFrame(0.0, 100);
  ReferenceGenerator generator(static_cast<uint32_t>(plugin.state.time));
  for (int car = 0; car < kCars; ++car) {
    EXPECT_EQ(unit.carBrakeDelay[car], delayOf(generator)) << car;
    EXPECT_EQ(unit.carPowerDelay[car], 0);
    generator.next();
  }
  for (int i = 0; i < 11; ++i) runFrame(0.0, 100);
  EXPECT_EQ(unit.carState, (CarVector{2, 2, 2, 2, 2, 2, 2, 2}));
}

TEST_F(CarIndicators, IdleCarsGoOutAfterARandomLimit) {
  unit.carState.fill(1);
  plugin.state.current = 5.0f;  // within 10 A counts as idle
  runFrame(0.0, 600);
  ReferenceGenerator generator(static_cast<uint32_t>(plugin.state.time));
  int out = 0;
  for (int car = 0; car < kCars; ++car) {
    const int32_t expected = 600 > idleLimitOf(generator) ? 0 : 1;
    out += expected == 0;
    EXPECT_EQ(unit.carState[car], expected) << car;
  }
  ASSERT_GT(out, 0);
  ASSERT_LT(out, kCars);  // both outcomes occur, so the limits are really compared
  EXPECT_EQ(platform::crtRand(), generator.next());
}

TEST_F(CarIndicators, TimersStopAtTheirLargestValue) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  unit.carPowerTimer.fill(kMax - 10);
  plugin.state.current = 100.0f;
  runFrame(0.0, 100);
  EXPECT_EQ(unit.carPowerTimer[7], kMax);
  unit.carIdleTimer.fill(kMax - 10);
  plugin.state.current = 0.0f;
  runFrame(0.0, 100);
  EXPECT_EQ(unit.carIdleTimer[0], kMax);
  EXPECT_EQ(unit.carState[0], 0);
}

}  // namespace
}  // namespace tims::testing
