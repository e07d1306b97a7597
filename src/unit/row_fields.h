// The fourteen timetable row vectors, each with its display copy: one table that the rebuild, the
// reveal and the beacon-mode shift all walk, so that they cannot disagree about the set or order.
#pragma once

#include <array>
#include <cstdint>

#include "unit/tims_unit.h"

namespace tims {

struct RowField {
  RowVector TimsUnit::*source;
  RowVector TimsUnit::*display;
  int32_t empty;       // an empty row: station 0, times 24:60:60, 60/60 running time, values 0
  int32_t beaconTail;  // what the beacon-mode shift appends
};

inline constexpr std::array<RowField, 14> kRowFields{{
    {&TimsUnit::rowStationId, &TimsUnit::dispStationId, 0, 0},
    {&TimsUnit::rowArrHour, &TimsUnit::dispArrHour, 24, 24},
    {&TimsUnit::rowArrMinute, &TimsUnit::dispArrMinute, 60, 60},
    {&TimsUnit::rowArrSecond, &TimsUnit::dispArrSecond, 60, 60},
    {&TimsUnit::rowDepHour, &TimsUnit::dispDepHour, 24, 24},
    {&TimsUnit::rowDepMinute, &TimsUnit::dispDepMinute, 60, 60},
    {&TimsUnit::rowDepSecond, &TimsUnit::dispDepSecond, 60, 60},
    {&TimsUnit::rowTrack, &TimsUnit::dispTrack, 0, 0},
    {&TimsUnit::rowRunMinutes, &TimsUnit::dispRunMinutes, 60, 60},
    {&TimsUnit::rowRunSeconds, &TimsUnit::dispRunSeconds, 60, 60},
    // Beacons carry no values A and B for a row they have not sent yet; 300 stands for that.
    {&TimsUnit::rowValueA, &TimsUnit::dispValueA, 0, 300},
    {&TimsUnit::rowValueB, &TimsUnit::dispValueB, 0, 300},
    {&TimsUnit::rowValueC, &TimsUnit::dispValueC, 0, 0},
    {&TimsUnit::rowValueD, &TimsUnit::dispValueD, 0, 0},
}};

// Beacon mode moves the first twelve (values C and D stay) and reveals the first thirteen.
inline constexpr std::size_t kBeaconShiftedFields = 12;
inline constexpr std::size_t kBeaconRevealedFields = 13;

// Copies display row `row` from its source in the first `fieldCount` vectors.
inline void copyRowToDisplay(TimsUnit& unit, std::size_t row, std::size_t fieldCount) {
  if (row >= static_cast<std::size_t>(kRows)) return;
  for (std::size_t f = 0; f < fieldCount && f < kRowFields.size(); ++f) {
    (unit.*kRowFields[f].display)[row] = (unit.*kRowFields[f].source)[row];
  }
}

}  // namespace tims
