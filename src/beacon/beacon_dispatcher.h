// Route beacons: decoding of beacon types and data values into unit state.
#pragma once

#include <cstdint>

#include "plugin/records.h"
#include "unit/tims_unit.h"

namespace tims {

void dispatchBeacon(TimsUnit& unit, const BeaconData& beacon);

// The unit's route-data entry: code 0..11, a value and a 1-based row index.
void applyRouteData(TimsUnit& unit, int code, int32_t value, int32_t index);

// Type 1001: places the train on a card row (the caller checks the standstill).
void selectCardRow(TimsUnit& unit, int32_t data);

}  // namespace tims
