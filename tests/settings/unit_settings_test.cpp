#include <gtest/gtest.h>

#include "plugin/frame.h"
#include "support/temp_dir.h"
#include "unit/tims_unit.h"

namespace tims {
namespace {

using tims::testing::TempDir;

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

}  // namespace
}  // namespace tims
