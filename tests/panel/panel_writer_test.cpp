// The panel writer against the display rules: every slot of every layout against a mapping
// written out here by hand, the slot table (read by the harness and the docs) against both, the
// computed slots' edge cases, and the generated docs against the table.
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

// The hand-written mapping, built with shorthands.
struct Expected {
  Slots s;
  // Slots first, first + step, ... show entries from, from + 1, ... (divided by 5 for seconds).
  void seq(int first, int step, const auto& a, int count, int from = 0, bool div5 = false) {
    for (int k = 0; k < count; ++k) s[first + step * k] = a[from + k] / (div5 ? 5 : 1);
  }
  void hms(int first, int32_t h, int32_t m, int32_t sec) {
    *this += {{first, h}, {first + 1, m}, {first + 2, sec / 5}};
  }
  // Hour, minute, second of rows 1..count, three slots a row.
  void rows(int first, const RowVector& h, const RowVector& m, const RowVector& sec, int count) {
    for (int k = 0; k < count; ++k) hms(first + 3 * k, h[k], m[k], sec[k]);
  }
  void operator+=(const Slots& values) {
    for (const auto& [slot, value] : values) s[slot] = value;
  }
};

void expectStandard(Expected& x, const TimsUnit& u) {
  const StopRecord& next = u.nextStopDisp;
  const AfterListRecord& after = u.afterListDisp;
  const DepartedRecord& departed = u.departedStopDisp;
  if (u.unitDispEnable) x.seq(20, 1, u.carState, 8);
  x += {{98, 307}, {99, 8}, {128, u.sectionCode}, {129, 1}};  // km digits 3, blank, 7, 8
  x.seq(100, 1, u.trainNumberDigits, 6);
  x.seq(116, 1, u.cardCodes, 6);
  x.hms(122, u.cardTime[0], u.cardTime[1], u.cardTime[2]);
  x.hms(125, u.cardTime[3], u.cardTime[4], u.cardTime[5]);
  x.seq(130, 1, u.dispStationId, 5);
  if (!u.dispType) {
    x += {{106, departed.stationId},  {107, u.terminal.stationId}, {110, u.cardLabelValue},
          {115, u.terminal.track},    {135, after.stationId},      {176, after.depMinute},
          {177, after.depSecond / 5}, {178, u.cardValue0},         {179, u.cardValue1},
          {180, departed.track},      {195, after.track},          {199, u.routePosition}};
    x.hms(111, u.terminal.arrHour, u.terminal.arrMinute, u.terminal.arrSecond);
    x.seq(136, 1, u.dispValueC, 4);
    x.rows(140, u.dispArrHour, u.dispArrMinute, u.dispArrSecond, 5);
    x.hms(155, after.depHour, after.depMinute, after.depSecond);
    x.seq(161, 3, u.dispDepMinute, 5);  // the departure hours (160 + 3k) are not shown
    x.seq(162, 3, u.dispDepSecond, 5, 0, true);
    x.hms(181, departed.depHour, departed.depMinute, departed.depSecond);
    x.hms(184, u.dispDepHour[6], u.dispDepMinute[6], u.dispDepSecond[6]);
    x.seq(190, 1, u.dispTrack, 5);
  } else {
    x += {{110, next.stationId}, {115, next.track}, {138, next.value0}, {139, next.value1}};
    x.s[178] = next.track;  // the track again, on the second display
    x.hms(111, next.arrHour, next.arrMinute, next.arrSecond);
    x.hms(135, next.depHour, next.depMinute, next.depSecond);
    x.rows(140, u.dispArrHour, u.dispArrMinute, u.dispArrSecond, 6);
    x.rows(160, u.dispDepHour, u.dispDepMinute, u.dispDepSecond, 6);
    x.seq(180, 2, u.dispRunMinutes, 5);
    x.seq(181, 2, u.dispRunSeconds, 5, 0, true);
    x.seq(190, 1, u.dispTrack, 6);
    x.seq(200, 2, u.dispValueA, 5);
    x.seq(201, 2, u.dispValueB, 5);
  }
  x.seq(242, 1, u.dispValueD, 5);
}

void expectLegacy(Expected& x, const PluginState& p, const TimsUnit& u) {
  const auto& next = u.nextStopDisp;
  // The legacy screen shows the speed digits with or without the meters.
  x += {{100, 1}, {106, u.departedStopDisp.stationId}, {107, u.terminal.stationId}};
  x += {{205, u.beaconKind11Value}, {207, 307}, {208, 8}};
  x += {{244, p.speedDigitHundreds}, {245, p.speedDigitTens}, {246, p.speedDigitOnes}};
  x.seq(101, 1, u.trainNumberDigits, 5, 1);
  x.seq(213, 1, u.carState, 4);
  const int rows = u.dispType ? 5 : 6;
  x.seq(130, 1, u.dispStationId, rows);
  x.rows(140, u.dispArrHour, u.dispArrMinute, u.dispArrSecond, rows);
  x.rows(160, u.dispDepHour, u.dispDepMinute, u.dispDepSecond, rows);
  if (u.dispType) {
    x += {{110, next.stationId}, {115, next.track}, {116, next.stationId}, {199, u.routePosition}};
    x.hms(111, next.arrHour, next.arrMinute, next.arrSecond);
    x.seq(180, 2, u.dispRunMinutes, 5);
    x.seq(181, 2, u.dispRunSeconds, 5, 0, true);
    x.seq(190, 1, u.dispTrack, 5);
    x.seq(200, 2, u.dispValueA, 3);
    x.seq(201, 2, u.dispValueB, 3);  // slot 205 ends as value B of row 3
  }
}

