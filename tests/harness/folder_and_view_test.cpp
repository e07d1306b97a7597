// The vehicle folder the plug-in runs in (a working copy), the station names its cards give, and
// the cab monitor decoded from the panel in the layout its settings choose.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "panel/panel_writer.h"
#include "support/temp_dir.h"
#include "tims-host/card_names.h"
#include "tims-host/monitor_view.h"
#include "tims-host/working_folder.h"

namespace tims::host {
namespace {

namespace fs = std::filesystem;

class VehicleFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.write("vehicle/TIMS_Spec.ini", "[EB]\nEnableEB=0\n");
    dir.write("vehicle/cards/local/1523K.csv", "3,1523K\n");
    dir.write("build/libtims.so", "not really a library");
  }
  WorkingFolder prepare(const char* library, bool writeThrough) {
    return prepareWorkingFolder(dir.path() / "vehicle", dir.path() / library, writeThrough);
  }
  // The monitor decodes what the real panel writer wrote, through the same slot table, in the
  // layout that the folder's settings choose.
  PanelReading writeAndRead(bool legacy, bool dispType) {
    dir.write("view/TIMS_Spec.ini", "[Disp]\nuseLegacyDisp=" + std::to_string(legacy) +
                                        "\nDispType=" + std::to_string(dispType) + "\n");
    unit.useLegacyDisp = legacy;
    unit.dispType = dispType;
    unit.unitDispEnable = true;
    settings = std::make_unique<PanelSettings>(dir.path() / "view");
    writePanel(plugin, unit, panel.data());
    return PanelReading(panel.data(), *settings);
  }

  tims::testing::TempDir dir;
  PluginState plugin;
  TimsUnit unit;
  std::array<int32_t, 256> panel{};
  std::unique_ptr<PanelSettings> settings;
};

TEST_F(VehicleFolder, RunsWorkOnTheirOwnCopyOrPlaceTheLibraryForTheRunOnly) {
  WorkingFolder a = prepare("build/libtims.so", false);
  WorkingFolder b = prepare("build/libtims.so", false);
  EXPECT_NE(a.folder, b.folder);
  EXPECT_EQ(a.library, a.folder / "libtims.so");
  EXPECT_EQ(dir.read(a.library), "not really a library");
  EXPECT_TRUE(fs::is_regular_file(a.folder / "cards" / "local" / "1523K.csv"));
  dir.write(a.folder / "TIMS_Spec.ini", "[CSpd]\nEnableCSpd=1\n");  // the plug-in's write-back
  EXPECT_EQ(dir.read("vehicle/TIMS_Spec.ini"), "[EB]\nEnableEB=0\n");
  const fs::path folder = a.folder;
  releaseWorkingFolder(a);
  releaseWorkingFolder(b);
  EXPECT_FALSE(fs::exists(folder));
  // Write-through runs in the vehicle folder and never places the library over another.
  WorkingFolder placed = prepare("build/libtims.so", true);
  EXPECT_TRUE(fs::equivalent(placed.folder, dir.path() / "vehicle"));
  EXPECT_EQ(dir.read("vehicle/libtims.so"), "not really a library");
  releaseWorkingFolder(placed);
  EXPECT_FALSE(fs::exists(dir.path() / "vehicle" / "libtims.so"));
  EXPECT_TRUE(fs::exists(dir.path() / "vehicle" / "TIMS_Spec.ini"));
  dir.write("vehicle/libtims.so", "the vehicle's own");
  WorkingFolder own = prepare("vehicle/libtims.so", true);
  releaseWorkingFolder(own);
  EXPECT_THROW(prepare("build/libtims.so", true), std::runtime_error);
  EXPECT_EQ(dir.read("vehicle/libtims.so"), "the vehicle's own");
}

TEST_F(VehicleFolder, StationNamesComeFromTheCardABeaconNames) {
  dir.write("TIMS_ICCard.ini", "[ICCard]\n3=cards\n");
  // Station 5 is named in Shift-JIS (東京); the file name carries the prefix 荷 (train 荷2340M).
  dir.write(fs::path("cards") / fs::u8path("荷2340M.csv"),
            "7,,\x93\x8C\x8B\x9E,,,,,,,,,,,,,,,,5\n7,,NULL,,,,,,,,,,,,,,,,6\n");
  CardNames names(dir.path());
  EXPECT_FALSE(names.readCardFor(301234007));  // suffix K: no such file
  EXPECT_TRUE(names.readCardFor(301234008));
  EXPECT_EQ(names.name(5), "東京");
  EXPECT_EQ(names.name(6), "");
}

TEST_F(VehicleFolder, TheMonitorShowsWhatThePanelWriterWrote) {
  for (int k = 0; k < kRows; ++k) {
    unit.dispStationId[k] = 10 + k;
    unit.dispArrHour[k] = 9;
    unit.dispArrMinute[k] = k;
    unit.dispArrSecond[k] = 45;
  }
  unit.trainNumberDigits = {1, 2, 3, 4, 0, 8};
  unit.terminal = {17, 10, 20, 0, 2};
  plugin.state.time = 45296789;
  const PanelReading p = writeAndRead(false, false);
  EXPECT_EQ(p.get(kNextStopNumber), std::nullopt);  // only with DispType 1
  const std::string view = renderMonitor(p, MonitorContext{});
  for (const char* line : {"==== monitor 12:34:56 ====", "Train       荷2340M", "Terminal    17",
                           "  3    12                    09:02:45", "  5    14 "}) {
    EXPECT_NE(view.find(line), std::string::npos) << line << " in\n" << view;
  }
  EXPECT_EQ(view.find("  6    15"), std::string::npos) << "five rows in this layout";
}

TEST_F(VehicleFolder, ALaterWriteOfAPanelSlotHidesTheEarlierField) {
  // Legacy layout with DispType 1: slot 205 ends as value B of row 3, not the beacon 119 value.
  unit.beaconKind11Value = 77;
  unit.dispValueB[2] = 5;
  const PanelReading p = writeAndRead(true, true);
  EXPECT_EQ(p.get(kDispValueB, 2), 5);
  EXPECT_EQ(p.get(kBeaconKind11Value), std::nullopt);
  EXPECT_EQ(p.get(kTrainNumberDigits, 0), std::nullopt);  // no kind code in this layout
  EXPECT_EQ(writeAndRead(true, false).get(kBeaconKind11Value), 77);
}

TEST(MonitorText, TrainNumbersAndPanelTimes) {
  const int32_t shorter[4] = {10, 1, 2, 3}, blank[4] = {10, 10, 10, 10};
  EXPECT_EQ(trainNumberText(45, shorter, 33), "<45>123入");  // no prefix 45; 入 as a suffix
  EXPECT_EQ(trainNumberText(50, blank, 50), "-");
  // Seconds are shown divided by 5; 24, 60 and 12 are the monitor's "no time".
  EXPECT_EQ(panelTime(24, 60, 12), "--:--:--");
  EXPECT_EQ(panelTime(std::nullopt, 60, 0), "..:--:00");
}

}  // namespace
}  // namespace tims::host
