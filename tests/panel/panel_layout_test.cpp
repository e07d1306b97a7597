// Every slot of every layout against a mapping written out here from the display rules, and the
// slot table against both.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "panel/panel_slots.h"
#include "panel_fixture.h"

namespace tims {
namespace {

using test::kSentinel;
using test::PanelFixture;
using Slots = std::map<int, int32_t>;

struct Layout {
  bool legacy;
  bool dispType;
  bool unitDispEnable;
  bool enableMeterDisp;
};

std::string layoutName(const testing::TestParamInfo<Layout>& info) {
  const Layout& l = info.param;
  return std::string(l.legacy ? "Legacy" : "Standard") + (l.dispType ? "Type1" : "Type0") +
         (l.unitDispEnable ? "Cars" : "NoCars") + (l.enableMeterDisp ? "Meters" : "NoMeters");
}

int32_t div5(int32_t value) {
  return value / 5;
}

void expectStandard(Slots& e, const TimsUnit& u) {
  if (u.unitDispEnable) {
    for (int k = 0; k < 8; ++k) e[20 + k] = u.carState[k];
  }
  e[98] = 307;  // km digits 3, blank, 7 and 8
  e[99] = 8;
  for (int k = 0; k < 6; ++k) e[100 + k] = u.trainNumberDigits[k];
  for (int k = 0; k < 6; ++k) e[116 + k] = u.cardCodes[k];
  e[122] = u.cardTime[0];
  e[123] = u.cardTime[1];
  e[124] = div5(u.cardTime[2]);
  e[125] = u.cardTime[3];
  e[126] = u.cardTime[4];
  e[127] = div5(u.cardTime[5]);
  e[128] = u.sectionCode;
  e[129] = 1;
  if (!u.dispType) {
    e[106] = u.departedStopDisp.stationId;
    e[107] = u.terminal.stationId;
    e[110] = u.cardLabelValue;
    e[111] = u.terminal.arrHour;
    e[112] = u.terminal.arrMinute;
    e[113] = div5(u.terminal.arrSecond);
    e[115] = u.terminal.track;
    for (int k = 0; k < 5; ++k) e[130 + k] = u.dispStationId[k];
    e[135] = u.afterListDisp.stationId;
    for (int k = 0; k < 4; ++k) e[136 + k] = u.dispValueC[k];
    for (int k = 0; k < 5; ++k) {
      e[140 + 3 * k] = u.dispArrHour[k];
      e[141 + 3 * k] = u.dispArrMinute[k];
      e[142 + 3 * k] = div5(u.dispArrSecond[k]);
    }
    e[155] = u.afterListDisp.depHour;
    e[156] = u.afterListDisp.depMinute;
    e[157] = div5(u.afterListDisp.depSecond);
    for (int k = 0; k < 5; ++k) {
      e[161 + 3 * k] = u.dispDepMinute[k];
      e[162 + 3 * k] = div5(u.dispDepSecond[k]);
    }
    e[176] = u.afterListDisp.depMinute;
    e[177] = div5(u.afterListDisp.depSecond);
    e[178] = u.cardValue0;
    e[179] = u.cardValue1;
    e[180] = u.departedStopDisp.track;
    e[181] = u.departedStopDisp.depHour;
    e[182] = u.departedStopDisp.depMinute;
    e[183] = div5(u.departedStopDisp.depSecond);
    e[184] = u.dispDepHour[6];
    e[185] = u.dispDepMinute[6];
    e[186] = div5(u.dispDepSecond[6]);
    for (int k = 0; k < 5; ++k) e[190 + k] = u.dispTrack[k];
    e[195] = u.afterListDisp.track;
    e[199] = u.routePosition;
  } else {
    e[110] = u.nextStopDisp.stationId;
    e[111] = u.nextStopDisp.arrHour;
    e[112] = u.nextStopDisp.arrMinute;
    e[113] = div5(u.nextStopDisp.arrSecond);
    e[115] = u.nextStopDisp.track;
    e[178] = u.nextStopDisp.track;
    for (int k = 0; k < 5; ++k) e[130 + k] = u.dispStationId[k];
    e[135] = u.nextStopDisp.depHour;
    e[136] = u.nextStopDisp.depMinute;
    e[137] = div5(u.nextStopDisp.depSecond);
    e[138] = u.nextStopDisp.value0;
    e[139] = u.nextStopDisp.value1;
    for (int k = 0; k < 6; ++k) {
      e[140 + 3 * k] = u.dispArrHour[k];
      e[141 + 3 * k] = u.dispArrMinute[k];
      e[142 + 3 * k] = div5(u.dispArrSecond[k]);
      e[160 + 3 * k] = u.dispDepHour[k];
      e[161 + 3 * k] = u.dispDepMinute[k];
      e[162 + 3 * k] = div5(u.dispDepSecond[k]);
    }
    for (int k = 0; k < 5; ++k) {
      e[180 + 2 * k] = u.dispRunMinutes[k];
      e[181 + 2 * k] = div5(u.dispRunSeconds[k]);
    }
    for (int k = 0; k < 6; ++k) e[190 + k] = u.dispTrack[k];
    for (int k = 0; k < 5; ++k) {
      e[200 + 2 * k] = u.dispValueA[k];
      e[201 + 2 * k] = u.dispValueB[k];
    }
  }
  for (int k = 0; k < 5; ++k) e[242 + k] = u.dispValueD[k];
}

void expectLegacy(Slots& e, const PluginState& p, const TimsUnit& u) {
  e[100] = 1;
  for (int k = 1; k < 6; ++k) e[100 + k] = u.trainNumberDigits[k];
  e[106] = u.departedStopDisp.stationId;
  e[107] = u.terminal.stationId;
  e[205] = u.beaconKind11Value;
  if (u.dispType) {
    e[110] = u.nextStopDisp.stationId;
    e[111] = u.nextStopDisp.arrHour;
    e[112] = u.nextStopDisp.arrMinute;
    e[113] = div5(u.nextStopDisp.arrSecond);
    e[115] = u.nextStopDisp.track;
    e[116] = u.nextStopDisp.stationId;
    for (int k = 0; k < 5; ++k) {
      e[130 + k] = u.dispStationId[k];
      e[140 + 3 * k] = u.dispArrHour[k];
      e[141 + 3 * k] = u.dispArrMinute[k];
      e[142 + 3 * k] = div5(u.dispArrSecond[k]);
      e[160 + 3 * k] = u.dispDepHour[k];
      e[161 + 3 * k] = u.dispDepMinute[k];
      e[162 + 3 * k] = div5(u.dispDepSecond[k]);
      e[180 + 2 * k] = u.dispRunMinutes[k];
      e[181 + 2 * k] = div5(u.dispRunSeconds[k]);
      e[190 + k] = u.dispTrack[k];
    }
    e[199] = u.routePosition;
    for (int k = 0; k < 3; ++k) {
      e[200 + 2 * k] = u.dispValueA[k];
      e[201 + 2 * k] = u.dispValueB[k];
    }
  } else {
    for (int k = 0; k < 6; ++k) {
      e[130 + k] = u.dispStationId[k];
      e[140 + 3 * k] = u.dispArrHour[k];
      e[141 + 3 * k] = u.dispArrMinute[k];
      e[142 + 3 * k] = div5(u.dispArrSecond[k]);
      e[160 + 3 * k] = u.dispDepHour[k];
      e[161 + 3 * k] = u.dispDepMinute[k];
      e[162 + 3 * k] = div5(u.dispDepSecond[k]);
    }
  }
  e[207] = 307;
  e[208] = 8;
  for (int k = 0; k < 4; ++k) e[213 + k] = u.carState[k];
  e[244] = p.speedDigitHundreds;
  e[245] = p.speedDigitTens;
  e[246] = p.speedDigitOnes;
}

Slots expectedPanel(const PluginState& p, const TimsUnit& u) {
  Slots e;
  if (p.enableMeterDisp) {
    e[73] = p.lvMeterValue;
    e[75] = p.hvMeterValue;
    e[228] = p.sampledBrakeNotch;
    e[229] = p.standingBlink;
    e[230] = p.meterSpeed;
    e[231] = p.speedDigitHundreds;
    e[232] = p.speedDigitTens;
    e[233] = p.speedDigitOnes;
    e[235] = p.bcBar1;
    e[236] = p.bcBar2;
    e[237] = p.bcBar3;
    e[238] = p.bcBar4;
    e[240] = p.mrBar1;
    e[241] = p.mrBar2;
  }
  e[90] = kSentinel + 1;  // constant-speed mode with the host's value in slot 254
  e[91] = 1;
  e[248] = u.zoneIndicator[3];
  e[81] = u.zoneIndicator[1] + u.zoneIndicator[2];
  e[10] = 12;
  e[11] = 34;
  e[12] = 56;
  e[40] = 1;
  e[114] = 1;
  e[198] = u.zoneIndicator[0];
  if (u.useLegacyDisp) {
    expectLegacy(e, p, u);
  } else {
    expectStandard(e, u);
  }
  e[254] = 0;
  return e;
}

class PanelLayoutTest : public testing::TestWithParam<Layout> {
 protected:
  void SetUp() override {
    const Layout& l = GetParam();
    f.unit.useLegacyDisp = l.legacy;
    f.unit.dispType = l.dispType;
    f.unit.unitDispEnable = l.unitDispEnable;
    f.plugin.enableMeterDisp = l.enableMeterDisp;
    f.write();
  }
  PanelFixture f;
};

TEST_P(PanelLayoutTest, WritesEverySlotOfTheRulesAndNoOther) {
  const Slots expected = expectedPanel(f.plugin, f.unit);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const auto it = expected.find(slot);
    EXPECT_EQ(f[slot], it == expected.end() ? kSentinel : it->second) << "slot " << slot;
  }
}

TEST_P(PanelLayoutTest, TableListsExactlyTheSlotsWritten) {
  std::set<int> fromTable;
  forEachPanelSlot(f.plugin, f.unit, [&](const PanelSlotView& view) {
    fromTable.insert(view.slot);
    EXPECT_EQ(view.group->shownWhen == GroupShownWhen::MeterDisplayEnabled,
              view.run->slotFrom != SlotFrom::Fixed || (view.slot >= 228 && view.slot <= 241))
        << "slot " << view.slot;
  });
  std::set<int> changed;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (f[slot] != kSentinel) changed.insert(slot);
  }
  std::set<int> fromRules;
  for (const auto& [slot, value] : expectedPanel(f.plugin, f.unit)) fromRules.insert(slot);
  EXPECT_EQ(fromTable, changed);
  EXPECT_EQ(fromTable, fromRules);
}

