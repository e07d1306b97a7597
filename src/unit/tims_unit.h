// The TIMS unit: the one object that holds the cab monitor's state in beacon mode and IC mode.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>

#include "iccard/ic_card.h"
#include "state/records.h"

namespace tims {

inline constexpr int kRows = 7;           // rows of the timetable window's vectors
inline constexpr int kCars = 8;           // cars with a motor indicator
inline constexpr int kCodes = 6;          // six-code train number
inline constexpr int kKmDigits = 4;       // line-position digits
inline constexpr int kSoundCommands = 11;
inline constexpr int kSoundItems = 14;
inline constexpr int32_t kSoundSilent = -10000;
inline constexpr int32_t kSoundSounding = 0;
inline constexpr int32_t kSoundRaise = 1;
inline constexpr int32_t kSoundNothingNew = 2;

using RowVector = std::array<int32_t, kRows>;
using CarVector = std::array<int32_t, kCars>;
using SixCodes = std::array<int32_t, kCodes>;

struct StopRecord {
  int32_t stationId, arrHour, arrMinute, arrSecond, depHour, depMinute, depSecond, value0, value1,
      track;
};
struct DepartedRecord {
  int32_t stationId, depHour, depMinute, depSecond, track;
};
struct AfterListRecord {
  int32_t stationId, arrHour, arrMinute, arrSecond, depHour, depMinute, depSecond, track;
};
struct TerminalRecord {
  int32_t stationId, arrHour, arrMinute, arrSecond, track;
};

// Empty values: station 0, every time 24:60:60, everything else 0.
inline constexpr StopRecord kEmptyStop{0, 24, 60, 60, 24, 60, 60, 0, 0, 0};
inline constexpr DepartedRecord kEmptyDeparted{0, 24, 60, 60, 0};
inline constexpr AfterListRecord kEmptyAfterList{0, 24, 60, 60, 24, 60, 60, 0};
inline constexpr TerminalRecord kEmptyTerminal{0, 24, 60, 60, 0};

struct TimsUnit {
  uint32_t rowsPassed = 0;  // rows passed since the current row without a list rebuild
  StopRecord nextStop{};
  DepartedRecord departedStop{};
  AfterListRecord afterList{};

  // Timetable rows (source).
  RowVector rowStationId{};
  RowVector rowArrHour{}, rowArrMinute{}, rowArrSecond{};
  RowVector rowDepHour{}, rowDepMinute{}, rowDepSecond{};
  RowVector rowTrack{};
  RowVector rowRunMinutes{}, rowRunSeconds{};
  RowVector rowValueA{}, rowValueB{};
  RowVector rowValueC{}, rowValueD{};

  CarVector carPowerDelay{}, carBrakeDelay{};
  std::array<bool, 4> pointLatch{};
  bool stationZone = false;
  bool kmZone = false;
  uint32_t nextRowIndex = 0;
  bool stopLatchIc = false;
  bool stopLatch = false;
  int32_t stopAnnounceKind = 0;  // 0 none, 1 stop chime, 2 pass chime
  bool nextStopSecondPart = false;
  bool enableEb = false;
  std::array<int32_t, kSoundCommands> soundCommand{kSoundSilent, kSoundSilent, kSoundSilent,
                                                   kSoundSilent, kSoundSilent, kSoundSilent,
                                                   kSoundSilent, kSoundSilent, kSoundSilent,
                                                   kSoundSilent, kSoundSilent};
  bool advanceRequest = false;
  bool stationSetByBeacon = false;
  bool icCardActive = false;
  bool beaconTrainNumberSet = false;
  bool beaconKind10Flag = false;
  bool panel83Set = false;

  // Settings.
  int32_t d01abRows = 0;  // kept within 0..7
  int32_t nextStopType = 0;
  bool useLegacyDisp = false;
  bool unitDispEnable = false;
  bool dispType = false;
  bool haltLoopVolume = false;

  std::filesystem::path specPath;
  IcCardCatalogue catalogue;

  // Read-only views of the plug-in's frame values; bindUnit() points them at a PluginState.
  const VehicleState* statePtr;
  const int32_t* frameMsPtr;
  const double* frameDistancePtr;

  uint32_t icRowIndex = 0;  // display row 0
  int32_t sectionCode = 0;
  int32_t cardValue0 = 0;
  int32_t cardValue1 = 0;
  int32_t beaconKind11Value = 0;
  StopRecord nextStopDisp{};
  DepartedRecord departedStopDisp{};
  AfterListRecord afterListDisp{};
  int32_t cardLabelValue = 0;
  TerminalRecord terminal{};
  int32_t routePosition = 0;
  int32_t routePositionBase = 0;
  SixCodes trainNumberDigits{};

  // Display copies of the timetable rows.
  RowVector dispStationId{};
  RowVector dispArrHour{}, dispArrMinute{}, dispArrSecond{};
  RowVector dispDepHour{}, dispDepMinute{}, dispDepSecond{};
  RowVector dispTrack{};
  RowVector dispRunMinutes{}, dispRunSeconds{};
  RowVector dispValueA{}, dispValueB{};
  RowVector dispValueC{}, dispValueD{};

  CarVector carState{};  // 0 idle, 1 powering, 2 regenerative braking
  CarVector carPowerTimer{}, carIdleTimer{};
  std::array<int32_t, kKmDigits> kmPostDigits{};  // 10 = blank
  SixCodes cardCodes{};
  std::array<int32_t, 6> cardTime{};
  std::array<int32_t, 4> zoneIndicator{};
  int32_t revealTimer = 0;  // ms since the last timetable rebuild
  int32_t stopBlink = 0;
  double kmPostBase = 0.0;
  double kmPostOffset = 0.0;
  double kmPostRefLocation = 0.0;
  double sectionLength = 0.0;
  double stopDistanceTotal = 0.0;
  double sectionRemaining = 0.0;
  double distanceToStop = 0.0;
  bool kmPostAscending = false;
  int32_t ebIdleTimer = 0;
  int32_t ebAlarmTimer = 0;
  bool ebArmed = false;
  bool ebApplied = false;
  bool ebHandleAtEmergency = false;
  std::array<int32_t, kSoundItems> soundOut{kSoundSilent, kSoundSilent, kSoundSilent, kSoundSilent,
                                            kSoundSilent, kSoundSilent, kSoundSilent, kSoundSilent,
                                            kSoundSilent, kSoundSilent, kSoundSilent, kSoundSilent,
                                            kSoundSilent, kSoundSilent};

  TimsUnit();
  // The unit is bound to one PluginState through its views; copying would silently share them.
  TimsUnit(const TimsUnit&) = delete;
  TimsUnit& operator=(const TimsUnit&) = delete;
};

struct PluginState;
struct SpecSettingsSink;

// Gives the unit its views of the plug-in's state, frameMs and frameDistance.
void bindUnit(TimsUnit& unit, const PluginState& plugin);

// Reads the unit's settings and returns every field to its reset value.
void resetUnit(TimsUnit& unit);

// The unit's keys of TIMS_Spec.ini (part of the reset); a sink records each read.
void readUnitSettings(TimsUnit& unit, SpecSettingsSink* sink = nullptr);

// Number of rows of the loaded card, as the unsigned count the row arithmetic uses.
inline uint32_t cardRowCount(const TimsUnit& unit) {
  return static_cast<uint32_t>(unit.catalogue.icRows.size());
}

// The card row at `index`, or nullptr past the card's end.
inline const IcRow* cardRow(const TimsUnit& unit, uint64_t index) {
  return index < unit.catalogue.icRows.size() ? &unit.catalogue.icRows[index] : nullptr;
}

}  // namespace tims
