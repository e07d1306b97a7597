#include "unit/tims_unit.h"

#include <algorithm>

#include "iccard/card_reader.h"
#include "settings/spec_keys.h"
#include "state/plugin_state.h"

namespace tims {

static_assert(kMaxWindowRows == kRows);

namespace {

// Views for a unit that has not been bound yet, so that no call order reads through null.
const VehicleState kNoVehicleState{};
const int32_t kNoFrameMs = 0;
const double kNoFrameDistance = 0.0;

}  // namespace

void readUnitSettings(TimsUnit& unit, SpecSettingsSink* sink) {
  using namespace spec_keys;
  const auto& file = unit.specPath;
  auto read = [&](const SpecKey& key) { return readSpecKey(file, key, sink); };
  // The row vectors hold 7 rows; a wider window would index outside them.
  unit.d01abRows = std::clamp(read(kD01ABnum), 0, kMaxWindowRows);
  unit.dispType = read(kDispType) != 0;
  unit.unitDispEnable = read(kUnitDispEnable) != 0;
  unit.useLegacyDisp = read(kUseLegacyDisp) != 0;
  unit.nextStopType = read(kNextStopType);
  unit.haltLoopVolume = read(kHaltLoopVolume) != 0;
  unit.enableEb = read(kEnableEB) != 0;
}

TimsUnit::TimsUnit()
    : statePtr(&kNoVehicleState), frameMsPtr(&kNoFrameMs), frameDistancePtr(&kNoFrameDistance) {}

void bindUnit(TimsUnit& unit, const PluginState& plugin) {
  unit.statePtr = &plugin.state;
  unit.frameMsPtr = &plugin.frameMs;
  unit.frameDistancePtr = &plugin.frameDistance;
}

void resetUnit(TimsUnit& unit) {
  resetCard(unit.catalogue);

  unit.rowsPassed = 0;
  unit.advanceRequest = false;
  unit.stationSetByBeacon = false;
  unit.icCardActive = false;
  unit.beaconKind10Flag = false;
  unit.panel83Set = false;

  readUnitSettings(unit);

  unit.icRowIndex = 0;
  unit.sectionCode = 0;
  unit.cardValue0 = 0;
  unit.cardValue1 = 0;
  unit.beaconKind11Value = 0;

  unit.nextStop = kEmptyStop;
  unit.nextStopDisp = kEmptyStop;
  unit.departedStop = kEmptyDeparted;
  unit.departedStopDisp = kEmptyDeparted;
  unit.afterList = kEmptyAfterList;
  unit.afterListDisp = kEmptyAfterList;
  unit.terminal = kEmptyTerminal;
  unit.cardLabelValue = 0;

  // 60 lies beyond every marker position a rebuild produces.
  unit.routePosition = 60;
  unit.routePositionBase = 60;

  unit.trainNumberDigits.fill(50);
  unit.cardCodes.fill(50);
  for (RowVector* rows : {&unit.rowStationId, &unit.rowTrack, &unit.rowValueA, &unit.rowValueB,
                          &unit.rowValueD, &unit.dispStationId, &unit.dispTrack, &unit.dispValueA,
                          &unit.dispValueB, &unit.dispValueD}) {
    rows->fill(0);
  }
  for (RowVector* rows : {&unit.rowArrHour, &unit.rowDepHour, &unit.dispArrHour, &unit.dispDepHour}) {
    rows->fill(24);
  }
  for (RowVector* rows :
       {&unit.rowArrMinute, &unit.rowArrSecond, &unit.rowDepMinute, &unit.rowDepSecond,
        &unit.rowRunMinutes, &unit.rowRunSeconds, &unit.dispArrMinute, &unit.dispArrSecond,
        &unit.dispDepMinute, &unit.dispDepSecond, &unit.dispRunMinutes, &unit.dispRunSeconds}) {
    rows->fill(60);
  }
  unit.rowValueC.fill(20);
  unit.dispValueC.fill(20);
  for (CarVector* cars : {&unit.carState, &unit.carPowerTimer, &unit.carIdleTimer,
                          &unit.carPowerDelay, &unit.carBrakeDelay}) {
    cars->fill(0);
  }
  unit.kmPostDigits.fill(0);

  unit.cardTime = {24, 60, 60, 24, 60, 60};
  unit.zoneIndicator.fill(0);
  unit.revealTimer = 0;
  unit.stopBlink = 0;

  unit.pointLatch.fill(false);
  unit.stationZone = false;
  unit.kmZone = false;
  unit.kmPostBase = 0.0;
  unit.kmPostOffset = 0.0;
  unit.kmPostRefLocation = 0.0;
  unit.sectionLength = 0.0;
  unit.stopDistanceTotal = 0.0;
  unit.sectionRemaining = 0.0;
  unit.distanceToStop = 0.0;
  unit.kmPostAscending = true;

  unit.stopLatchIc = false;
  unit.stopLatch = false;
  unit.stopAnnounceKind = 0;
  unit.nextStopSecondPart = false;
  unit.beaconTrainNumberSet = false;

  unit.ebIdleTimer = 0;
  unit.ebAlarmTimer = 0;
  unit.ebArmed = false;
  unit.ebApplied = false;
  unit.ebHandleAtEmergency = false;

  unit.soundCommand.fill(kSoundSilent);
  unit.soundOut.fill(kSoundSilent);
}

}  // namespace tims
