// A plug-in state and unit with a distinct value in every field the panel shows, and a panel
// pre-filled with a value that no field holds, so that every slot tells who wrote it.
#pragma once

#include <array>
#include <cstdint>

#include "panel/panel_writer.h"

namespace tims::test {

inline constexpr int32_t kSentinel = -424242;

struct PanelFixture {
  PluginState plugin;
  TimsUnit unit;
  std::array<int32_t, kSlotCount> panel{};
  int32_t nextValue = 1000;
  int32_t nextSecond = 0;

  PanelFixture() {
    panel.fill(kSentinel);
    plugin.enableMeterDisp = true;
    plugin.lvMeterIndex = 73;
    plugin.hvMeterIndex = 75;
    for (int32_t* field :
         {&plugin.lvMeterValue, &plugin.hvMeterValue, &plugin.sampledBrakeNotch,
          &plugin.standingBlink, &plugin.meterSpeed, &plugin.speedDigitHundreds,
          &plugin.speedDigitTens, &plugin.speedDigitOnes, &plugin.bcBar1, &plugin.bcBar2,
          &plugin.bcBar3, &plugin.bcBar4, &plugin.mrBar1, &plugin.mrBar2}) {
      *field = value();
    }
    plugin.cspdActive = true;
    plugin.holdBrakeActive = true;
    plugin.state.time = 45296789;  // 12:34:56.789

    unit.unitDispEnable = true;
    unit.icCardActive = true;
    unit.beaconKind10Flag = true;
    unit.kmPostDigits = {3, 10, 7, 8};
    unit.soundOut[12] = kSoundSounding;
    fill(unit.zoneIndicator);
    fill(unit.carState);
    fill(unit.trainNumberDigits);
    fill(unit.cardCodes);
    for (int32_t& entry : unit.cardTime) entry = value();
    unit.cardTime[2] = second();
    unit.cardTime[5] = second();
    for (int32_t* field : {&unit.sectionCode, &unit.beaconKind11Value, &unit.cardLabelValue,
                           &unit.cardValue0, &unit.cardValue1, &unit.routePosition}) {
      *field = value();
    }
    auto& next = unit.nextStopDisp;
    next = {value(), value(),  value(), second(), value(),
            value(), second(), value(), value(),  value()};
    auto& departed = unit.departedStopDisp;
    departed = {value(), value(), value(), second(), value()};
    auto& after = unit.afterListDisp;
    after = {value(), value(), value(), second(), value(), value(), second(), value()};
    auto& terminal = unit.terminal;
    terminal = {value(), value(), value(), second(), value()};
    for (RowVector* rows :
         {&unit.dispStationId, &unit.dispArrHour, &unit.dispArrMinute, &unit.dispDepHour,
          &unit.dispDepMinute, &unit.dispTrack, &unit.dispRunMinutes, &unit.dispValueA,
          &unit.dispValueB, &unit.dispValueC, &unit.dispValueD}) {
      fill(*rows);
    }
    for (RowVector* rows : {&unit.dispArrSecond, &unit.dispDepSecond, &unit.dispRunSeconds}) {
      for (int32_t& entry : *rows) entry = second();
    }
  }

  int32_t value() { return nextValue++; }
  // Fields shown divided by 5: a remainder of 3 checks the truncation, and the shown values
  // (50000 upwards) stay apart from the plain ones.
  int32_t second() { return 5 * (50000 + nextSecond++) + 3; }
  template <typename Array>
  void fill(Array& array) {
    for (auto& entry : array) entry = value();
  }

  void write() { writePanel(plugin, unit, panel.data()); }
  int32_t operator[](int slot) const { return panel[static_cast<std::size_t>(slot)]; }
};

}  // namespace tims::test
