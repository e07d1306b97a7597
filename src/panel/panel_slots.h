// The panel slot table: for each of the four layouts, which slot shows what, in writing order.
// The panel writer, docs/panel-slots.md and the host harness's monitor view all read this table;
// change a slot here and nowhere else.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "panel/panel_sources.h"

namespace tims {

enum class SlotTransform : uint8_t {
  AsIs,
  DivideBy5,  // seconds: 0..59 show as 0..11 and the no-time 60 as 12
};

// Where a run's slot number comes from: fixed in the table, or a setting of the meters.
enum class SlotFrom : uint8_t { Fixed, LvMeterIndex, HvMeterIndex };

// `count` slots firstSlot, firstSlot + slotStep, ... showing entries firstIndex, firstIndex + 1,
// ... of one source (a single value has count 1 and firstIndex 0).
struct PanelSlotRun {
  int32_t firstSlot;
  int32_t slotStep;
  int32_t count;
  const PanelSource* source;
  int32_t firstIndex;
  SlotTransform transform;
  std::string_view description;
  SlotFrom slotFrom = SlotFrom::Fixed;
};

enum class GroupShownWhen : uint8_t { Always, MeterDisplayEnabled, CarDisplayEnabled };

struct PanelSlotGroup {
  std::string_view title;
  GroupShownWhen shownWhen;
  std::span<const PanelSlotRun> runs;
  // The unit's panel83Set is recorded from the host's slot 83 just before this group is written.
  bool recordsSlot83First = false;
};

struct PanelLayout {
  std::string_view name;
  bool legacy;
  bool dispType;
  std::span<const PanelSlotGroup* const> groups;  // in writing order; a later write stands
};

namespace panel_slots {

constexpr PanelSlotRun one(int32_t slot, const PanelSource& source, std::string_view description,
                           SlotTransform transform = SlotTransform::AsIs) {
  return {slot, 1, 1, &source, 0, transform, description};
}
constexpr PanelSlotRun entry(int32_t slot, const PanelSource& source, int32_t index,
                             std::string_view description,
                             SlotTransform transform = SlotTransform::AsIs) {
  return {slot, 1, 1, &source, index, transform, description};
}
// Slots first, first + step, ... for entries firstIndex .. firstIndex + count - 1.
constexpr PanelSlotRun run(int32_t first, int32_t step, int32_t count, const PanelSource& source,
                           int32_t firstIndex, std::string_view description,
                           SlotTransform transform = SlotTransform::AsIs) {
  return {first, step, count, &source, firstIndex, transform, description};
}
constexpr PanelSlotRun fromSetting(SlotFrom from, const PanelSource& source,
                                   std::string_view description) {
  return {0, 0, 1, &source, 0, SlotTransform::AsIs, description, from};
}
inline constexpr SlotTransform kDiv5 = SlotTransform::DivideBy5;

// Step 1: meters. The indexed voltages come first so that the fixed slots win a clash, and the
// line voltage after the control voltage so that it wins when both settings name one slot.
inline constexpr PanelSlotRun kMeters[] = {
    fromSetting(SlotFrom::LvMeterIndex, kLvMeterValue, "control-voltage meter"),
    fromSetting(SlotFrom::HvMeterIndex, kHvMeterValue, "line-voltage meter"),
    one(228, kSampledBrakeNotch, "brake notch readout"),
    one(229, kStandingBlink, "standing without brake pressure warning"),
    one(230, kMeterSpeed, "speed meter"),
    one(235, kBcBar1, "brake cylinder pressure bar 1"),
    one(236, kBcBar2, "brake cylinder pressure bar 2"),
    one(237, kBcBar3, "brake cylinder pressure bar 3"),
    one(238, kBcBar4, "brake cylinder pressure bar 4"),
    one(240, kMrBar1, "main reservoir pressure bar 1"),
    one(241, kMrBar2, "main reservoir pressure bar 2"),
    one(231, kSpeedDigitHundreds, "speed readout, hundreds digit"),
    one(232, kSpeedDigitTens, "speed readout, tens digit"),
    one(233, kSpeedDigitOnes, "speed readout, ones digit"),
};

// Step 2: aid and status lamps and the clock, in every layout.
inline constexpr PanelSlotRun kAidLamps[] = {
    one(90, kConstantSpeedLamp, "constant-speed lamp; blinks in low-speed mode"),
    one(91, kHoldBrakeActive, "hold-brake lamp"),
    entry(248, kZoneIndicator, 3, "announcement point of kind 2 active"),
    one(81, kZoneKinds1And2, "announcement points of kinds 1 and 2, blinking"),
};
inline constexpr PanelSlotRun kClockAndStatus[] = {
    one(10, kClockHours, "clock hours"),
    one(11, kClockMinutes, "clock minutes"),
    one(12, kClockSeconds, "clock seconds"),
    one(40, kEbAlarmLamp, "EB alarm lamp"),
    one(114, kServiceDataLamp, "service data lamp: IC card or train-number beacon received"),
    entry(198, kZoneIndicator, 0, "announcement point of kind 0, blinking"),
};

// Step 3, standard layout.
inline constexpr PanelSlotRun kStandardCars[] = {
    run(20, 1, kCars, kCarState, 0, "cars 1 to 8: 0 idle, 1 powering, 2 regenerative braking"),
};
inline constexpr PanelSlotRun kStandardLinePosition[] = {
    one(98, kLineKilometres, "line position, whole kilometres"),
    one(99, kLineHundredMetres, "line position, hundreds of metres"),
};
inline constexpr PanelSlotRun kStandardTrainNumber[] = {
    run(100, 1, kCodes, kTrainNumberDigits, 0, "train number: kind, four digits, suffix"),
    run(116, 1, kCodes, kCardCodes, 0, "IC card codes"),
    entry(122, kCardTime, 0, "IC card first time, hour"),
    entry(123, kCardTime, 1, "IC card first time, minute"),
    entry(124, kCardTime, 2, "IC card first time, second", kDiv5),
    entry(125, kCardTime, 3, "IC card second time, hour"),
    entry(126, kCardTime, 4, "IC card second time, minute"),
    entry(127, kCardTime, 5, "IC card second time, second", kDiv5),
    one(128, kSectionCode, "section code"),
    one(129, kBeaconKind10Flag, "train-number beacon kind 10 flag"),
};
inline constexpr PanelSlotRun kStandardRowsType0[] = {
    one(106, kDepartedStationId, "departed station"),
    one(107, kTerminalStationId, "terminal station"),
    one(110, kCardLabelValue, "IC card label"),
    one(111, kTerminalArrHour, "terminal arrival hour"),
    one(112, kTerminalArrMinute, "terminal arrival minute"),
    one(113, kTerminalArrSecond, "terminal arrival second", kDiv5),
    one(115, kTerminalTrack, "terminal track"),
    run(130, 1, 5, kDispStationId, 0, "station, rows 1 to 5"),
    one(135, kAfterListStationId, "station after the list"),
    run(136, 1, 4, kDispValueC, 0, "value C, rows 1 to 4"),
    run(140, 3, 5, kDispArrHour, 0, "arrival hour, rows 1 to 5"),
    run(141, 3, 5, kDispArrMinute, 0, "arrival minute, rows 1 to 5"),
    run(142, 3, 5, kDispArrSecond, 0, "arrival second, rows 1 to 5", kDiv5),
    one(155, kAfterListDepHour, "station after the list, departure hour"),
    one(156, kAfterListDepMinute, "station after the list, departure minute"),
    one(157, kAfterListDepSecond, "station after the list, departure second", kDiv5),
    // The departure hours of rows 1 to 5 (slots 160 + 3k) are not shown in this layout.
    run(161, 3, 5, kDispDepMinute, 0, "departure minute, rows 1 to 5"),
    run(162, 3, 5, kDispDepSecond, 0, "departure second, rows 1 to 5", kDiv5),
    one(176, kAfterListDepMinute, "station after the list, departure minute"),
    one(177, kAfterListDepSecond, "station after the list, departure second", kDiv5),
    one(178, kCardValue0, "IC card value 0"),
    one(179, kCardValue1, "IC card value 1"),
    one(180, kDepartedTrack, "departed station track"),
    one(181, kDepartedDepHour, "departed station departure hour"),
    one(182, kDepartedDepMinute, "departed station departure minute"),
    one(183, kDepartedDepSecond, "departed station departure second", kDiv5),
    entry(184, kDispDepHour, 6, "departure hour, row 7"),
    entry(185, kDispDepMinute, 6, "departure minute, row 7"),
    entry(186, kDispDepSecond, 6, "departure second, row 7", kDiv5),
    run(190, 1, 5, kDispTrack, 0, "track, rows 1 to 5"),
    one(195, kAfterListTrack, "station after the list, track"),
    one(199, kRoutePosition, "route position"),
};
inline constexpr PanelSlotRun kStandardRowsType1[] = {
    one(110, kNextStopNumber, "next stop; offset by NextStopType or blank while it blinks"),
    one(111, kNextStopArrHour, "next stop arrival hour"),
    one(112, kNextStopArrMinute, "next stop arrival minute"),
    one(113, kNextStopArrSecond, "next stop arrival second", kDiv5),
    one(115, kNextStopTrack, "next stop track"),
    one(178, kNextStopTrack, "next stop track (second display)"),
    run(130, 1, 5, kDispStationId, 0, "station, rows 1 to 5"),
    one(135, kNextStopDepHour, "next stop departure hour"),
    one(136, kNextStopDepMinute, "next stop departure minute"),
    one(137, kNextStopDepSecond, "next stop departure second", kDiv5),
    one(138, kNextStopValue0, "next stop value 0"),
    one(139, kNextStopValue1, "next stop value 1"),
    run(140, 3, 6, kDispArrHour, 0, "arrival hour, rows 1 to 6"),
    run(141, 3, 6, kDispArrMinute, 0, "arrival minute, rows 1 to 6"),
    run(142, 3, 6, kDispArrSecond, 0, "arrival second, rows 1 to 6", kDiv5),
    run(160, 3, 6, kDispDepHour, 0, "departure hour, rows 1 to 6"),
    run(161, 3, 6, kDispDepMinute, 0, "departure minute, rows 1 to 6"),
    run(162, 3, 6, kDispDepSecond, 0, "departure second, rows 1 to 6", kDiv5),
    run(180, 2, 5, kDispRunMinutes, 0, "running time minutes, rows 1 to 5"),
    run(181, 2, 5, kDispRunSeconds, 0, "running time seconds, rows 1 to 5", kDiv5),
    run(190, 1, 6, kDispTrack, 0, "track, rows 1 to 6"),
    run(200, 2, 5, kDispValueA, 0, "value A, rows 1 to 5"),
    run(201, 2, 5, kDispValueB, 0, "value B, rows 1 to 5"),
};
inline constexpr PanelSlotRun kStandardValueD[] = {
    run(242, 1, 5, kDispValueD, 0, "value D, rows 1 to 5"),
};

// Step 3, legacy layout.
inline constexpr PanelSlotRun kLegacyTrainNumber[] = {
    one(100, kBeaconKind10Flag, "train-number beacon kind 10 flag"),
    run(101, 1, 5, kTrainNumberDigits, 1, "train number: four digits, suffix (no kind)"),
    one(106, kDepartedStationId, "departed station"),
    one(107, kTerminalStationId, "terminal station"),
    one(205, kBeaconKind11Value, "beacon kind 11 value"),
};
inline constexpr PanelSlotRun kLegacyRowsType1[] = {
    one(110, kNextStopNumber, "next stop; offset by NextStopType or blank while it blinks"),
    one(111, kNextStopArrHour, "next stop arrival hour"),
    one(112, kNextStopArrMinute, "next stop arrival minute"),
    one(113, kNextStopArrSecond, "next stop arrival second", kDiv5),
    one(115, kNextStopTrack, "next stop track"),
    one(116, kNextStopStationId, "next stop station"),
    run(130, 1, 5, kDispStationId, 0, "station, rows 1 to 5"),
    run(140, 3, 5, kDispArrHour, 0, "arrival hour, rows 1 to 5"),
    run(141, 3, 5, kDispArrMinute, 0, "arrival minute, rows 1 to 5"),
    run(142, 3, 5, kDispArrSecond, 0, "arrival second, rows 1 to 5", kDiv5),
    run(160, 3, 5, kDispDepHour, 0, "departure hour, rows 1 to 5"),
    run(161, 3, 5, kDispDepMinute, 0, "departure minute, rows 1 to 5"),
    run(162, 3, 5, kDispDepSecond, 0, "departure second, rows 1 to 5", kDiv5),
    run(180, 2, 5, kDispRunMinutes, 0, "running time minutes, rows 1 to 5"),
    run(181, 2, 5, kDispRunSeconds, 0, "running time seconds, rows 1 to 5", kDiv5),
    run(190, 1, 5, kDispTrack, 0, "track, rows 1 to 5"),
    one(199, kRoutePosition, "route position"),
    // Slot 205 ends as value B of row 3, over the beacon kind 11 value.
    run(200, 2, 3, kDispValueA, 0, "value A, rows 1 to 3"),
    run(201, 2, 3, kDispValueB, 0, "value B, rows 1 to 3"),
};
inline constexpr PanelSlotRun kLegacyRowsType0[] = {
    run(130, 1, 6, kDispStationId, 0, "station, rows 1 to 6"),
    run(140, 3, 6, kDispArrHour, 0, "arrival hour, rows 1 to 6"),
    run(141, 3, 6, kDispArrMinute, 0, "arrival minute, rows 1 to 6"),
    run(142, 3, 6, kDispArrSecond, 0, "arrival second, rows 1 to 6", kDiv5),
    run(160, 3, 6, kDispDepHour, 0, "departure hour, rows 1 to 6"),
    run(161, 3, 6, kDispDepMinute, 0, "departure minute, rows 1 to 6"),
    run(162, 3, 6, kDispDepSecond, 0, "departure second, rows 1 to 6", kDiv5),
};
inline constexpr PanelSlotRun kLegacyStatus[] = {
    one(207, kLineKilometres, "line position, whole kilometres"),
    one(208, kLineHundredMetres, "line position, hundreds of metres"),
    run(213, 1, 4, kCarState, 0, "cars 1 to 4: 0 idle, 1 powering, 2 regenerative braking"),
    // The legacy screen has its own speed readout, shown with or without the meters.
    one(244, kSpeedDigitHundreds, "speed readout, hundreds digit"),
    one(245, kSpeedDigitTens, "speed readout, tens digit"),
    one(246, kSpeedDigitOnes, "speed readout, ones digit"),
};

// Step 4: slot 254 is the host's one-frame offset for the constant-speed lamp.
inline constexpr PanelSlotRun kClearLampOffset[] = {
    one(254, kZero, "cleared after every write"),
};

using enum GroupShownWhen;
inline constexpr PanelSlotGroup kMeterGroup{"Meters", MeterDisplayEnabled, kMeters};
inline constexpr PanelSlotGroup kAidLampGroup{"Aid lamps", Always, kAidLamps};
inline constexpr PanelSlotGroup kClockGroup{"Clock and status lamps", Always, kClockAndStatus,
                                            true};
inline constexpr PanelSlotGroup kStandardCarGroup{"Car display", CarDisplayEnabled, kStandardCars};
inline constexpr PanelSlotGroup kStandardLineGroup{"Line position", Always, kStandardLinePosition};
inline constexpr PanelSlotGroup kStandardNumberGroup{"Train number and IC card", Always,
                                                     kStandardTrainNumber};
inline constexpr PanelSlotGroup kStandardType0Group{"Timetable rows", Always, kStandardRowsType0};
inline constexpr PanelSlotGroup kStandardType1Group{"Timetable rows", Always, kStandardRowsType1};
inline constexpr PanelSlotGroup kStandardValueDGroup{"Value D", Always, kStandardValueD};
inline constexpr PanelSlotGroup kLegacyNumberGroup{"Train number and stations", Always,
                                                   kLegacyTrainNumber};
inline constexpr PanelSlotGroup kLegacyType1Group{"Timetable rows", Always, kLegacyRowsType1};
inline constexpr PanelSlotGroup kLegacyType0Group{"Timetable rows", Always, kLegacyRowsType0};
inline constexpr PanelSlotGroup kLegacyStatusGroup{"Line position, cars and speed", Always,
                                                   kLegacyStatus};
inline constexpr PanelSlotGroup kClearGroup{"End of the write", Always, kClearLampOffset};

inline constexpr const PanelSlotGroup* kStandardType0Order[] = {
    &kMeterGroup,         &kAidLampGroup,        &kClockGroup,
    &kStandardCarGroup,   &kStandardLineGroup,   &kStandardNumberGroup,
    &kStandardType0Group, &kStandardValueDGroup, &kClearGroup};
inline constexpr const PanelSlotGroup* kStandardType1Order[] = {
    &kMeterGroup,         &kAidLampGroup,        &kClockGroup,
    &kStandardCarGroup,   &kStandardLineGroup,   &kStandardNumberGroup,
    &kStandardType1Group, &kStandardValueDGroup, &kClearGroup};
inline constexpr const PanelSlotGroup* kLegacyType0Order[] = {
    &kMeterGroup,       &kAidLampGroup,      &kClockGroup, &kLegacyNumberGroup,
    &kLegacyType0Group, &kLegacyStatusGroup, &kClearGroup};
inline constexpr const PanelSlotGroup* kLegacyType1Order[] = {
    &kMeterGroup,       &kAidLampGroup,      &kClockGroup, &kLegacyNumberGroup,
    &kLegacyType1Group, &kLegacyStatusGroup, &kClearGroup};

}  // namespace panel_slots

// The four layouts, chosen by useLegacyDisp and DispType.
inline constexpr std::array<PanelLayout, 4> kPanelLayouts{{
    {"Standard layout, DispType 0", false, false, panel_slots::kStandardType0Order},
    {"Standard layout, DispType 1", false, true, panel_slots::kStandardType1Order},
    {"Legacy layout, DispType 0", true, false, panel_slots::kLegacyType0Order},
    {"Legacy layout, DispType 1", true, true, panel_slots::kLegacyType1Order},
}};

constexpr const PanelLayout& panelSlotsFor(bool legacy, bool dispType) {
  return kPanelLayouts[(legacy ? 2u : 0u) + (dispType ? 1u : 0u)];
}

// The slot that entry k of a run writes; for the meter settings this may lie outside the panel,
// which isPanelSlot() tells.
constexpr int32_t panelSlotOf(const PanelSlotRun& run, int32_t k, const PluginState& plugin) {
  switch (run.slotFrom) {
    case SlotFrom::LvMeterIndex:
      return plugin.lvMeterIndex;
    case SlotFrom::HvMeterIndex:
      return plugin.hvMeterIndex;
    case SlotFrom::Fixed:
      break;
  }
  return run.firstSlot + run.slotStep * k;
}

constexpr bool panelGroupShown(const PanelSlotGroup& group, const PluginState& plugin,
                               const TimsUnit& unit) {
  switch (group.shownWhen) {
    case GroupShownWhen::MeterDisplayEnabled:
      return plugin.enableMeterDisp;
    case GroupShownWhen::CarDisplayEnabled:
      return unit.unitDispEnable;
    case GroupShownWhen::Always:
      break;
  }
  return true;
}

constexpr int32_t applySlotTransform(int32_t value, SlotTransform transform) {
  return transform == SlotTransform::DivideBy5 ? value / 5 : value;
}

// One written slot: what the harness needs to turn a panel value back into a monitor field.
struct PanelSlotView {
  int32_t slot;
  const PanelSlotGroup* group;
  const PanelSlotRun* run;
  int32_t index;  // entry of run->source; 0 for a single value
};

// Calls visit(PanelSlotView) for every slot the writer writes with these settings, in writing
// order; a later view of the same slot supersedes an earlier one. Meter slots whose setting
// names no panel slot are skipped.
template <typename Visit>
constexpr void forEachPanelSlot(const PluginState& plugin, const TimsUnit& unit, Visit&& visit) {
  const PanelLayout& layout = panelSlotsFor(unit.useLegacyDisp, unit.dispType);
  for (const PanelSlotGroup* group : layout.groups) {
    if (!panelGroupShown(*group, plugin, unit)) continue;
    for (const PanelSlotRun& run : group->runs) {
      for (int32_t k = 0; k < run.count; ++k) {
        const int32_t slot = panelSlotOf(run, k, plugin);
        if (isPanelSlot(slot)) visit(PanelSlotView{slot, group, &run, run.firstIndex + k});
      }
    }
  }
}

namespace panel_slots {

// Every fixed slot lies in the panel and every index in its source.
constexpr bool runIsSound(const PanelSlotRun& run) {
  if (run.count < 1) return false;  // the source comes from a reference, never null
  if (run.source->entries == 0) {
    if (run.count != 1 || run.firstIndex != 0) return false;
  } else if (run.firstIndex < 0 || run.firstIndex + run.count > run.source->entries) {
    return false;
  }
  if (run.slotFrom != SlotFrom::Fixed) return run.count == 1;
  const int32_t last = run.firstSlot + run.slotStep * (run.count - 1);
  return isPanelSlot(run.firstSlot) && isPanelSlot(last);
}
constexpr bool layoutsAreSound() {
  for (const PanelLayout& layout : kPanelLayouts) {
    for (const PanelSlotGroup* group : layout.groups) {
      for (const PanelSlotRun& run : group->runs) {
        if (!runIsSound(run)) return false;
      }
    }
  }
  return true;
}
static_assert(layoutsAreSound(), "a panel slot run leaves the panel or its source");

}  // namespace panel_slots

}  // namespace tims
