// The timetable window: rebuilt from the card's rows, revealed row by row, shifted in beacon mode.
#pragma once

#include <cstdint>

#include "unit/tims_unit.h"

namespace tims {

// IC mode only: rebuilds the window, the next-stop, departed and after-list records and the
// distances from card row `startRow` on.
void updateStationList(TimsUnit& unit, uint32_t startRow);

// Copies records and rows to their display copies as `elapsedMs` passes their reveal times.
void revealRows(TimsUnit& unit, int32_t elapsedMs);

// Beacon mode: drops display row 0 and moves the other rows up.
void shiftBeaconList(TimsUnit& unit);

}  // namespace tims
