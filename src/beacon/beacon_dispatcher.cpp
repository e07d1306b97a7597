#include "beacon/beacon_dispatcher.h"

#include <algorithm>
#include <array>
#include <optional>

#include "common/hhmmss.h"
#include "unit/card_insert.h"
#include "unit/station_progress.h"

namespace tims {
namespace {

// Route-data entry codes.
enum RouteCode : int {
  kTrainNumber = 0,
  kRowArrival = 5,
  kRowDeparture = 6,
  kRowTrack = 7,
  kRowValue = 8,
  kRowRunTime = 9,
  kKind10Flag = 10,
  kKind11Value = 11,
};

// A NaN speed is not a standstill.
bool atStandstill(const TimsUnit& unit) {
  return unit.statePtr->speed == 0.0f;
}

// The table slot of a 1-based row number; rows the 7-row tables do not have (0, negative, above
// 7) have no slot, and the beacon is ignored.
std::optional<size_t> rowSlot(int32_t row) {
  if (row < 1 || row > kRows) return std::nullopt;
  return static_cast<size_t>(row - 1);
}

void setRowArrival(TimsUnit& unit, size_t slot, int32_t hhmmss) {
  const ClockTime time = splitHhmmss(hhmmss);
  unit.rowArrHour[slot] = time.hour;
  unit.rowArrMinute[slot] = time.minute;
  unit.rowArrSecond[slot] = time.second;
}

void setRowDeparture(TimsUnit& unit, size_t slot, int32_t hhmmss) {
  const ClockTime time = splitHhmmss(hhmmss);
  unit.rowDepHour[slot] = time.hour;
  unit.rowDepMinute[slot] = time.minute;
  unit.rowDepSecond[slot] = time.second;
}

// Types 8 and 100: the sign tells a pass (negative) from a stop.
void announceStop(TimsUnit& unit, int32_t, int32_t d) {
  unit.stopAnnounceKind = d < 0 ? 2 : 1;
  // 64-bit so that the magnitude of the most negative value exists.
  const int64_t magnitude = d < 0 ? -static_cast<int64_t>(d) : d;
  unit.distanceToStop = static_cast<double>(magnitude % 10000);
}

void setStopDistance(TimsUnit& unit, int32_t, int32_t d) {
  unit.stopAnnounceKind = 0;
  unit.distanceToStop = d % 10000;
}

// Type 102 comes in pairs: station numbers first, then the arrival time.
void setNextStopPart(TimsUnit& unit, int32_t, int32_t d) {
  if (!unit.nextStopSecondPart) {
    unit.nextStop.stationId = d % 100;
    if (atStandstill(unit)) unit.nextStopDisp.stationId = d / 100;
    unit.nextStopSecondPart = true;
  } else {
    const ClockTime time = splitHhmmss(d);
    unit.nextStop.arrHour = time.hour;
    unit.nextStop.arrMinute = time.minute;
    unit.nextStop.arrSecond = time.second;
    unit.nextStopSecondPart = false;
  }
}

void setRowStationPacked(TimsUnit& unit, int32_t, int32_t d) {
  if (const auto slot = rowSlot(d / 100)) unit.rowStationId[*slot] = d % 100;
}

void setRowArrivalPacked(TimsUnit& unit, int32_t, int32_t d) {
  if (const auto slot = rowSlot(d / 1000000)) setRowArrival(unit, *slot, d % 1000000);
}

void setRowDeparturePacked(TimsUnit& unit, int32_t, int32_t d) {
  applyRouteData(unit, kRowDeparture, d % 1000000, d / 1000000);
}

void setRowTrackAndValuePacked(TimsUnit& unit, int32_t, int32_t d) {
  applyRouteData(unit, kRowTrack, (d / 100) % 100, d / 10000);
  applyRouteData(unit, kRowValue, d % 100, d / 10000);
}

void setRowRunTimePacked(TimsUnit& unit, int32_t, int32_t d) {
  applyRouteData(unit, kRowRunTime, d % 10000, d / 10000);
}

void setKind10Flag(TimsUnit& unit, int32_t, int32_t d) {
  applyRouteData(unit, kKind10Flag, d, 0);
}

void setTrainNumber(TimsUnit& unit, int32_t, int32_t d) {
  applyRouteData(unit, kTrainNumber, d, 0);
}

// The line position restarts here: d carries the kilometre post in tens of metres, and values
// above 10000 mean that it falls with travel.
void setKmPost(TimsUnit& unit, int32_t, int32_t d) {
  unit.kmPostAscending = d <= 10000;
  unit.kmPostBase = d % 10000;
  unit.kmPostRefLocation = unit.statePtr->location;
}

void setKmPostOffset(TimsUnit& unit, int32_t, int32_t d) {
  unit.kmPostOffset = d;
}

void setKind11Value(TimsUnit& unit, int32_t, int32_t d) {
  applyRouteData(unit, kKind11Value, d, 0);
}

void setRowStation(TimsUnit& unit, int32_t type, int32_t d) {
  unit.rowStationId[type - 120] = d;
}

void setRowArrivalOfType(TimsUnit& unit, int32_t type, int32_t d) {
  setRowArrival(unit, static_cast<size_t>(type - 130), d);
}

void setRow6Arrival(TimsUnit& unit, int32_t, int32_t d) {
  applyRouteData(unit, kRowArrival, d, 6);
}

void setRowDepartureOfType(TimsUnit& unit, int32_t type, int32_t d) {
  applyRouteData(unit, kRowDeparture, d, type - 139);
}

void setRowTrackOfType(TimsUnit& unit, int32_t type, int32_t d) {
  applyRouteData(unit, kRowTrack, d, type - 149);
}

void setRowValueOfType(TimsUnit& unit, int32_t type, int32_t d) {
  applyRouteData(unit, kRowValue, d, type - 159);
}

void setRowRunTimeOfType(TimsUnit& unit, int32_t type, int32_t d) {
  applyRouteData(unit, kRowRunTime, d, type - 169);
}

void insertCardByBeacon(TimsUnit& unit, int32_t, int32_t d) {
  insertCard(unit, d);
}

void placeOnCardRow(TimsUnit& unit, int32_t, int32_t d) {
  unit.stationSetByBeacon = true;
  selectCardRow(unit, d);
}

using enum BeaconGuard;

// Handlers that go through the route-data entry leave the IC-card test to it.
constexpr auto kBeaconTypes = std::to_array<BeaconTypeRange>({
    {8, 8, kMovingAndIcCard, "distance to the stop, sign: pass", announceStop},
    {100, 100, kMovingAndIcCard, "distance to the stop, sign: pass", announceStop},
    {101, 101, kIcCard, "distance to the stop, no chime", setStopDistance},
    {102, 102, kIcCard, "next stop: station numbers, then arrival", setNextStopPart},
    {105, 105, kIcCard, "row station: row*100 + station", setRowStationPacked},
    {106, 106, kIcCard, "row arrival: row*1000000 + HHMMSS", setRowArrivalPacked},
    {107, 107, kIcCardInEntry, "row departure: row*1000000 + HHMMSS", setRowDeparturePacked},
    {108, 108, kIcCardInEntry, "row track and value: row*10000 + track*100 + value",
     setRowTrackAndValuePacked},
    {109, 109, kIcCardInEntry, "row running time: row*10000 + MMSS", setRowRunTimePacked},
    {110, 110, kIcCardInEntry, "flag of kind 10", setKind10Flag},
    {111, 111, kIcCardInEntry, "train number", setTrainNumber},
    {113, 113, kIcCard, "kilometre post in tens of metres, above 10000 descending", setKmPost},
    {114, 114, kIcCard, "kilometre post offset in metres", setKmPostOffset},
    {119, 119, kNone, "value of kind 11", setKind11Value},
    {120, 125, kIcCard, "station of rows 1 to 6", setRowStation},
    {130, 134, kIcCard, "arrival of rows 1 to 5", setRowArrivalOfType},
    {135, 135, kIcCardInEntry, "arrival of row 6", setRow6Arrival},
    {140, 144, kIcCardInEntry, "departure of rows 1 to 5", setRowDepartureOfType},
    {145, 145, kIcCardInEntry, "departure of row 6", setRowDepartureOfType},
    {150, 155, kIcCardInEntry, "track of rows 1 to 6", setRowTrackOfType},
    {160, 165, kIcCardInEntry, "value of rows 1 to 6", setRowValueOfType},
    {170, 175, kIcCardInEntry, "running time of rows 1 to 6", setRowRunTimeOfType},
    {1000, 1000, kNone, "insert an IC card", insertCardByBeacon},
    {1001, 1001, kStandstill, "place the train on an IC card row", placeOnCardRow},
});

bool guardAllows(const TimsUnit& unit, BeaconGuard guard) {
  switch (guard) {
    case kNone:
    case kIcCardInEntry:
      return true;
    case kIcCard:
      return !unit.icCardActive;
    case kMovingAndIcCard:
      return !atStandstill(unit) && !unit.icCardActive;
    case kStandstill:
      return atStandstill(unit);
  }
  return false;
}

}  // namespace

std::span<const BeaconTypeRange> beaconTypeTable() {
  return kBeaconTypes;
}

void dispatchBeacon(TimsUnit& unit, const BeaconData& beacon) {
  const auto range = std::find_if(kBeaconTypes.begin(), kBeaconTypes.end(), [&](const auto& row) {
    return row.first <= beacon.type && beacon.type <= row.last;
  });
  if (range == kBeaconTypes.end() || !guardAllows(unit, range->guard)) return;
  range->handle(unit, beacon.type, beacon.data);
}

void applyRouteData(TimsUnit& unit, int code, int32_t value, int32_t index) {
  if (code == kKind11Value) {
    unit.beaconKind11Value = value;  // also taken while an IC card is in force
    return;
  }
  if (unit.icCardActive) return;

  const auto slot = rowSlot(index);
  switch (code) {
    case kTrainNumber:
      // Digits PP·SS·NNNN: prefix code, suffix code, four number digits.
      unit.trainNumberDigits = {value / 1000000,   (value / 1000) % 10, (value / 100) % 10,
                                (value / 10) % 10, value % 10,          (value / 10000) % 100};
      unit.beaconTrainNumberSet = true;
      break;
    case kRowArrival:
      if (slot) setRowArrival(unit, *slot, value);
      break;
    case kRowDeparture:
      if (slot) setRowDeparture(unit, *slot, value);
      break;
    case kRowTrack:
      if (slot) unit.rowTrack[*slot] = value;
      break;
    case kRowValue:
      // Rows 1 to 6 are the A and B values of display rows 1 to 3 in turn.
      if (index >= 1 && index <= 6) {
        auto& values = index % 2 == 1 ? unit.rowValueA : unit.rowValueB;
        values[static_cast<size_t>((index - 1) / 2)] = value / 5;
      }
      break;
    case kRowRunTime:
      if (slot) {
        unit.rowRunMinutes[*slot] = value / 100;
        unit.rowRunSeconds[*slot] = value % 100;
      }
      break;
    case kKind10Flag:
      unit.beaconKind10Flag = value != 0;
      break;
    default:
      break;  // codes 1 to 4 are carried by no beacon
  }
}

void selectCardRow(TimsUnit& unit, int32_t data) {
  if (unit.icCardActive) {
    // Read unsigned, so a negative value selects the end of the card.
    unit.icRowIndex = std::min(static_cast<uint32_t>(data), cardRowCount(unit));
  }
  updateStationList(unit, unit.icRowIndex);
}

}  // namespace tims
