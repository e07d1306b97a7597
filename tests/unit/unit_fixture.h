// A unit bound to its own plug-in state, reset with default settings, and a few builders for card
// rows and frames.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "state/plugin_state.h"
#include "unit/frame_update.h"
#include "unit/station_progress.h"
#include "unit/tims_unit.h"

namespace tims::testing {

// The frame update runs inside the host's frame and must not allocate: the fixture counts the
// allocations made inside frame updates (see frame_steps_test.cpp) and expects none.
inline bool countingAllocations = false;
inline long allocationsCounted = 0;

class UnitFixture : public ::testing::Test {
 protected:
  UnitFixture() {
    bindUnit(unit, plugin);
    unit.specPath = "/nonexistent-tims-unit-test/TIMS_Spec.ini";
    resetUnit(unit);
    plugin.state.time = 36000000;  // 10:00:00.000
    allocationsCounted = 0;
  }
  void TearDown() override { EXPECT_EQ(allocationsCounted, 0) << "allocations in frame updates"; }

  // IC mode with rows 0..count-1: station 10 + r, arrival 9:0r:00, departure 9:0r:30, 1 km
  // sections; running time and value D tell the stations apart too.
  void addRows(int32_t count) {
    for (int32_t r = 0; r < count; ++r) {
      const int32_t t = 90000 + r * 100;
      unit.catalogue.icRows.push_back({.runSeconds = 70 + r,
                                       .arrivalTime = t,
                                       .departureTime = t + 30,
                                       .sectionKm = 1.0,
                                       .valueD = 410 + r,
                                       .stationId = 10 + r});
    }
    unit.icCardActive = true;
  }

  // One frame of `ms` milliseconds in which the train runs `metres`.
  void runFrame(double metres, int32_t ms = 100, float speedKmh = 40.0f) {
    plugin.frameMs = ms;
    plugin.frameDistance = metres;
    plugin.state.speed = speedKmh;
    plugin.state.time += ms;
    plugin.state.location += metres;
    countingAllocations = true;
    updateUnitFrame(unit);
    countingAllocations = false;
  }

  // Metres run since the current station.
  double travelled() const { return unit.stopDistanceTotal - unit.distanceToStop; }

  PluginState plugin;
  TimsUnit unit;
};

}  // namespace tims::testing
