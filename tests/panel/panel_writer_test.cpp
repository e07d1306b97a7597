// The panel writer's computed slots, each rule's edge cases against a plain write, and the
// generated docs against the slot table. Which field each slot shows in each layout is checked
// end to end by the layout scenarios.
#include "panel/panel_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "panel/panel_slot_doc.h"

namespace tims {
namespace {

constexpr int32_t kSentinel = -424242;  // no field holds it: a slot that shows it was not written
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
using Slots = std::map<int, int32_t>;

// A distinct value in every field the panel shows, at 12:34:56.789 with an IC card in force.
// Every value is 5n + 3 with n from 100000 up: a field shown divided by 5 shows n, which checks
// the truncation and cannot be mistaken for any field shown as is.
struct F {
  PluginState plugin;
  TimsUnit unit;
  std::array<int32_t, kSlotCount> panel{};
  int32_t n = 100000;

  int32_t v() { return 5 * n++ + 3; }
  void fill(auto&... arrays) {
    ((std::ranges::generate(arrays, [this] { return v(); })), ...);
  }
  F(bool legacy = false, bool dispType = false) {
    panel.fill(kSentinel);
    for (int32_t* field :
         {&plugin.lvMeterValue,    &plugin.hvMeterValue,   &plugin.sampledBrakeNotch,
          &plugin.standingBlink,   &plugin.meterSpeed,     &plugin.speedDigitHundreds,
          &plugin.speedDigitTens,  &plugin.speedDigitOnes, &plugin.bcBar1,
          &plugin.bcBar2,          &plugin.bcBar3,         &plugin.bcBar4,
          &plugin.mrBar1,          &plugin.mrBar2,         &unit.sectionCode,
          &unit.beaconKind11Value, &unit.cardLabelValue,   &unit.cardValue0,
          &unit.cardValue1,        &unit.routePosition}) {
      *field = v();
    }
    plugin.enableMeterDisp = plugin.cspdActive = plugin.holdBrakeActive = true;
    plugin.lvMeterIndex = 73;
    plugin.hvMeterIndex = 75;
    plugin.state.time = 45296789;
    unit.useLegacyDisp = legacy;
    unit.dispType = dispType;
    unit.unitDispEnable = unit.icCardActive = unit.beaconKind10Flag = true;
    unit.kmPostDigits = {3, 10, 7, 8};  // 307.8 km
    unit.soundOut[12] = kSoundSounding;
    fill(unit.zoneIndicator, unit.carState, unit.trainNumberDigits, unit.cardCodes, unit.cardTime);
    fill(unit.dispStationId, unit.dispArrHour, unit.dispArrMinute, unit.dispArrSecond,
         unit.dispDepHour, unit.dispDepMinute, unit.dispDepSecond, unit.dispTrack,
         unit.dispRunMinutes, unit.dispRunSeconds, unit.dispValueA, unit.dispValueB,
         unit.dispValueC, unit.dispValueD);
    unit.nextStopDisp = {v(), v(), v(), v(), v(), v(), v(), v(), v(), v()};
    unit.departedStopDisp = {v(), v(), v(), v(), v()};
    unit.afterListDisp = {v(), v(), v(), v(), v(), v(), v(), v()};
    unit.terminal = {v(), v(), v(), v(), v()};
  }
  void write() { writePanel(plugin, unit, panel.data()); }
  int32_t operator[](int slot) const { return panel[static_cast<std::size_t>(slot)]; }
};

// docs/panel-slots.md is the vehicle authors' copy of the slot table; it must not drift from it.
TEST(PanelSlotDoc, MatchesTheSlotTable) {
  const char* const path = TIMS_SOURCE_DIR "/docs/panel-slots.md";
  const std::string generated = panelSlotDocument();
  if (const char* update = std::getenv("TIMS_UPDATE_DOCS"); update && update == std::string("1")) {
    std::ofstream(path, std::ios::binary) << generated;
  }
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_EQ(text.str(), generated) << path << " is missing or differs from the slot table; run "
                                   << "with TIMS_UPDATE_DOCS=1 to regenerate it";
}

// Shorthands for the edge cases.
void lamp(F& f, bool cspd, bool low, int32_t ms, int32_t slot254) {
  f.plugin.cspdActive = cspd;
  f.plugin.cspdLowActive = low;
  f.plugin.state.time = 45296000 + ms;  // keeps the clock at 12:34:56
  f.panel[254] = slot254;
}
void km(F& f, bool ic, bool beacon, std::array<int32_t, 4> digits) {
  f.unit.icCardActive = ic;
  f.unit.beaconTrainNumberSet = beacon;
  f.unit.kmPostDigits = digits;
}
void stop(F& f, int32_t stopBlink, int32_t nextStopType) {
  f.unit.stopBlink = stopBlink;
  f.unit.nextStopType = nextStopType;
  f.unit.nextStopDisp.stationId = 12;
}
void meters(F& f, int32_t lvIndex, int32_t hvIndex) {
  f.plugin.lvMeterIndex = lvIndex;
  f.plugin.hvMeterIndex = hvIndex;
  f.plugin.hvMeterValue = 1600;
}

// Each case changes the fixture and lists every slot that must then differ from its plain write.
struct Edge {
  const char* rule;
  bool legacy, dispType;
  void (*arrange)(F&);
  Slots changes;
};
// clang-format off
const Edge kEdges[] = {
  {"run start", 0, 0, [](F& f) { f.plugin.state.time = 86400000; }, {{10, 0}, {11, 0}, {12, 0}}},
  {"remainder sign", 0, 0, [](F& f) { f.plugin.state.time = -5000; }, {{10, 0}, {11, 0}, {12, -5}}},
  {"blink, 500 ms is off", 0, 0, [](F& f) { lamp(f, false, true, 500, 0); }, {{90, 0}}},
  {"blink, second half", 0, 0, [](F& f) { lamp(f, false, true, 501, 6); }, {{90, 7}}},
  {"steady", 0, 0, [](F& f) { lamp(f, true, false, 0, 4); }, {{90, 5}}},
  {"steady wins", 0, 0, [](F& f) { lamp(f, true, true, 400, 0); }, {{90, 1}}},
  {"lamp value wraps", 0, 0, [](F& f) { lamp(f, true, false, 0, kMax); }, {{90, kMin}}},
  {"no aid", 0, 0, [](F& f) { lamp(f, false, false, 600, 4); }, {{90, 0}}},
  {"hold brake", 0, 0, [](F& f) { f.plugin.holdBrakeActive = false; }, {{91, 0}}},
  {"EB alarm", 0, 0, [](F& f) { f.unit.soundOut[12] = kSoundSilent; }, {{40, 0}}},
  {"zones, 1 + 2 wraps", 0, 0, [](F& f) { f.unit.zoneIndicator = {2, kMax, 1, 1}; },
   {{198, 2}, {81, kMin}, {248, 1}}},
  {"no data", 0, 0, [](F& f) { km(f, 0, 0, {1, 2, 3, 4}); }, {{114, 0}, {98, 300}, {99, 10}}},
  {"beacon number", 0, 0, [](F& f) { km(f, 0, 1, {1, 2, 3, 4}); }, {{98, 123}, {99, 4}}},
  {"blank km digits", 0, 0, [](F& f) { km(f, 1, 0, {10, 10, 7, 3}); }, {{98, 7}, {99, 3}}},
  {"km wraps", 0, 0, [](F& f) { km(f, 1, 0, {1, 0, kMax, 0}); }, {{98, kMin + 99}, {99, 0}}},
  {"not blinking", 0, 1, [](F& f) { stop(f, 0, 100); }, {{110, 12}}},
  {"blank while blinking", 0, 1, [](F& f) { stop(f, 1, 0); }, {{110, 0}}},
  {"offset while blinking", 0, 1, [](F& f) { stop(f, 1, 100); }, {{110, 112}}},
  {"only 1 blinks", 0, 1, [](F& f) { stop(f, 2, 100); }, {{110, 12}}},
  {"offset wraps", 0, 1, [](F& f) { stop(f, 1, kMax); }, {{110, kMin + 11}}},
  {"legacy offset", 1, 1, [](F& f) { stop(f, 1, 100); }, {{110, 112}, {116, 12}}},
  {"seconds / 5", 0, 1, [](F& f) { f.unit.dispArrSecond = {60, 59, 4, 5, -7, 0, 0}; },
   {{142, 12}, {145, 11}, {148, 0}, {151, 1}, {154, -1}, {157, 0}}},
  {"line voltage stands", 0, 0, [](F& f) { meters(f, 75, 75); }, {{73, kSentinel}, {75, 1600}}},
  {"fixed meters stand", 0, 0, [](F& f) { meters(f, 73, 230); }, {{75, kSentinel}}},
  {"254 read first", 0, 0, [](F& f) { meters(f, 73, 254); }, {{75, kSentinel}, {90, 1601}}},
  {"outside", 0, 0, [](F& f) { meters(f, -1, 256); }, {{73, kSentinel}, {75, kSentinel}}},
  {"far outside", 1, 1, [](F& f) { meters(f, kMin, kMax); }, {{73, kSentinel}, {75, kSentinel}}},
};
// clang-format on

TEST(PanelRules, EachEdgeCaseChangesExactlyItsSlots) {
  for (const Edge& edge : kEdges) {
    SCOPED_TRACE(edge.rule);
    F plain(edge.legacy, edge.dispType), f(edge.legacy, edge.dispType);
    plain.write();
    edge.arrange(f);
    f.write();
    for (int slot = 0; slot < kSlotCount; ++slot) {
      const int32_t expected = edge.changes.contains(slot) ? edge.changes.at(slot) : plain[slot];
      EXPECT_EQ(f[slot], expected) << slot;
    }
  }
}

// Every slot that no layout names keeps what the host wrote there: each layout writes just its
// own number of slots, and the slot table (which the harness and the docs read) lists those.
TEST(PanelRules, EachLayoutWritesOnlyTheSlotsItsTableLists) {
  const std::tuple<bool, bool, std::size_t> legacyDispTypeSlotsWritten[] = {
      {false, false, 123}, {false, true, 138}, {true, false, 85}, {true, true, 105}};
  for (const auto& [legacy, dispType, count] : legacyDispTypeSlotsWritten) {
    SCOPED_TRACE(::testing::Message() << "legacy " << legacy << ", DispType " << dispType);
    F f(legacy, dispType);
    f.write();
    std::set<int> written, listed;
    for (int slot = 0; slot < kSlotCount; ++slot) {
      if (f[slot] != kSentinel) written.insert(slot);
    }
    forEachPanelSlot(f.plugin, f.unit, [&](const PanelSlotView& v) { listed.insert(v.slot); });
    EXPECT_EQ(written.size(), count);
    EXPECT_EQ(listed, written);
  }
}

}  // namespace
}  // namespace tims
