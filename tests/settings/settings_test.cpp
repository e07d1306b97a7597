// What the settings files steer: the unit's display settings, the driving aids' group with its
// write-back of missing keys, and the sample files of the release zip.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "iccard/catalogue.h"
#include "platform/profile.h"
#include "plugin/frame.h"
#include "settings/spec_settings.h"
#include "support/temp_dir.h"
#include "unit/tims_unit.h"

namespace tims {
namespace {

using tims::testing::TempDir;

TEST(UnitReset, ReadsTheDisplaySoundAndEbSettingsAndClampsTheWindow) {
  const std::pair<const char*, std::tuple<int32_t, bool, bool, bool, int32_t, bool, bool>> cases[] =
      {
          // window rows, DispType, UnitDispEnable, useLegacyDisp, NextStopType, HaltLoopVolume, EB
          {nullptr, {5, false, true, false, 0, false, true}},  // no file: the defaults
          {"[Disp]\nDispType=7\nNextStopType=3\nuseLegacyDisp=1\nUnitDispEnable=0\nD01ABnum=12\n"
           "[Sound]\nHaltLoopVolume=1\n[EB]\nEnableEB=0\n",
           {7, true, false, true, 3, true, false}},  // the row vectors hold seven rows
          {"[Disp]\nD01ABnum=-3\n", {0, false, true, false, 0, false, true}},
      };
  for (const auto& [text, settings] : cases) {
    TempDir dir;
    TimsUnit unit;
    unit.specPath = dir.path() / "TIMS_Spec.ini";
    if (text) dir.write("TIMS_Spec.ini", text);
    resetUnit(unit);
    EXPECT_EQ(std::tuple(unit.d01abRows, unit.dispType, unit.unitDispEnable, unit.useLegacyDisp,
                         unit.nextStopType, unit.haltLoopVolume, unit.enableEb),
              settings)
        << (text ? text : "no file");
  }
}

TEST(UnitReset, EmptiesTheRouteAndLeavesPathsViewsAndCardFoldersAlone) {
  TempDir dir;
  PluginState plugin;
  TimsUnit unit;
  attachPlugin(plugin, unit, dir.path());
  unit.catalogue.cardFolders.assign(32, dir.path());
  unit.catalogue.record1ValueA = 7;
  unit.catalogue.icRows.resize(3);
  unit.catalogue.trainNumberText = "1234M";
  unit.icCardActive = unit.ebApplied = true;
  unit.nextRowIndex = 4;
  unit.rowStationId.fill(9);
  unit.dispRunSeconds.fill(3);
  unit.soundOut.fill(0);
  unit.kmPostAscending = false;

  resetUnit(unit);

  // The route goes; what outlives a run stays: the card folders, the paths, the row counter.
  EXPECT_FALSE(unit.icCardActive);
  EXPECT_TRUE(unit.catalogue.icRows.empty());
  EXPECT_EQ(unit.catalogue.trainNumberText, "NULL");
  EXPECT_EQ(unit.catalogue.record1ValueA, 7);
  EXPECT_EQ(unit.catalogue.cardFolders.size(), 32u);
  EXPECT_EQ(unit.nextRowIndex, 4u);
  EXPECT_EQ(unit.specPath, dir.path() / "TIMS_Spec.ini");
  EXPECT_EQ(unit.statePtr, &plugin.state);
  EXPECT_EQ(unit.rowStationId, RowVector{});
  EXPECT_EQ(unit.trainNumberDigits[0], 50);  // blank codes, not zero
  EXPECT_EQ(unit.routePosition, 60);         // the marker is hidden
  EXPECT_FALSE(unit.ebApplied);
  EXPECT_EQ(unit.soundOut[0], kSoundSilent);
}

class SpecSettings : public ::testing::Test {
 protected:
  SpecSettings() { plugin.pluginDirectory = dir.path(); }
  std::string specText() const { return dir.read("TIMS_Spec.ini"); }
  void writeSpec(std::string_view text) const { dir.write("TIMS_Spec.ini", text); }

