// The frame update's steps one by one: EB device, line position, car indicators, announcement
// points and line-position zones. The allocations made in frame updates are counted here (see
// unit_fixture.h).
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
#include <vector>

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

// A 10 km section from row 0 (line position 10 km, ascending) to row 1.
class Announcements : public UnitFixture {
 protected:
  Announcements() {
    addRows(2);
    unit.nextRowIndex = 1;
    unit.stopDistanceTotal = unit.sectionLength = 10000.0;
  }

  // One frame `run` metres past the station, at `speed`, `ms` into a second of the clock; returns
  // the one sound item among 5 to 10 that reads 1 (0: none, -1: more than one).
  int at(double run, float speed, int32_t ms = 300) {
    std::tie(unit.distanceToStop, unit.sectionRemaining, unit.kmPostBase) =
        std::tuple(unit.stopDistanceTotal - run, unit.sectionLength - run, 10000.0 + run);
    plugin.state.time = 36000000 + ms - 100;
    runFrame(0.0, 100, speed);
    int item = 0;
    for (int k = 5; k <= 10; ++k) {
      if (unit.soundOut[k] == kSoundRaise) item = item == 0 ? k : -1;
    }
    return item;
  }
};

// Point sets: 0 kind 0 at 100..300 m; 1 kind 1 at 1 km; 2 kind 2 at 2 km; 3 kind 3 at 3 km; 4 a
// kind-0 point of row 1, then a kind-0, a kind-1 and a kind-2 point of row 0: the scan skips other
// rows and too fast kind-0 points, and stops at the first active point.
// Frames: point set, run, speed, ms into the second, the sound item raised (5 kind 0, 6 kind 1,
// 7 kind 2 or 3, 8 kind 2 in its last 100 m from its second frame on), the four indicators, and
// panel slot 83 (which silences item 8).
TEST_F(Announcements, PointsSoundOnEntryWithinTheirWindowsAndShowTheirIndicators) {
  const std::vector<IcPointRecord> pointSets[] = {
      {{0, 0.1, 0.3, 0}},
      {{0, 1.0, 0.0, 1}},
      {{0, 2.0, 0.0, 2}},
      {{0, 3.0, 0.0, 3}},
      {{1, 0.1, 0.3, 0}, {0, 0.1, 0.3, 0}, {0, 0.2, 0.0, 1}, {0, 0.0, 9.0, 2}}};
  using Indicators = std::array<int32_t, 4>;
  const std::tuple<int, double, float, int32_t, int, Indicators, bool> frames[] = {
      {0, 50, 20, 300, 0, {0, 0, 0, 0}, false},   {0, 150, 20, 300, 5, {2, 0, 0, 0}, false},
      {0, 160, 20, 700, 0, {1, 0, 0, 0}, false},  {0, 170, 30, 300, 0, {0, 0, 0, 0}, false},
      {0, 180, 20, 300, 5, {2, 0, 0, 0}, false},  {1, 599, 60, 300, 0, {0, 0, 0, 0}, false},
      {1, 601, 60, 100, 6, {0, 4, 0, 0}, false},  {1, 1699, 60, 900, 0, {0, 3, 0, 0}, false},
      {1, 1700, 60, 300, 0, {0, 0, 0, 0}, false}, {2, 1550, 50, 300, 0, {0, 0, 0, 0}, false},
      {2, 1550, 90, 300, 7, {0, 0, 2, 1}, false}, {2, 1950, 90, 300, 8, {0, 0, 2, 1}, false},
      {2, 1970, 90, 300, 0, {0, 0, 2, 1}, true},  {2, 2499, 90, 700, 8, {0, 0, 1, 1}, false},
      {2, 2500, 90, 300, 0, {0, 0, 0, 0}, false}, {3, 2650, 50, 300, 7, {0, 0, 0, 0}, false},
      {3, 2660, 50, 300, 0, {0, 0, 0, 0}, false}, {2, 1950, 50, 300, 7, {0, 0, 2, 1}, false},
      {2, 1960, 50, 300, 8, {0, 0, 2, 1}, false}, {4, 150, 30, 300, 6, {0, 4, 0, 0}, false},
      {4, 150, 20, 300, 5, {2, 0, 0, 0}, false}};
  int loaded = -1;
  for (const auto& [set, run, speed, ms, raised, indicators, panel83] : frames) {
    if (set != loaded) unit.pointLatch = {};  // a fresh start for each set
    unit.catalogue.pointRecords = pointSets[loaded = set];
    unit.panel83Set = panel83;
    EXPECT_EQ(at(run, speed, ms), raised) << "set " << set << ", " << run << " m";
    EXPECT_EQ(unit.zoneIndicator, indicators) << "set " << set << ", " << run << " m";
  }
}

// Items: 9 station zone entered, 10 inside a line-position zone from the second frame on.
TEST_F(Announcements, StationZonesSoundOnEntryAndKmZonesFromTheSecondFrameInside) {
  unit.catalogue.sectionRecords = {
      {0, 50.0, 51.0, 0.2, 0},   // station zone: the first 200 m
      {7, 10.5, 10.8, 0.0, 0},   // line-position zone 10.5..10.8 km
      {9, 10.95, 10.9, 0.0, 0},  // the same, given the other way round
      {1, 90.0, 91.0, 0.0, 0}};  // next row: the last 600 m of the section
  const std::pair<double, int> runAndRaised[] = {{10, 9},   {20, 0},   {300, 0}, {510, 0},
                                                 {520, 10}, {530, 10}, {810, 0}, {920, 0},
                                                 {930, 10}, {9390, 0}, {9410, 9}};
  for (const auto& [run, raised] : runAndRaised) EXPECT_EQ(at(run, 40), raised) << run << " m";
}

}  // namespace
}  // namespace tims::testing
