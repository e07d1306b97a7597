#include <gtest/gtest.h>

#include "plugin/frame.h"
#include "support/temp_dir.h"
#include "unit/tims_unit.h"

namespace tims {
namespace {

using tims::testing::TempDir;

TEST(UnitConstruction, StartsZeroedWithSilentSoundsAndSafeViews) {
  TimsUnit unit;
  EXPECT_EQ(unit.d01abRows, 0);
  EXPECT_FALSE(unit.icCardActive);
  for (int32_t value : unit.soundOut) EXPECT_EQ(value, kSoundSilent);
  for (int32_t value : unit.soundCommand) EXPECT_EQ(value, kSoundSilent);
  ASSERT_NE(unit.statePtr, nullptr);
  ASSERT_NE(unit.frameMsPtr, nullptr);
  ASSERT_NE(unit.frameDistancePtr, nullptr);
  EXPECT_EQ(*unit.frameMsPtr, 0);
}

TEST(UnitReset, DefaultsWithoutASettingsFile) {
  TempDir dir;
  TimsUnit unit;
  unit.specPath = dir.path() / "TIMS_Spec.ini";
  resetUnit(unit);
  EXPECT_EQ(unit.d01abRows, 5);
  EXPECT_FALSE(unit.dispType);
  EXPECT_TRUE(unit.unitDispEnable);
  EXPECT_FALSE(unit.useLegacyDisp);
  EXPECT_EQ(unit.nextStopType, 0);
  EXPECT_FALSE(unit.haltLoopVolume);
  EXPECT_TRUE(unit.enableEb);
}

TEST(UnitReset, ReadsTheSettingsAsWrittenAndClampsTheWindow) {
  TempDir dir;
  TimsUnit unit;
  unit.specPath = dir.write("TIMS_Spec.ini",
                            "[Disp]\nDispType=7\nNextStopType=3\nuseLegacyDisp=1\nUnitDispEnable=0\n"
                            "D01ABnum=12\n[Sound]\nHaltLoopVolume=1\n[EB]\nEnableEB=0\n");
  resetUnit(unit);
  EXPECT_TRUE(unit.dispType);
  EXPECT_EQ(unit.nextStopType, 3);
  EXPECT_TRUE(unit.useLegacyDisp);
  EXPECT_FALSE(unit.unitDispEnable);
  EXPECT_TRUE(unit.haltLoopVolume);
  EXPECT_FALSE(unit.enableEb);
  EXPECT_EQ(unit.d01abRows, 7);  // the row vectors hold seven rows
  dir.write("TIMS_Spec.ini", "[Disp]\nD01ABnum=-3\n");
  resetUnit(unit);
  EXPECT_EQ(unit.d01abRows, 0);
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
  unit.icCardActive = true;
  unit.nextRowIndex = 4;
  unit.rowStationId.fill(9);
  unit.dispRunSeconds.fill(3);
  unit.ebApplied = true;
  unit.soundOut.fill(0);
  unit.kmPostAscending = false;

  resetUnit(unit);

  EXPECT_FALSE(unit.icCardActive);
  EXPECT_TRUE(unit.catalogue.icRows.empty());
  EXPECT_EQ(unit.catalogue.trainNumberText, "NULL");
  EXPECT_EQ(unit.catalogue.record1ValueA, 7);
  EXPECT_EQ(unit.catalogue.cardFolders.size(), 32u);
  EXPECT_EQ(unit.nextRowIndex, 4u);
  EXPECT_EQ(unit.specPath, dir.path() / "TIMS_Spec.ini");
  EXPECT_EQ(unit.statePtr, &plugin.state);
  for (int row = 0; row < kRows; ++row) {
    EXPECT_EQ(unit.rowStationId[row], 0);
    EXPECT_EQ(unit.dispArrHour[row], 24);
    EXPECT_EQ(unit.rowDepMinute[row], 60);
    EXPECT_EQ(unit.dispRunSeconds[row], 60);
    EXPECT_EQ(unit.rowValueC[row], 20);
    EXPECT_EQ(unit.dispValueD[row], 0);
  }
  for (int32_t code : unit.trainNumberDigits) EXPECT_EQ(code, 50);
  for (int32_t code : unit.cardCodes) EXPECT_EQ(code, 50);
  EXPECT_EQ(unit.cardTime, (std::array<int32_t, 6>{24, 60, 60, 24, 60, 60}));
  EXPECT_EQ(unit.nextStop.arrHour, 24);
  EXPECT_EQ(unit.terminal.arrSecond, 60);
  EXPECT_EQ(unit.routePosition, 60);
  EXPECT_EQ(unit.routePositionBase, 60);
  EXPECT_TRUE(unit.kmPostAscending);
  EXPECT_FALSE(unit.ebApplied);
  for (int32_t value : unit.soundOut) EXPECT_EQ(value, kSoundSilent);
}

}  // namespace
}  // namespace tims
