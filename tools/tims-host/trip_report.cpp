#include "tims-host/trip_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "tims-host/monitor_view.h"
#include "tims-host/scenario.h"

namespace tims::host {
namespace {

const char* roleText(RowRole role) {
  switch (role) {
    case RowRole::Origin:
      return "start";
    case RowRole::Stop:
      return "stop";
    case RowRole::Pass:
      return "pass";
    case RowRole::Hidden:
      return "hidden";
  }
  return "?";
}

std::string wholeSeconds(std::optional<int32_t> ms) {
  if (!ms) return "--:--:--";
  // Whole seconds, as the card writes its times.
  const int32_t s = static_cast<int32_t>(std::lround(*ms / 1000.0)) % (kDayMs / 1000);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
  return text;
}

// Seconds late (negative: early), the short way round the clock.
std::string lateness(std::optional<int32_t> actual, std::optional<int32_t> planned) {
  if (!actual || !planned) return ".";
  int32_t diff = clockAhead(*actual, *planned);
  if (diff > kDayMs / 2) diff -= kDayMs;
  const long seconds = std::lround(diff / 1000.0);
  return (seconds > 0 ? "+" : "") + std::to_string(seconds);
}

std::string stationShown(std::optional<int32_t> id, const TripReport& report) {
  if (!id) return "n/a";  // the layout has no such field
  if (*id == 0) return "-";
  for (const RowOutcome& r : report.rows) {
    if (r.row.stationId == *id) return rowLabel(r.row);
  }
  return std::to_string(*id);
}

// One row of the table, without trailing spaces; notes the sound slots it names.
std::string rowLine(const RowOutcome& r, const TripReport& report, std::vector<int>& slotsHeard) {
  std::string line =
      padded(std::to_string(r.row.index), 5) + padded(rowLabel(r.row), 14) +
      padded(roleText(r.row.role), 7) +
      padded(wholeSeconds(r.row.plannedArrivalMs) + " " + wholeSeconds(r.row.plannedDepartureMs),
             19);
  if (!r.reached) return line + "not reached";
  line += padded(wholeSeconds(r.arrivedMs) + " " + wholeSeconds(r.departedMs), 19);
  if (r.row.role == RowRole::Pass || r.row.role == RowRole::Hidden) {
    // A pass has one time; the card gives it as departure, or else as arrival.
    const auto planned =
        r.row.plannedDepartureMs ? r.row.plannedDepartureMs : r.row.plannedArrivalMs;
    line += padded(lateness(r.arrivedMs, planned), 11);
  } else {
    line += padded(lateness(r.arrivedMs, r.row.plannedArrivalMs) + " " +
                       lateness(r.departedMs, r.row.plannedDepartureMs),
                   11);
  }
  std::string sounds;
  for (int slot : r.sounds) {
    sounds += (sounds.empty() ? "" : " ") + std::to_string(slot);
    if (std::find(slotsHeard.begin(), slotsHeard.end(), slot) == slotsHeard.end()) {
      slotsHeard.push_back(slot);
    }
  }
  line += padded(sounds.empty() ? "-" : sounds, 16);
  // The first station is not arrived at.
  if (r.row.role != RowRole::Origin) {
    line +=
        padded(stationShown(r.nextStopShown, report), 12) + stationShown(r.terminalShown, report);
  }
  return line.substr(0, line.find_last_not_of(' ') + 1);
}

}  // namespace

void printTripReport(std::ostream& out, const std::string& title, const TripReport& report) {
  out << "==== trip report: " << title << " ====\n"
      << padded("row", 5) << padded("station", 14) << padded("", 7) << padded("planned", 19)
      << padded("actual", 19) << padded("late s", 11) << padded("sounds", 16)
      << padded("next stop", 12) << "terminal (shown on arrival)\n";
  std::vector<int> slotsHeard;
  for (const RowOutcome& r : report.rows) out << rowLine(r, report, slotsHeard) << "\n";
  std::sort(slotsHeard.begin(), slotsHeard.end());
  if (!slotsHeard.empty()) {
    out << "sounds started from the previous row until the list moved on:";
    for (int slot : slotsHeard) out << "\n  " << slot << " " << soundName(slot);
    out << "\n";
  }
  char totals[160];
  std::snprintf(totals, sizeof totals, "%.2f km in %s from the first departure to the last arrival",
                report.distanceM / 1000.0, wholeSeconds(report.runningMs).c_str());
  out << "totals: " << totals << ", " << report.frames << " frames\n"
      << "        sound values the host rejects " << report.rejectedSoundValues
      << ", EB alarms answered " << report.ebAlarms << ", EB applications " << report.ebApplied
      << "\n"
      << "checks: " << report.checksPassed << " passed, " << report.failures.size() << " failed\n";
  for (const DriveFailure& f : report.failures) {
    out << "  FAILED " << (f.row < 0 ? std::string("set-up") : "card row " + std::to_string(f.row))
        << ", " << formatTimeOfDay(f.timeMs) << ": " << f.message << "\n";
  }
}

}  // namespace tims::host
