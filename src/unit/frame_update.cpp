#include "unit/frame_update.h"

#include <algorithm>
#include <cstdint>

#include "common/numeric.h"
#include "unit/frame_steps.h"
#include "unit/row_fields.h"
#include "unit/station_progress.h"

namespace tims {
namespace {

// Doors that open closer than this to a station count as a stop there.
constexpr double kStopWindowM = 400.0;

// IC mode: arrival at display row 1 (distance run out, or doors opened close to it).
void runIcArrival(TimsUnit& unit) {
  if (!(unit.distanceToStop < 0 || unit.advanceRequest)) return;
  // The last row has nowhere to go.
  if (int64_t{cardRowCount(unit)} - int64_t{unit.icRowIndex} <= 1) return;
  if (unit.distanceToStop < kStopWindowM) {
    unit.revealTimer = 0;
    unit.sectionRemaining = 1000000.0;
    unit.sectionLength = 1000000.0;
    // Rows passed since the last rebuild count too; 64-bit and capped, so that a count grown
    // past the card's end starts beyond it instead of wrapping onto an early row.
    const uint64_t start = uint64_t{unit.icRowIndex} + unit.rowsPassed + 1;
    updateStationList(unit, static_cast<uint32_t>(std::min<uint64_t>(start, UINT32_MAX)));
  } else if (unit.stopDistanceTotal - unit.distanceToStop < kStopWindowM) {
    // Doors opened still at the current station: the section starts again.
    unit.sectionRemaining = unit.sectionLength;
    unit.distanceToStop = unit.stopDistanceTotal;
  }
}

// The marker steps through the section's thirds after the first 50 m.
void moveRouteMarker(TimsUnit& unit) {
  const double third = unit.sectionLength / 3;
  if (unit.sectionLength - unit.distanceToStop > 50.0) {
    unit.routePosition = wrappingAdd(unit.routePositionBase, 1);
  }
  if (2 * third > unit.distanceToStop) unit.routePosition = wrappingAdd(unit.routePositionBase, 2);
  if (third > unit.distanceToStop) unit.routePosition = wrappingAdd(unit.routePositionBase, 3);
}

void runIcMode(TimsUnit& unit) {
  runLinePositionStep(unit);
  runIcArrival(unit);
  revealRows(unit, unit.revealTimer);
  runAnnouncementPoints(unit);
  runLinePositionZones(unit);
  moveRouteMarker(unit);
  runApproachAnnouncement(unit, unit.stopLatchIc, unit.stopLatch);
}

void runBeaconMode(TimsUnit& unit) {
  runLinePositionStep(unit);
  // One flag for both: the screen blinks until the list shift clears it.
  runApproachAnnouncement(unit, unit.stopLatch, unit.stopLatch);
  if (unit.distanceToStop < 0 || (unit.advanceRequest && unit.distanceToStop < kStopWindowM)) {
    shiftBeaconList(unit);
  }
  const int64_t rows = std::clamp<int64_t>(unit.d01abRows, 0, kRows);
  for (int64_t i = 0; i < rows; ++i) {
    if (unit.revealTimer > 400 + 100 * i) {
      copyRowToDisplay(unit, static_cast<std::size_t>(i), kBeaconRevealedFields);
    }
  }
}

// The frame's commands go out once; 2 then means "nothing new" until something raises again.
void handOverSounds(TimsUnit& unit) {
  unit.soundOut[0] = unit.soundCommand[kCmdStopChime];
  // Commands 1 to 9 go to items 2 to 10: item 1 is the halt loop.
  for (std::size_t c = 1; c <= 9; ++c) unit.soundOut[c + 1] = unit.soundCommand[c];
  unit.soundOut[13] = unit.soundCommand[kCmdSectionCode];
  unit.soundCommand.fill(kSoundNothingNew);
  unit.advanceRequest = false;
}

}  // namespace

void updateUnitFrame(TimsUnit& unit) {
  unit.revealTimer = saturatingAdd(unit.revealTimer, *unit.frameMsPtr);
  runEbDevice(unit);
  if (unit.icCardActive) {
    runIcMode(unit);
  } else if (unit.beaconTrainNumberSet) {
    runBeaconMode(unit);
  }
  runCarIndicators(unit);
  handOverSounds(unit);
}

}  // namespace tims
