#include "tims-host/monitor_view.h"

#include <gtest/gtest.h>

#include <array>

#include "panel/panel_writer.h"
#include "support/temp_dir.h"
#include "tims-host/card_names.h"

namespace tims::host {
namespace {

// The view decodes what the real panel writer wrote, through the same slot table.
class MonitorView : public ::testing::Test {
 protected:
  void useSettings(bool legacy, bool dispType) {
    folder.write("TIMS_Spec.ini", std::string("[Disp]\nuseLegacyDisp=") + (legacy ? "1" : "0") +
                                      "\nDispType=" + (dispType ? "1" : "0") + "\n");
    unit.useLegacyDisp = legacy;
    unit.dispType = dispType;
    unit.unitDispEnable = true;
    plugin.enableMeterDisp = true;
    plugin.hvMeterIndex = 75;
    plugin.lvMeterIndex = 73;
    settings = std::make_unique<PanelSettings>(folder.path());
  }

  PanelReading writeAndRead() {
    panel.fill(0);
    writePanel(plugin, unit, panel.data());
    return PanelReading(panel.data(), *settings);
  }

  tims::testing::TempDir folder;
  PluginState plugin;
  TimsUnit unit;
  std::array<int32_t, 256> panel{};
  std::unique_ptr<PanelSettings> settings;
};

TEST_F(MonitorView, ReadsTheSettingsAsThePluginDoes) {
  useSettings(true, false);
  EXPECT_TRUE(settings->unit().useLegacyDisp);
  EXPECT_FALSE(settings->unit().dispType);
  EXPECT_EQ(settings->plugin().hvMeterIndex, 75);  // default
  EXPECT_EQ(settings->layout().name, panelSlotsFor(true, false).name);
}

TEST_F(MonitorView, StandardRowsRoundTrip) {
  useSettings(false, false);
  for (int k = 0; k < kRows; ++k) {
    unit.dispStationId[k] = 10 + k;
    unit.dispArrHour[k] = 9;
    unit.dispArrMinute[k] = k;
    unit.dispArrSecond[k] = 45;
  }
  unit.trainNumberDigits = {1, 2, 3, 4, 0, 8};
  unit.terminal = {17, 10, 20, 0, 2};
  plugin.state.time = 45296789;
  const PanelReading p = writeAndRead();
  for (int k = 0; k < 5; ++k) EXPECT_EQ(p.get(kDispStationId, k), 10 + k);
  EXPECT_EQ(p.get(kDispStationId, 5), std::nullopt);  // five rows in this layout
  EXPECT_EQ(p.get(kDispArrSecond, 2), 9);             // shown divided by 5
  EXPECT_EQ(p.get(kTrainNumberDigits, 0), 1);
  EXPECT_EQ(p.get(kTerminalStationId), 17);
  EXPECT_EQ(p.get(kClockHours), 12);
  EXPECT_EQ(p.get(kNextStopNumber), std::nullopt);  // only with DispType 1
  const std::string view = renderMonitor(p, MonitorContext{});
  EXPECT_NE(view.find("==== monitor 12:34:56 ===="), std::string::npos);
  EXPECT_NE(view.find("\xE8\x8D\xB7"
                      "2340M"),
            std::string::npos);  // 荷2340M
  EXPECT_NE(view.find("Terminal    17"), std::string::npos);
  EXPECT_NE(view.find("09:02:45"), std::string::npos);  // row 3 arrival
}

TEST_F(MonitorView, ALaterWriteOfASlotHidesTheEarlierField) {
  // Legacy layout with DispType 1: slot 205 ends as value B of row 3, not the beacon 119 value.
  useSettings(true, true);
  unit.beaconKind11Value = 77;
  unit.dispValueB[2] = 5;
  const PanelReading p = writeAndRead();
  EXPECT_EQ(p.get(kDispValueB, 2), 5);
  EXPECT_EQ(p.get(kBeaconKind11Value), std::nullopt);
  EXPECT_EQ(p.get(kTrainNumberDigits, 0), std::nullopt);  // no kind code in this layout
  useSettings(true, false);
  EXPECT_EQ(writeAndRead().get(kBeaconKind11Value), 77);
}

TEST(MonitorText, TrainNumbers) {
  const int32_t digits[4] = {2, 3, 4, 0};
  EXPECT_EQ(trainNumberText(1, digits, 8),
            "\xE8\x8D\xB7"
            "2340M");
  const int32_t short_[4] = {10, 1, 2, 3};
  EXPECT_EQ(trainNumberText(50, short_, 50), "123");
  EXPECT_EQ(trainNumberText(45, short_, 33), "<45>123\xE5\x85\xA5");  // 入 as a suffix
  const int32_t blank[4] = {10, 10, 10, 10};
  EXPECT_EQ(trainNumberText(50, blank, 50), "-");
}

TEST(MonitorText, PanelTimes) {
  EXPECT_EQ(panelTime(10, 2, 6), "10:02:30");
  EXPECT_EQ(panelTime(24, 60, 12), "--:--:--");
  EXPECT_EQ(panelTime(std::nullopt, 5, 0), "..:05:00");
  EXPECT_EQ(panelTime(7, 60, 12), "07:--:--");
}

TEST(MonitorText, SoundNamesFollowTheSlotRoutes) {
  EXPECT_EQ(soundName(13), "EB alarm");
  EXPECT_EQ(soundName(14), "stop chime");
  EXPECT_EQ(soundName(16), "halt loop");
  EXPECT_EQ(soundName(67), "section code changed");
  EXPECT_EQ(soundName(20), "");
}

TEST(CardNamesTest, NamesComeFromTheCardTheBeaconNames) {
  tims::testing::TempDir folder;
  folder.write("TIMS_ICCard.ini", "[ICCard]\n3=cards\n");
  // Station 5 is named in Shift-JIS (東京); the file name carries the prefix 荷.
  folder.write(std::filesystem::path("cards") / std::filesystem::u8path("\xE8\x8D\xB7"
                                                                        "2340M.csv"),
               "7,,\x93\x8C\x8B\x9E,,,,,,,,,,,,,,,,5\n7,,NULL,,,,,,,,,,,,,,,,6\n");
  CardNames names(folder.path());
  EXPECT_FALSE(names.readCardFor(301234007));  // suffix K: no such file
  EXPECT_TRUE(names.readCardFor(301234008));
  EXPECT_EQ(names.name(5), "\xE6\x9D\xB1\xE4\xBA\xAC");
  EXPECT_EQ(names.name(6), "");
  EXPECT_EQ(names.name(7), "");
}

}  // namespace
}  // namespace tims::host
