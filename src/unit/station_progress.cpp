#include "unit/station_progress.h"

#include <algorithm>
#include <cstdint>

#include "common/hhmmss.h"
#include "common/numeric.h"
#include "unit/frame_steps.h"
#include "unit/row_fields.h"

namespace tims {
namespace {

// Distances once the current row is the last one: far enough that nothing arrives.
constexpr double kNoNextStationDistance = 1000000.0;

// A next-stop display cleared for a new station: its departure reads 0:00:00 until revealed.
constexpr StopRecord kChangedNextStopDisp{0, 24, 60, 60, 0, 0, 0, 0, 0, 0};

// Rows from `start` to the card's end; none when `start` lies beyond it.
int64_t rowsLeftFrom(const TimsUnit& unit, uint64_t start) {
  const uint64_t n = cardRowCount(unit);
  return start < n ? static_cast<int64_t>(n - start) : 0;
}

// 246060 is the card's "no time"; hour 25 marks a time that is not part of the timetable.
bool isRealTime(int32_t t) {
  const int64_t pastHour25 = int64_t{t} - 250000;
  return t != kNoTimeHhmmss && !(pastHour25 >= 0 && pastHour25 <= 9999);
}

// 4 x the window rows left empty by the end of the timetable: the marker's row while the window
// stands still.
int32_t routeMarkerBase(const TimsUnit& unit) {
  const int64_t w = unit.d01abRows;
  const int64_t emptyRows = w - int64_t{cardRowCount(unit)} + int64_t{unit.icRowIndex};
  return static_cast<int32_t>(
      std::clamp<int64_t>(4 * std::min(w, std::max<int64_t>(0, emptyRows)), INT32_MIN, INT32_MAX));
}

// Rows from `from` on that are not hidden, counted up to `limit`.
int64_t visibleRowsFrom(const TimsUnit& unit, uint64_t from, int64_t limit) {
  int64_t count = 0;
  const auto& rows = unit.catalogue.icRows;
  for (uint64_t r = from; r < rows.size() && count < limit; ++r) {
    if (!rows[r].hidden) ++count;
  }
  return count;
}

void clearDisplayRows(TimsUnit& unit) {
  for (const RowField& field : kRowFields) (unit.*field.display).fill(field.empty);
}

// The after-list station is the first one with a minute to show; 70 is a shown minute too.
bool takeAfterList(TimsUnit& unit, const IcRow& row) {
  const ClockTime arr = splitHhmmss(row.arrivalTime);
  const ClockTime dep = splitHhmmss(row.departureTime);
  const bool qualifies = arr.minute < 60 || dep.minute < 60 || arr.minute == 70 || dep.minute == 70;
  if (!qualifies) return false;
  if (row.stationId != unit.afterList.stationId) unit.afterListDisp = kEmptyAfterList;
  unit.afterList = {row.stationId, arr.hour,   arr.minute, arr.second,
                    dep.hour,      dep.minute, dep.second, row.track};
  return true;
}

void takeNextStop(TimsUnit& unit, const IcRow& row) {
  if (row.stationId != unit.nextStop.stationId) unit.nextStopDisp = kChangedNextStopDisp;
  const ClockTime arr = splitHhmmss(row.arrivalTime);
  const ClockTime dep = splitHhmmss(row.departureTime);
  unit.nextStop = {row.stationId, arr.hour,   arr.minute,       arr.second,       dep.hour,
                   dep.minute,    dep.second, row.valueList[0], row.valueList[1], row.track};
}

void fillWindowRow(TimsUnit& unit, std::size_t k, const IcRow& row) {
  const ClockTime arr = splitHhmmss(row.arrivalTime);
  const ClockTime dep = splitHhmmss(row.departureTime);
  const int32_t run = row.runSeconds;
  unit.rowStationId[k] = row.stationId;
  unit.rowArrHour[k] = arr.hour;
  unit.rowArrMinute[k] = arr.minute;
  unit.rowArrSecond[k] = arr.second;
  unit.rowDepHour[k] = dep.hour;
  unit.rowDepMinute[k] = dep.minute;
  unit.rowDepSecond[k] = dep.second;
  unit.rowTrack[k] = row.track;
  // 255 in both: no running time.
  unit.rowRunMinutes[k] = run < 0 ? 255 : run / 60;
  unit.rowRunSeconds[k] = run < 0 ? 255 : run % 60;
  unit.rowValueA[k] = row.valueList[0];
  unit.rowValueB[k] = row.valueList[1];
  unit.rowValueC[k] = row.valueC;
  unit.rowValueD[k] = row.valueD;
}

// One pass over the rows from `start`: the after-list and next-stop searches and the window's
// seven rows. Hidden rows take no part.
void walkRows(TimsUnit& unit, uint64_t start) {
  const auto& rows = unit.catalogue.icRows;
  // The after-list search starts W rows on, counted over hidden rows too.
  const uint64_t afterListFrom = start + static_cast<uint64_t>(std::max(unit.d01abRows, 0));
  bool afterListFound = false;
  bool nextStopFound = false;
  std::size_t k = 0;
  for (uint64_t r = start; r < rows.size(); ++r) {
    if (k >= kRows && afterListFound && nextStopFound) break;
    const IcRow& row = rows[r];
    if (row.hidden) continue;
    if (!afterListFound && r >= afterListFrom) afterListFound = takeAfterList(unit, row);
    if (!nextStopFound && r > start && row.rowKind != 1) {
      nextStopFound = true;
      takeNextStop(unit, row);
    }
    if (k >= kRows) continue;
    fillWindowRow(unit, k, row);
    if (k == 0) unit.icRowIndex = static_cast<uint32_t>(r);
    if (k == 1) {
      unit.stopAnnounceKind = row.announceKind;
      unit.nextRowIndex = static_cast<uint32_t>(r);
      unit.stopLatch = row.rowKind != 1;
    }
    ++k;
  }
}

// The last station before `start` that has a timetable time, shown while the current row has
// no arrival of its own.
void updateDepartedStop(TimsUnit& unit, uint64_t start, bool windowFrozen) {
  const bool noArrivalShown =
      unit.rowArrMinute[0] == 60 && (!windowFrozen || unit.dispArrMinute[0] == 60);
  if (!noArrivalShown) {
    unit.departedStop = kEmptyDeparted;
    return;
  }
  const auto& rows = unit.catalogue.icRows;
  for (uint64_t r = std::min<uint64_t>(start, rows.size()); r-- > 0;) {
    const IcRow& row = rows[r];
    if (!isRealTime(row.arrivalTime) && !isRealTime(row.departureTime)) continue;
    const ClockTime dep = splitHhmmss(row.departureTime);
    unit.departedStop = {row.stationId, dep.hour, dep.minute, dep.second, row.track};
    return;
  }
}

// Metres from row `start` to row `end`; `end` may be stale, so only existing rows count.
double sectionSum(const TimsUnit& unit, uint64_t start, uint64_t end) {
  const auto& rows = unit.catalogue.icRows;
  double metres = 0.0;
  for (uint64_t r = start; r < end && r < rows.size(); ++r) metres += rows[r].sectionKm * 1000.0;
  return metres;
}

// The section of the current row: its length, section code, line position and direction.
void takeCurrentRow(TimsUnit& unit) {
  unit.rowsPassed = 0;
  const IcRow* row = cardRow(unit, unit.icRowIndex);
  if (row != nullptr) {
    unit.sectionLength = row->sectionKm * 1000.0;
    unit.sectionRemaining = unit.sectionLength;
    // Negative section codes are not taken over.
    if (row->sectionCode >= 0) {
      if (row->sectionCode != unit.sectionCode) unit.soundCommand[kCmdSectionCode] = kSoundRaise;
      unit.sectionCode = row->sectionCode;
    }
  }
  unit.stopDistanceTotal = unit.distanceToStop;
  if (row != nullptr) {
    unit.kmPostBase = row->kmPost * 1000.0;
    unit.kmPostAscending = row->kmAscending;
  }
}

void endOfTimetable(TimsUnit& unit) {
  unit.sectionRemaining = kNoNextStationDistance;
  unit.distanceToStop = kNoNextStationDistance;
  unit.sectionLength = kNoNextStationDistance;
  unit.stopDistanceTotal = kNoNextStationDistance;
  unit.nextStopDisp = kEmptyStop;
  // The departure time of the old next stop stays.
  unit.nextStop.stationId = 0;
  unit.nextStop.arrHour = 24;
  unit.nextStop.arrMinute = 60;
  unit.nextStop.arrSecond = 60;
  unit.nextStop.value0 = 0;
  unit.nextStop.value1 = 0;
  unit.nextStop.track = 0;
}

}  // namespace

void updateStationList(TimsUnit& unit, uint32_t startRow) {
  if (!unit.icCardActive) return;
  const int64_t w = unit.d01abRows;
  const int64_t rowsLeft = rowsLeftFrom(unit, startRow);
  // With DispType clear a timetable that ends inside the window keeps the window standing.
  const bool freezeWindow = !unit.dispType && rowsLeft < w;
  // The start row lies among the card's last W rows, or beyond its end.
  const bool startInLastRows = rowsLeft <= w;

  if (!freezeWindow) clearDisplayRows(unit);
  unit.stopLatchIc = false;
  unit.stopLatch = false;
  walkRows(unit, startRow);
  // A start row past the card's end names no row: the current row and the records stay.
  if (!unit.dispType && rowsLeft >= 1 && startInLastRows) {
    unit.icRowIndex = startRow;
    unit.terminal = kEmptyTerminal;
    unit.afterList = kEmptyAfterList;
  }
  updateDepartedStop(unit, startRow, startInLastRows);
  if (unit.departedStopDisp.stationId != unit.departedStop.stationId) {
    unit.departedStopDisp = kEmptyDeparted;
  }
  unit.distanceToStop = sectionSum(unit, startRow, unit.nextRowIndex);
  unit.routePositionBase = routeMarkerBase(unit);
  if (unit.stationSetByBeacon) {
    // A train placed by beacon sees the whole window at once.
    unit.revealTimer = 2000;
    revealRows(unit, 2000);
  } else {
    unit.revealTimer = 0;
    // A marker in the last third of the old section moves on to the station itself.
    if (unit.routePosition % 4 == 3) unit.routePosition = wrappingAdd(unit.routePosition, 1);
  }
  takeCurrentRow(unit);
  if (uint64_t{unit.icRowIndex} + 1 >= cardRowCount(unit)) endOfTimetable(unit);
  unit.stationSetByBeacon = false;
}

void revealRows(TimsUnit& unit, int32_t elapsedMs) {
  if (elapsedMs > 200) {
    unit.nextStopDisp = unit.nextStop;
    unit.departedStopDisp = unit.departedStop;
    unit.afterListDisp = unit.afterList;
    unit.routePositionBase = routeMarkerBase(unit);
    unit.routePosition = unit.routePositionBase;
  }
  const int64_t w = unit.d01abRows;
  int64_t rowsToReveal = 0;
  if (unit.dispType) {
    rowsToReveal = std::min(w, visibleRowsFrom(unit, unit.icRowIndex, w));
  } else if (rowsLeftFrom(unit, unit.icRowIndex) >= w) {
    rowsToReveal = w;  // otherwise the window stands still and keeps what it shows
  }
  rowsToReveal = std::clamp<int64_t>(rowsToReveal, 0, kRows);
  // Row i shows 400 + 100 x i ms after the rebuild.
  for (int64_t i = 0; i < rowsToReveal; ++i) {
    if (elapsedMs > 400 + 100 * i) {
      copyRowToDisplay(unit, static_cast<std::size_t>(i), kRowFields.size());
    }
  }
}

void shiftBeaconList(TimsUnit& unit) {
  for (std::size_t f = 0; f < kBeaconShiftedFields; ++f) {
    const RowField& field = kRowFields[f];
    RowVector& rows = unit.*field.source;
    std::rotate(rows.begin(), rows.begin() + 1, rows.end());
    rows.back() = field.beaconTail;
    (unit.*field.display).fill(field.beaconTail);
  }
  unit.nextStopDisp = unit.nextStop;
  unit.revealTimer = 0;
  unit.stopLatchIc = false;
  unit.stopLatch = false;
  // Far enough that the next stop waits for its beacon.
  unit.sectionRemaining = 100000.0;
  unit.distanceToStop = 100000.0;
  unit.routePosition = 50;
}

}  // namespace tims
