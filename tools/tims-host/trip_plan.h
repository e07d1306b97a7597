// What a drive makes of one IC card: where each timetable row's station lies, which rows the
// train stops at, and the planned times.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "iccard/ic_card.h"
#include "tims-host/scenario.h"

namespace tims::host {

enum class RowRole {
  Origin,  // row 0: the train starts there
  Stop,    // stops, doors open (the last row always: the trip ends there)
  Pass,    // the card marks it as not stopping
  Hidden,  // hidden from the window; the monitor does not announce it
};

struct TripRow {
  int index = 0;  // card row
  int32_t stationId = 0;
  std::string name;  // UTF-8
  RowRole role = RowRole::Stop;
  // Metres from the origin: the sum of the section lengths of the rows before. None when one of
  // them has no section length; then `missingSectionRow` is the first such row.
  std::optional<double> location;
  int missingSectionRow = -1;
  std::optional<int32_t> plannedArrivalMs;  // time of day; none when the card gives no time
  std::optional<int32_t> plannedDepartureMs;
  int32_t announceKind = 0;  // 1 stop chime, 2 pass chime on the approach
};

struct TripPlan {
  std::string trainName;  // UTF-8, as the card writes it
  std::vector<TripRow> rows;
};

// Builds the plan from a card as the card reader filled it.
TripPlan planTrip(const IcCardCatalogue& card);

// How long after `earlier` the clock next shows `later` (0 .. a day less 1 ms).
constexpr int32_t clockAhead(int32_t later, int32_t earlier) {
  return ((later - earlier) % kDayMs + kDayMs) % kDayMs;
}

// A card time (HHMMSS) as milliseconds of the day; none for the card's "no time" values and for
// times whose minutes or seconds are out of range. Hours from 24 on are the next day's.
std::optional<int32_t> cardTimeMs(int32_t hhmmss);

// The time at which the clock starts by default: a minute before the first planned departure
// (else arrival), else 10:00:00.
int32_t defaultStartTime(const TripPlan& plan);

// "1 東京" for reports and messages.
std::string rowLabel(const TripRow& row);

}  // namespace tims::host
