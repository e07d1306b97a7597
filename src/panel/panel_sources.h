// What a panel slot can show: every field or derived value, with the stable name under which the
// slot table, the generated documentation and the host harness's monitor view refer to it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/numeric.h"
#include "state/plugin_state.h"
#include "unit/tims_unit.h"

namespace tims {

// What the writer reads from. `panel` is the panel as written so far in this frame: slot 254 is
// read after the meters may have written it, and slot 83 belongs to the host.
struct PanelInputs {
  const PluginState& plugin;
  const TimsUnit& unit;
  const int32_t* panel;
};

using PanelReader = int32_t (*)(const PanelInputs& in, int32_t index);

struct PanelSource {
  std::string_view name;  // stable: "unit.dispArrHour", "clock.hours"
  int32_t entries;        // entries an index may address; 0 for a single value
  PanelReader read;
};

namespace panel_read {

template <auto Field>
constexpr int32_t plugin(const PanelInputs& in, int32_t) {
  return static_cast<int32_t>(in.plugin.*Field);
}
template <auto Field>
constexpr int32_t unit(const PanelInputs& in, int32_t) {
  return static_cast<int32_t>(in.unit.*Field);
}
// The index is checked against PanelSource::entries when the tables are compiled.
template <auto Field>
constexpr int32_t unitEntry(const PanelInputs& in, int32_t index) {
  return (in.unit.*Field)[static_cast<std::size_t>(index)];
}
template <auto Record, auto Field>
constexpr int32_t unitRecord(const PanelInputs& in, int32_t) {
  return (in.unit.*Record).*Field;
}

constexpr int32_t clockMs(const PanelInputs& in) {
  // 86400000 is what a run starts with before its first frame; it shows as midnight.
  return in.plugin.state.time % 86400000;
}

constexpr bool hasServiceData(const TimsUnit& unit) {
  return unit.icCardActive || unit.beaconTrainNumberSet;
}

}  // namespace panel_read

// Meters, from the meter simulation.
inline constexpr PanelSource kLvMeterValue{"lvMeterValue", 0,
                                           panel_read::plugin<&PluginState::lvMeterValue>};
inline constexpr PanelSource kHvMeterValue{"hvMeterValue", 0,
                                           panel_read::plugin<&PluginState::hvMeterValue>};
inline constexpr PanelSource kSampledBrakeNotch{
    "sampledBrakeNotch", 0, panel_read::plugin<&PluginState::sampledBrakeNotch>};
inline constexpr PanelSource kStandingBlink{"standingBlink", 0,
                                            panel_read::plugin<&PluginState::standingBlink>};
inline constexpr PanelSource kMeterSpeed{"meterSpeed", 0,
                                         panel_read::plugin<&PluginState::meterSpeed>};
inline constexpr PanelSource kBcBar1{"bcBar1", 0, panel_read::plugin<&PluginState::bcBar1>};
inline constexpr PanelSource kBcBar2{"bcBar2", 0, panel_read::plugin<&PluginState::bcBar2>};
inline constexpr PanelSource kBcBar3{"bcBar3", 0, panel_read::plugin<&PluginState::bcBar3>};
inline constexpr PanelSource kBcBar4{"bcBar4", 0, panel_read::plugin<&PluginState::bcBar4>};
inline constexpr PanelSource kMrBar1{"mrBar1", 0, panel_read::plugin<&PluginState::mrBar1>};
inline constexpr PanelSource kMrBar2{"mrBar2", 0, panel_read::plugin<&PluginState::mrBar2>};
inline constexpr PanelSource kSpeedDigitHundreds{
    "speedDigitHundreds", 0, panel_read::plugin<&PluginState::speedDigitHundreds>};
inline constexpr PanelSource kSpeedDigitTens{"speedDigitTens", 0,
                                             panel_read::plugin<&PluginState::speedDigitTens>};
inline constexpr PanelSource kSpeedDigitOnes{"speedDigitOnes", 0,
                                             panel_read::plugin<&PluginState::speedDigitOnes>};

// Lamps and the clock.
inline constexpr PanelSource kConstantSpeedLamp{
    "lamp.constantSpeed", 0, [](const PanelInputs& in, int32_t) -> int32_t {
      // The lamp value is one more than whatever the host left in slot 254; the writer clears
      // that slot every frame, so it is 1 unless the host put a value there in between.
      const int32_t lit = wrappingAdd(in.panel[254], 1);
      if (in.plugin.cspdActive) return lit;
      // Low-speed mode blinks: on in the second half of each second.
      if (in.plugin.cspdLowActive) return in.plugin.state.time % 1000 > 500 ? lit : 0;
      return 0;
    }};
inline constexpr PanelSource kHoldBrakeActive{"holdBrakeActive", 0,
                                              panel_read::plugin<&PluginState::holdBrakeActive>};
inline constexpr PanelSource kZoneIndicator{"unit.zoneIndicator", 4,
                                            panel_read::unitEntry<&TimsUnit::zoneIndicator>};
inline constexpr PanelSource kZoneKinds1And2{
    "unit.zoneIndicator[1]+[2]", 0, [](const PanelInputs& in, int32_t) {
      return wrappingAdd(in.unit.zoneIndicator[1], in.unit.zoneIndicator[2]);
    }};
inline constexpr PanelSource kClockHours{"clock.hours", 0, [](const PanelInputs& in, int32_t) {
                                           return panel_read::clockMs(in) / 3600000;
                                         }};
inline constexpr PanelSource kClockMinutes{"clock.minutes", 0, [](const PanelInputs& in, int32_t) {
                                             return panel_read::clockMs(in) / 60000 % 60;
                                           }};
inline constexpr PanelSource kClockSeconds{"clock.seconds", 0, [](const PanelInputs& in, int32_t) {
                                             return panel_read::clockMs(in) / 1000 % 60;
                                           }};
inline constexpr PanelSource kEbAlarmLamp{"lamp.ebAlarm", 0,
                                          [](const PanelInputs& in, int32_t) -> int32_t {
                                            return in.unit.soundOut[12] == kSoundSounding ? 1 : 0;
                                          }};
inline constexpr PanelSource kServiceDataLamp{"lamp.serviceData", 0,
                                              [](const PanelInputs& in, int32_t) -> int32_t {
                                                return panel_read::hasServiceData(in.unit) ? 1 : 0;
                                              }};
inline constexpr PanelSource kZero{"zero", 0, [](const PanelInputs&, int32_t) { return 0; }};

// Line position and cars.
inline constexpr PanelSource kLineKilometres{
    "linePosition.kilometres", 0, [](const PanelInputs& in, int32_t) -> int32_t {
      // 300.10 is what the monitor shows before it knows the line.
      if (!panel_read::hasServiceData(in.unit)) return 300;
      const auto& k = in.unit.kmPostDigits;
      // The leading digits use 10 for a blank, which % 10 turns into 0.
      return wrappingAdd(100 * (k[0] % 10) + 10 * (k[1] % 10), k[2]);
    }};
inline constexpr PanelSource kLineHundredMetres{
    "linePosition.hundredMetres", 0, [](const PanelInputs& in, int32_t) -> int32_t {
      return panel_read::hasServiceData(in.unit) ? in.unit.kmPostDigits[3] : 10;
    }};
inline constexpr PanelSource kCarState{"unit.carState", kCars,
                                       panel_read::unitEntry<&TimsUnit::carState>};

// Train number and IC card values.
inline constexpr PanelSource kTrainNumberDigits{
    "unit.trainNumberDigits", kCodes, panel_read::unitEntry<&TimsUnit::trainNumberDigits>};
inline constexpr PanelSource kCardCodes{"unit.cardCodes", kCodes,
                                        panel_read::unitEntry<&TimsUnit::cardCodes>};
inline constexpr PanelSource kCardTime{"unit.cardTime", 6,
                                       panel_read::unitEntry<&TimsUnit::cardTime>};
inline constexpr PanelSource kSectionCode{"unit.sectionCode", 0,
                                          panel_read::unit<&TimsUnit::sectionCode>};
inline constexpr PanelSource kBeaconKind10Flag{"unit.beaconKind10Flag", 0,
                                               panel_read::unit<&TimsUnit::beaconKind10Flag>};
inline constexpr PanelSource kBeaconKind11Value{"unit.beaconKind11Value", 0,
                                                panel_read::unit<&TimsUnit::beaconKind11Value>};
inline constexpr PanelSource kCardLabelValue{"unit.cardLabelValue", 0,
                                             panel_read::unit<&TimsUnit::cardLabelValue>};
inline constexpr PanelSource kCardValue0{"unit.cardValue0", 0,
                                         panel_read::unit<&TimsUnit::cardValue0>};
inline constexpr PanelSource kCardValue1{"unit.cardValue1", 0,
                                         panel_read::unit<&TimsUnit::cardValue1>};
inline constexpr PanelSource kRoutePosition{"unit.routePosition", 0,
                                            panel_read::unit<&TimsUnit::routePosition>};

// Single stations.
inline constexpr PanelSource kNextStopNumber{
    "nextStop.number", 0, [](const PanelInputs& in, int32_t) -> int32_t {
      const TimsUnit& u = in.unit;
      if (u.stopBlink != 1) return u.nextStopDisp.stationId;
      // While the stop announcement blinks, NextStopType 0 blanks the number and any other
      // value offsets it into a second range of station images.
      return u.nextStopType == 0 ? 0 : wrappingAdd(u.nextStopType, u.nextStopDisp.stationId);
    }};

#define TIMS_PANEL_RECORD_SOURCE(constant, record, Record, field)                            \
  inline constexpr PanelSource constant {                                                    \
    "unit." #record "." #field, 0, panel_read::unitRecord<&TimsUnit::record, &Record::field> \
  }
TIMS_PANEL_RECORD_SOURCE(kNextStopArrHour, nextStopDisp, StopRecord, arrHour);
TIMS_PANEL_RECORD_SOURCE(kNextStopArrMinute, nextStopDisp, StopRecord, arrMinute);
TIMS_PANEL_RECORD_SOURCE(kNextStopArrSecond, nextStopDisp, StopRecord, arrSecond);
TIMS_PANEL_RECORD_SOURCE(kNextStopDepHour, nextStopDisp, StopRecord, depHour);
TIMS_PANEL_RECORD_SOURCE(kNextStopDepMinute, nextStopDisp, StopRecord, depMinute);
TIMS_PANEL_RECORD_SOURCE(kNextStopDepSecond, nextStopDisp, StopRecord, depSecond);
TIMS_PANEL_RECORD_SOURCE(kNextStopStationId, nextStopDisp, StopRecord, stationId);
TIMS_PANEL_RECORD_SOURCE(kNextStopTrack, nextStopDisp, StopRecord, track);
TIMS_PANEL_RECORD_SOURCE(kNextStopValue0, nextStopDisp, StopRecord, value0);
TIMS_PANEL_RECORD_SOURCE(kNextStopValue1, nextStopDisp, StopRecord, value1);
TIMS_PANEL_RECORD_SOURCE(kDepartedStationId, departedStopDisp, DepartedRecord, stationId);
TIMS_PANEL_RECORD_SOURCE(kDepartedDepHour, departedStopDisp, DepartedRecord, depHour);
TIMS_PANEL_RECORD_SOURCE(kDepartedDepMinute, departedStopDisp, DepartedRecord, depMinute);
TIMS_PANEL_RECORD_SOURCE(kDepartedDepSecond, departedStopDisp, DepartedRecord, depSecond);
TIMS_PANEL_RECORD_SOURCE(kDepartedTrack, departedStopDisp, DepartedRecord, track);
TIMS_PANEL_RECORD_SOURCE(kAfterListStationId, afterListDisp, AfterListRecord, stationId);
TIMS_PANEL_RECORD_SOURCE(kAfterListDepHour, afterListDisp, AfterListRecord, depHour);
TIMS_PANEL_RECORD_SOURCE(kAfterListDepMinute, afterListDisp, AfterListRecord, depMinute);
TIMS_PANEL_RECORD_SOURCE(kAfterListDepSecond, afterListDisp, AfterListRecord, depSecond);
TIMS_PANEL_RECORD_SOURCE(kAfterListTrack, afterListDisp, AfterListRecord, track);
TIMS_PANEL_RECORD_SOURCE(kTerminalStationId, terminal, TerminalRecord, stationId);
TIMS_PANEL_RECORD_SOURCE(kTerminalArrHour, terminal, TerminalRecord, arrHour);
TIMS_PANEL_RECORD_SOURCE(kTerminalArrMinute, terminal, TerminalRecord, arrMinute);
TIMS_PANEL_RECORD_SOURCE(kTerminalArrSecond, terminal, TerminalRecord, arrSecond);
TIMS_PANEL_RECORD_SOURCE(kTerminalTrack, terminal, TerminalRecord, track);
#undef TIMS_PANEL_RECORD_SOURCE

// Timetable rows: entry k is display row k + 1.
#define TIMS_PANEL_ROW_SOURCE(constant, field)                     \
  inline constexpr PanelSource constant {                          \
    "unit." #field, kRows, panel_read::unitEntry<&TimsUnit::field> \
  }
TIMS_PANEL_ROW_SOURCE(kDispStationId, dispStationId);
TIMS_PANEL_ROW_SOURCE(kDispArrHour, dispArrHour);
TIMS_PANEL_ROW_SOURCE(kDispArrMinute, dispArrMinute);
TIMS_PANEL_ROW_SOURCE(kDispArrSecond, dispArrSecond);
TIMS_PANEL_ROW_SOURCE(kDispDepHour, dispDepHour);
TIMS_PANEL_ROW_SOURCE(kDispDepMinute, dispDepMinute);
TIMS_PANEL_ROW_SOURCE(kDispDepSecond, dispDepSecond);
TIMS_PANEL_ROW_SOURCE(kDispTrack, dispTrack);
TIMS_PANEL_ROW_SOURCE(kDispRunMinutes, dispRunMinutes);
TIMS_PANEL_ROW_SOURCE(kDispRunSeconds, dispRunSeconds);
TIMS_PANEL_ROW_SOURCE(kDispValueA, dispValueA);
TIMS_PANEL_ROW_SOURCE(kDispValueB, dispValueB);
TIMS_PANEL_ROW_SOURCE(kDispValueC, dispValueC);
TIMS_PANEL_ROW_SOURCE(kDispValueD, dispValueD);
#undef TIMS_PANEL_ROW_SOURCE

}  // namespace tims
