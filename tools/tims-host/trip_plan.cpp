#include "tims-host/trip_plan.h"

#include <cmath>

#include "common/hhmmss.h"
#include "platform/code_page.h"

namespace tims::host {
namespace {

constexpr int32_t kStandardStart = 10 * 3600000;
constexpr int32_t kLeadTimeMs = 60000;

std::string textOrEmpty(const std::string& cardText) {
  return cardText == "NULL" ? std::string() : platform::utf8FromShiftJis(cardText);
}

}  // namespace

std::optional<int32_t> cardTimeMs(int32_t hhmmss) {
  // 25xxxx, like 246060, is a marker rather than a time.
  if (hhmmss < 0 || hhmmss == kNoTimeHhmmss || (hhmmss >= 250000 && hhmmss <= 259999)) {
    return std::nullopt;
  }
  const ClockTime t = splitHhmmss(hhmmss);
  if (t.minute >= 60 || t.second >= 60) return std::nullopt;
  return static_cast<int32_t>((int64_t{t.hour} * 3600000 + t.minute * 60000 + t.second * 1000) %
                              kDayMs);
}

TripPlan planTrip(const IcCardCatalogue& card) {
  TripPlan plan;
  plan.trainName = textOrEmpty(card.trainNumberText);
  const auto& rows = card.icRows;
  // The trip ends at the last row the window shows; hidden rows after it are never reached.
  std::size_t end = rows.size();
  while (end > 1 && rows[end - 1].hidden) --end;
  double location = 0.0;
  int missing = -1;
  for (std::size_t i = 0; i < end; ++i) {
    const IcRow& row = rows[i];
    TripRow trip;
    trip.index = static_cast<int>(i);
    trip.stationId = row.stationId;
    trip.name = textOrEmpty(row.stationName);
    trip.role = i == 0                            ? RowRole::Origin
                : row.hidden && i + 1 < end       ? RowRole::Hidden
                : row.rowKind == 1 && i + 1 < end ? RowRole::Pass
                                                  : RowRole::Stop;
    if (missing < 0) trip.location = location;
    trip.missingSectionRow = missing;
    trip.plannedArrivalMs = cardTimeMs(row.arrivalTime);
    trip.plannedDepartureMs = cardTimeMs(row.departureTime);
    trip.announceKind = row.announceKind;
    plan.rows.push_back(std::move(trip));
    // A negative length is the reader's "none"; a length that is no number is no better.
    if (missing < 0 && (row.sectionKm < 0.0 || !std::isfinite(row.sectionKm))) {
      missing = static_cast<int>(i);
    }
    location += row.sectionKm * 1000.0;
  }
  return plan;
}

int32_t defaultStartTime(const TripPlan& plan) {
  for (bool departures : {true, false}) {
    for (const TripRow& row : plan.rows) {
      const auto t = departures ? row.plannedDepartureMs : row.plannedArrivalMs;
      if (t) return clockAhead(*t, kLeadTimeMs);
    }
  }
  return kStandardStart;
}

std::string rowLabel(const TripRow& row) {
  std::string label = std::to_string(row.stationId);
  if (!row.name.empty()) label += " " + row.name;
  return label;
}

}  // namespace tims::host
