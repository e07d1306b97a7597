// Route beacons: decoding of beacon types and data values into unit state.
#pragma once

#include <cstdint>
#include <span>

#include "state/records.h"
#include "unit/tims_unit.h"

namespace tims {

void dispatchBeacon(TimsUnit& unit, const BeaconData& beacon);

// The unit's route-data entry: code 0..11, a value and a 1-based row index.
void applyRouteData(TimsUnit& unit, int code, int32_t value, int32_t index);

// Type 1001: places the train on a card row (the caller checks the standstill).
void selectCardRow(TimsUnit& unit, int32_t data);

// When a beacon type is ignored before its handler runs.
enum class BeaconGuard {
  kNone,
  kIcCard,           // ignored while an IC card timetable is in force
  kIcCardInEntry,    // the same, applied by the route-data entry
  kMovingAndIcCard,  // ignored at standstill and while an IC card is in force
  kStandstill,       // taken only at standstill
};

// One row of the beacon vocabulary: the types first..last share a guard and a handler.
struct BeaconTypeRange {
  int32_t first;
  int32_t last;
  BeaconGuard guard;
  const char* summary;
  void (*handle)(TimsUnit& unit, int32_t type, int32_t data);
};

// The whole vocabulary; a type that no row covers is ignored.
std::span<const BeaconTypeRange> beaconTypeTable();

}  // namespace tims