  TempDir dir;
  PluginState plugin;
};

TEST_F(SpecSettings, KeepsExistingContentAndWritesNothingWhenEnableKeysArePresent) {
  const std::string text =
      "; vehicle\r\n[CSpd]\r\nEnableCSpd=0\r\nEnableCSpdLow=1\r\nEnableHoldBrk=2\r\n"
      "useCSpd=1\r\n[Disp]\r\nD01ABnum=4\r\n";
  writeSpec(text);
  readConstantSpeedSettings(plugin);
  EXPECT_EQ(specText(), text);
  // CSpdEnableSpd is missing, and its group does not run: the default.
  EXPECT_EQ(
      std::tuple(plugin.enableCSpd, plugin.enableHoldBrk, plugin.cspdEnableSpd, plugin.useCSpd),
      std::tuple(0, 2, 55, true));
}

TEST_F(SpecSettings, LowSpeedGroupRepeatsWhileItsEnableKeyIsMissing) {
  writeSpec("[CSpd]\nEnableCSpd=1\nEnableHoldBrk=1\nCSpdLowNotch=2\n");
  readConstantSpeedSettings(plugin);
  EXPECT_EQ(plugin.cspdLowNotch, 2);  // this run uses what it read
  EXPECT_EQ(platform::readProfileInt(dir.path() / "TIMS_Spec.ini", "CSpd", "CSpdLowNotch", 0), 1);

  readConstantSpeedSettings(plugin);
  EXPECT_EQ(plugin.cspdLowNotch, 1);
  EXPECT_EQ(specText(),
            "[CSpd]\nEnableCSpd=1\nEnableHoldBrk=1\nCSpdLowNotch=1\nCSpdLowEnableSpd=3\n"
            "CSpdLowDisableSpd=12\n");
}

TEST_F(SpecSettings, HoldBrakeGroupPutsItsKeysBackAtEveryRun) {
  writeSpec("[CSpd]\nEnableCSpd=1\nEnableCSpdLow=1\nHldBlkEnableSpd=70\n");
  readConstantSpeedSettings(plugin);
  writeSpec("[CSpd]\nEnableCSpd=1\nEnableCSpdLow=1\nHldBlkEnableSpd=80\nHldBlkDisableSpd=53\n");
  readConstantSpeedSettings(plugin);
  EXPECT_EQ(specText(),
            "[CSpd]\nEnableCSpd=1\nEnableCSpdLow=1\nHldBlkEnableSpd=55\nHldBlkDisableSpd=53\n");
}

TEST_F(SpecSettings, ReadOnlyFolderLeavesTheValuesAsRead) {
  // Writing into a folder that does not exist fails like a read-only one.
  plugin.pluginDirectory = dir.path() / "missing";
  readConstantSpeedSettings(plugin);
  EXPECT_EQ(plugin.enableCSpd, -1);
  EXPECT_EQ(plugin.cspdNotch, 5);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

// A sample file of the zip.
std::string sample(const char* name) {
  std::ifstream in(std::filesystem::path(TIMS_SOURCE_DIR) / "packaging" / name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Everything the settings file steers after the start of a run with `specText` as the settings
// file, and the file as the run leaves it.
auto settingsWith(const std::string& specText) {
  TempDir folder;
  folder.write("TIMS_Spec.ini", specText);
  const auto state = std::make_unique<std::pair<PluginState, TimsUnit>>();
  auto& [p, u] = *state;
  attachPlugin(p, u, folder.path());
  loadPlugin(u);
  initializeRun(p, u, 0);
  return std::pair(
      std::make_tuple(p.useCSpd, p.enableCSpd, p.enableCSpdLow, p.enableHoldBrk, p.cspdNotch,
                      p.cspdEnableSpd, p.cspdLowNotch, p.cspdLowEnableSpd, p.cspdLowDisableSpd,
                      p.enableMeterDisp, p.enableVmeter, p.hvMeterIndex, p.lvMeterIndex,
                      p.pilotLampIndex, u.d01abRows, u.dispType, u.unitDispEnable, u.useLegacyDisp,
                      u.nextStopType, u.haltLoopVolume, u.enableEb),
      folder.read("TIMS_Spec.ini"));
}

TEST(SampleFiles, GiveTheDefaultsStayAsTheyAreAndEveryKeyTheyListTakesEffect) {
  const std::string text = sample("TIMS_Spec.ini");
  const auto [sampled, rewritten] = settingsWith(text);
  auto defaults = settingsWith("").first;
  // Missing enable keys read as -1 (on); the sample writes them as 1, so nothing is written back.
  std::get<1>(defaults) = std::get<2>(defaults) = std::get<3>(defaults) = 1;
  EXPECT_EQ(std::pair(sampled, rewritten), std::pair(defaults, text));
  // Each key set to a value unlike the sample's (flags too) changes what the plug-in does, except
  // the keys that only the write-back puts into the file.
  std::istringstream lines(text);
  std::vector<std::string> keys, inert;
  for (std::string line; std::getline(lines, line);) {
    const auto equals = line.find('=');
    if (line.starts_with(';') || equals == std::string::npos) continue;
    keys.push_back(line.substr(0, equals));
    std::string changed = text;
    changed.replace(text.find(line) + equals + 1, line.size() - equals - 1,
                    std::stoi(line.substr(equals + 1)) == 0 ? "7" : "0");
    if (settingsWith(changed).first == sampled) inert.push_back(keys.back());
  }
  EXPECT_EQ(keys.size(), 24u);
  EXPECT_EQ(inert,
            (std::vector<std::string>{"CSpdDisableSpd", "HldBlkEnableSpd", "HldBlkDisableSpd"}));

  // The card catalogue names its two folders relative to the plug-in; the other keys are only
  // described, so they take the fallback folder.
  TempDir dir;
  IcCardCatalogue catalogue;
  catalogue.iniPath = dir.write("TIMS_ICCard.ini", sample("TIMS_ICCard.ini"));
  for (std::string name : {"local", "parcels"}) dir.write("cards/" + name + "/1.csv", "");
  loadCatalogue(catalogue);
  EXPECT_EQ(catalogue.cardFolders.at(0), dir.path() / "cards" / "local");
  EXPECT_EQ(catalogue.cardFolders.at(1), dir.path() / "cards" / "parcels");
  EXPECT_EQ(catalogue.cardFolders.at(31).filename(), "0");
}

}  // namespace
}  // namespace tims
