// Times of day travel in beacons and card files as one integer HHMMSS.
#pragma once

#include <cstdint>

namespace tims {

struct ClockTime {
  int32_t hour;
  int32_t minute;
  int32_t second;
};

// 24:60:60 is the unit's "no time"; 246060 is the card's.
inline constexpr int32_t kNoTimeHhmmss = 246060;
inline constexpr ClockTime kNoClockTime{24, 60, 60};

// Truncating division, so negative values give negative pieces.
constexpr ClockTime splitHhmmss(int32_t t) { return {t / 10000, (t / 100) % 100, t % 100}; }

}  // namespace tims
