// The frame update's steps one by one: EB device, line position and car indicators (the
// announcement points and zones are the scenarios'). The allocations made in frame updates are
// counted here (see unit_fixture.h).
#include "unit/frame_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <tuple>
#include <utility>

#include "aids/reference_generator.h"
#include "platform/crt_random.h"
#include "unit_fixture.h"

// GCC sees through the replacement and takes malloc/free for a mismatched pair.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (tims::testing::countingAllocations) ++tims::testing::allocationsCounted;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace tims::testing {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

using FrameSteps = UnitFixture;

TEST(NoAllocation, TheCountSeesAnAllocation) {
  allocationsCounted = 0;
  countingAllocations = true;
  const auto p = std::make_unique<int>(1);
  countingAllocations = false;
  EXPECT_EQ(std::exchange(allocationsCounted, 0), 1);
}

// One 1000 ms frame of the device from a given state: speed, device enabled, armed, applied, the
// brake handle at the emergency notch, idle and alarm timers; afterwards armed, applied, alarm
// sound, idle and alarm timers.
TEST_F(FrameSteps, EbDeviceArmsAbove15CountsFrom11AlarmsAfterAMinuteAndAppliesFiveSecondsLater) {
  using State = std::tuple<float, bool, bool, bool, bool, int32_t, int32_t>;
  using After = std::tuple<bool, bool, int32_t, int32_t, int32_t>;
  const std::tuple<const char*, State, After> cases[] = {
      {"unarmed", {15, true, false, false, false, 0, 0}, {false, false, kSoundSilent, 0, 0}},
      {"arms", {16, true, false, false, false, 0, 0}, {true, false, kSoundSilent, 1000, 0}},
      {"counts at 11", {11, true, true, false, false, 0, 0}, {true, false, kSoundSilent, 1000, 0}},
      {"disarms", {10.9f, true, true, false, false, 9, 0}, {false, false, kSoundSilent, 9, 0}},
      {"a minute", {20, true, true, false, false, 59000, 0}, {true, false, 0, 60000, 1000}},
      {"5 s of alarm", {20, true, true, false, false, 60000, 4000}, {true, true, 0, 61000, 5000}},
      {"outlasts operation", {20, true, true, true, false, 0, 0}, {true, true, 0, 1000, 0}},
      {"notch", {20, true, true, true, true, 65000, 0}, {true, false, 0, 66000, 1000}},
      {"notch, operated", {20, true, true, true, true, 0, 0}, {true, false, kSoundSilent, 1000, 0}},
      {"off", {20, false, true, true, false, 70000, 6000}, {true, false, kSoundSilent, 0, 0}},
      {"saturates", {20, true, true, false, false, kMax, kMax}, {true, true, 0, kMax, kMax}}};
  for (const auto& [what, state, after] : cases) {
    float speed = 0.0f;
    std::tie(speed, unit.enableEb, unit.ebArmed, unit.ebApplied, unit.ebHandleAtEmergency,
             unit.ebIdleTimer, unit.ebAlarmTimer) = state;
    runFrame(5.0, 1000, speed);
    EXPECT_EQ(std::tuple(unit.ebArmed, unit.ebApplied, unit.soundOut[12], unit.ebIdleTimer,
                         unit.ebAlarmTimer),
              after)
        << what;
  }
}

TEST(LinePosition, DigitsShowHundredsTensAndKilometresAndHundredsOfMetres) {
  const std::pair<double, std::array<int32_t, 4>> cases[] = {
      {123456.0, {1, 2, 3, 4}},       {12345.0, {10, 1, 2, 3}},
      {5000.0, {10, 10, 5, 0}},       {10000.0, {10, 1, 0, 0}},
      {999.9, {10, 10, 0, 9}},        {-250.0, {10, 10, 0, 0}},
      {std::nan(""), {10, 10, 0, 0}}, {1e300, {kMax / 100000, kMax, kMax - 470, kMax % 10}}};
  for (const auto& [metres, digits] : cases) EXPECT_EQ(kmPostDigitsFor(metres), digits) << metres;
}

// Each frame reseeds the shared generator with the time of day; per car, two draws give a delay
// of 500..1099 ms when a current starts, and one draw an idle limit of 520..719 ms.
TEST_F(FrameSteps, CarIndicatorsFollowTheCurrentAfterRandomDelaysAndGoOutAfterRandomLimits) {
  for (const float current : {100.0f, -100.0f}) {
    const int32_t shown = current > 0 ? 1 : 2;
    plugin.state.current = current;
    runFrame(0.0, 100);
    ReferenceGenerator generator(static_cast<uint32_t>(plugin.state.time));
    CarVector delays{}, at800ms{}, afterIdle{};
    for (int car = 0; car < kCars; ++car) {
      const int32_t r1 = generator.next();
      delays[car] = (generator.next() * (r1 + 190)) % 600 + 500;
      at800ms[car] = 800 > delays[car] ? shown : 0;
      generator.next();  // the idle limit
    }
    EXPECT_EQ(current > 0 ? unit.carPowerDelay : unit.carBrakeDelay, delays);
    EXPECT_EQ(platform::crtRand(), generator.next());  // the meters draw on from here
    runFrame(0.0, 700);
    EXPECT_EQ(unit.carState, at800ms);
    runFrame(0.0, 400);           // 1200 ms: every delay has passed
    plugin.state.current = 5.0f;  // within 10 A counts as idle
    runFrame(0.0, 620);
    generator = ReferenceGenerator(static_cast<uint32_t>(plugin.state.time));
    for (auto& state : afterIdle) state = 620 > generator.next() * 193 % 200 + 520 ? 0 : shown;
    EXPECT_EQ(unit.carState, afterIdle);
    // Both outcomes occur, so the limits are really compared.
    EXPECT_NE(std::count(afterIdle.begin(), afterIdle.end(), 0) % kCars, 0);
    unit.carState.fill(0);
  }
}

}  // namespace
}  // namespace tims::testing