INSTANTIATE_TEST_SUITE_P(
    AllLayouts, PanelLayoutTest, testing::ValuesIn([] {
      std::vector<Layout> all;
      for (int bits = 0; bits < 16; ++bits) {
        all.push_back({(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0});
      }
      return all;
    }()),
    layoutName);

// The harness's monitor view keys on these names; the last writer of a slot is what it shows.
std::map<int, std::string> finalFieldNames(const PluginState& plugin, const TimsUnit& unit) {
  std::map<int, std::string> names;
  forEachPanelSlot(plugin, unit, [&](const PanelSlotView& view) {
    std::string name(view.run->source->name);
    if (view.run->source->entries > 0) name += "[" + std::to_string(view.index) + "]";
    names.insert_or_assign(view.slot, name);
  });
  return names;
}

TEST(PanelSlotTable, NamesTheFieldEachSlotFinallyShows) {
  PanelFixture f;
  auto names = finalFieldNames(f.plugin, f.unit);
  EXPECT_EQ(names[10], "clock.hours");
  EXPECT_EQ(names[75], "hvMeterValue");
  EXPECT_EQ(names[100], "unit.trainNumberDigits[0]");
  EXPECT_EQ(names[184], "unit.dispDepHour[6]");
  EXPECT_EQ(names[178], "unit.cardValue0");
  EXPECT_EQ(names.count(160), 0u);

  f.unit.dispType = true;
  names = finalFieldNames(f.plugin, f.unit);
  EXPECT_EQ(names[110], "nextStop.number");
  EXPECT_EQ(names[178], "unit.nextStopDisp.track");
  EXPECT_EQ(names[160], "unit.dispDepHour[0]");

  f.unit.useLegacyDisp = true;
  names = finalFieldNames(f.plugin, f.unit);
  EXPECT_EQ(names[101], "unit.trainNumberDigits[1]");
  EXPECT_EQ(names[205], "unit.dispValueB[2]");
  f.unit.dispType = false;
  EXPECT_EQ(finalFieldNames(f.plugin, f.unit)[205], "unit.beaconKind11Value");
}

}  // namespace
}  // namespace tims