Slots expectedPanel(const PluginState& p, const TimsUnit& u) {
  Expected x;
  if (p.enableMeterDisp) {
    x += {{73, p.lvMeterValue},    {75, p.hvMeterValue},    {228, p.sampledBrakeNotch},
          {229, p.standingBlink},  {230, p.meterSpeed},     {231, p.speedDigitHundreds},
          {232, p.speedDigitTens}, {233, p.speedDigitOnes}, {235, p.bcBar1},
          {236, p.bcBar2},         {237, p.bcBar3},         {238, p.bcBar4},
          {240, p.mrBar1},         {241, p.mrBar2}};
  }
  // Lamp 90 is one more than the host's slot 254, which is then cleared.
  x += {{90, kSentinel + 1}, {91, 1}, {10, 12}, {11, 34}, {12, 56}, {40, 1}, {114, 1}, {254, 0}};
  const auto& zone = u.zoneIndicator;
  x += {{198, zone[0]}, {81, zone[1] + zone[2]}, {248, zone[3]}};
  if (u.useLegacyDisp) {
    expectLegacy(x, p, u);
  } else {
    expectStandard(x, u);
  }
  return x.s;
}

// Legacy, DispType, UnitDispEnable, EnableMeterDisp.
class PanelLayout : public testing::TestWithParam<std::tuple<bool, bool, bool, bool>> {
 protected:
  void SetUp() override {
    std::tie(f.unit.useLegacyDisp, f.unit.dispType, f.unit.unitDispEnable,
             f.plugin.enableMeterDisp) = GetParam();
    f.write();
  }
  F f;
};

// The slot table, which the harness and the docs read, must name exactly the slots written.
TEST_P(PanelLayout, WritesTheSlotsOfTheRulesAndNoOtherAsTheTableLists) {
  const Slots expected = expectedPanel(f.plugin, f.unit);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    EXPECT_EQ(f[slot], expected.contains(slot) ? expected.at(slot) : kSentinel) << slot;
  }
  std::set<int> fromTable, fromRules;
  forEachPanelSlot(f.plugin, f.unit, [&](const PanelSlotView& v) { fromTable.insert(v.slot); });
  for (const auto& [slot, value] : expected) fromRules.insert(slot);
  EXPECT_EQ(fromTable, fromRules);
}

std::string layoutName(const testing::TestParamInfo<PanelLayout::ParamType>& info) {
  const auto [legacy, type1, cars, meters] = info.param;
  return std::string(legacy ? "Legacy" : "Standard") + (type1 ? "Type1" : "Type0") +
         (cars ? "Cars" : "") + (meters ? "Meters" : "");
}
INSTANTIATE_TEST_SUITE_P(AllLayouts, PanelLayout,
                         testing::Combine(testing::Bool(), testing::Bool(), testing::Bool(),
                                          testing::Bool()),
                         layoutName);

// The harness keys its monitor view on these names; the last writer of a slot is what it shows.
TEST(PanelSlotTable, NamesTheFieldEachSlotFinallyShows) {
  // clang-format off
  struct Case { bool legacy, dispType; int slot; std::string name; /* empty: not written */ };
  const Case cases[] = {
    {0, 0, 10, "clock.hours"}, {0, 0, 75, "hvMeterValue"}, {0, 0, 160, ""},
    {0, 0, 100, "unit.trainNumberDigits[0]"}, {0, 0, 184, "unit.dispDepHour[6]"},
    {0, 0, 178, "unit.cardValue0"}, {0, 1, 178, "unit.nextStopDisp.track"},
    {0, 1, 110, "nextStop.number"}, {0, 1, 160, "unit.dispDepHour[0]"},
    {1, 1, 101, "unit.trainNumberDigits[1]"}, {1, 1, 205, "unit.dispValueB[2]"},
    {1, 0, 205, "unit.beaconKind11Value"}};
  // clang-format on
  for (const Case& c : cases) {
    F f(c.legacy, c.dispType);
    std::map<int, std::string> names;
    forEachPanelSlot(f.plugin, f.unit, [&](const PanelSlotView& v) {
      names.insert_or_assign(v.slot, panelSlotFieldName(v));
    });
    EXPECT_EQ(names[c.slot], c.name) << c.slot;
  }
}

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

TEST(PanelRules, RecordsWhetherTheHostSetSlot83) {
  F f;
  for (const int32_t host : {7, 0}) {
    f.panel[83] = host;
    f.write();
    EXPECT_EQ(f.unit.panel83Set, host != 0);
    EXPECT_EQ(f[83], host);  // the host's slot: read, never written
  }
  meters(f, 83, 75);  // a meter shown there is what the unit then sees
  f.write();
  EXPECT_TRUE(f.unit.panel83Set);
}

}  // namespace
}  // namespace tims
