// The steps of the unit's frame update, each in its own small file; updateUnitFrame() runs them
// in order.
#pragma once

#include <array>
#include <cstdint>

#include "unit/tims_unit.h"

namespace tims {

// Sound commands (index into unit.soundCommand).
inline constexpr int kCmdStopChime = 0;
inline constexpr int kCmdPassChime = 1;
inline constexpr int kCmdPointKind0 = 4;
inline constexpr int kCmdPointKind1 = 5;
inline constexpr int kCmdPointKind2Or3 = 6;
inline constexpr int kCmdPointKind2Last100m = 7;
inline constexpr int kCmdStationZone = 8;
inline constexpr int kCmdKmZone = 9;
inline constexpr int kCmdSectionCode = 10;

// Sound values (index into unit.soundOut) that are not plain command copies.
inline constexpr int kOutHaltLoop = 1;
inline constexpr int kOutEbAlarm = 12;

// The EB vigilance device: counts while the train runs without a driver operation, sounds the
// alarm after 60 s and applies the emergency brake 5 s later.
void runEbDevice(TimsUnit& unit);

// Moves the line position and the distances by the frame's distance, takes over a timetable row
// passed without a stop, and writes the line-position digits.
void runLinePositionStep(TimsUnit& unit);

// Line-position digits (hundreds of km, tens of km, km, hundreds of metres; 10 = blank) of a
// position in metres. Negative and NaN positions read as 0.
std::array<int32_t, kKmDigits> kmPostDigitsFor(double metres);

// IC mode: the card's announcement points and line-position zones of the current section.
void runAnnouncementPoints(TimsUnit& unit);
void runLinePositionZones(TimsUnit& unit);

// The approach chime of the next station. `latch` keeps the announcement going once given;
// `blink` lets the screen blink meanwhile. Both may name the same flag.
void runApproachAnnouncement(TimsUnit& unit, bool& latch, const bool& blink);

// The per-car motor indicators, with the runtime's generator seeded from the time of day.
void runCarIndicators(TimsUnit& unit);

}  // namespace tims
