// A unit bound to its own plug-in state, reset with default settings, and a few builders for card
// rows and frames.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "plugin/plugin_state.h"
#include "unit/frame_update.h"
#include "unit/station_progress.h"
#include "unit/tims_unit.h"

namespace tims::testing {

// A card row with the fields the timetable uses; the rest keep their card defaults.
inline IcRow cardRowOf(int32_t station, int32_t arrival, int32_t departure, double sectionKm,
                       int32_t rowKind = 0) {
  IcRow row;
  row.stationId = station;
  row.arrivalTime = arrival;
  row.departureTime = departure;
  row.sectionKm = sectionKm;
  row.rowKind = rowKind;
  row.track = station % 10;
  row.runSeconds = 60 + station;
  row.valueList = {station + 100, station + 200};
  row.valueC = station + 300;
  row.valueD = station + 400;
  return row;
}

class UnitFixture : public ::testing::Test {
 protected:
  UnitFixture() {
    bindUnit(unit, plugin);
    unit.specPath = "/nonexistent-tims-unit-test/TIMS_Spec.ini";
    resetUnit(unit);
    plugin.state.time = 36000000;  // 10:00:00.000
  }

  // Rows 0..count-1: station 10 + r, arrival 9:0r:00, departure 9:0r:30, 1 km sections.
  void addRows(int count) {
    for (int r = 0; r < count; ++r) {
      const int32_t t = 90000 + r * 100;
      unit.catalogue.icRows.push_back(cardRowOf(10 + r, t, t + 30, 1.0));
    }
  }

  // One frame of `ms` milliseconds in which the train runs `metres`.
  void runFrame(double metres, int32_t ms = 100, float speedKmh = 40.0f) {
    plugin.frameMs = ms;
    plugin.frameDistance = metres;
    plugin.state.speed = speedKmh;
    plugin.state.time += ms;
    plugin.state.location += metres;
    updateUnitFrame(unit);
  }

  // One frame at a steady speed.
  void drive(float speedKmh, int32_t ms = 100) {
    runFrame(static_cast<double>(speedKmh) / 3.6 * ms / 1000.0, ms, speedKmh);
  }

  // Metres run since the current station.
  double travelled() const { return unit.stopDistanceTotal - unit.distanceToStop; }

  PluginState plugin;
  TimsUnit unit;
};

}  // namespace tims::testing
