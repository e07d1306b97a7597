#include "settings/spec_settings.h"

#include <gtest/gtest.h>

#include "platform/profile.h"
#include "state/plugin_state.h"
#include "support/temp_dir.h"

namespace tims {
namespace {

using tims::testing::TempDir;

class SpecSettings : public ::testing::Test {
 protected:
  SpecSettings() { plugin.pluginDirectory = dir.path(); }
  std::string specText() const { return dir.read("TIMS_Spec.ini"); }
  void writeSpec(std::string_view text) const { dir.write("TIMS_Spec.ini", text); }

  TempDir dir;
  PluginState plugin;
};

TEST_F(SpecSettings, FirstRunWithoutAFileCreatesItWithTheEightDefaultKeysInOrder) {
  readConstantSpeedSettings(plugin);
  EXPECT_EQ(specText(),
            "[CSpd]\r\nEnableCSpd=1\r\nCSpdEnableSpd=55\r\nCSpdDisableSpd=53\r\nCSpdLowNotch=1\r\n"
            "CSpdLowEnableSpd=3\r\nCSpdLowDisableSpd=12\r\nHldBlkEnableSpd=55\r\n"
            "HldBlkDisableSpd=53\r\n");
  // The run goes on with the values as read: the missing enable keys stay negative.
  EXPECT_EQ(plugin.enableCSpd, -1);
  EXPECT_EQ(plugin.enableCSpdLow, -1);
  EXPECT_EQ(plugin.enableHoldBrk, -1);
  EXPECT_EQ(plugin.cspdNotch, 5);
  EXPECT_EQ(plugin.cspdEnableSpd, 55);
  EXPECT_EQ(plugin.cspdLowNotch, 1);
  EXPECT_EQ(plugin.cspdLowEnableSpd, 3);
  EXPECT_EQ(plugin.cspdLowDisableSpd, 12);
  EXPECT_FALSE(plugin.useCSpd);  // never written, so the aids stay off
}

TEST_F(SpecSettings, KeepsExistingContentAndWritesNothingWhenEnableKeysArePresent) {
  const std::string text =
      "; vehicle\r\n[CSpd]\r\nEnableCSpd=0\r\nEnableCSpdLow=1\r\nEnableHoldBrk=2\r\n"
      "useCSpd=1\r\n[Disp]\r\nD01ABnum=4\r\n";
  writeSpec(text);
  readConstantSpeedSettings(plugin);
  EXPECT_EQ(specText(), text);
  EXPECT_EQ(plugin.enableCSpd, 0);
  EXPECT_EQ(plugin.enableHoldBrk, 2);
  EXPECT_EQ(plugin.cspdEnableSpd, 55);  // missing, and group 1 does not run
  EXPECT_TRUE(plugin.useCSpd);
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
  EXPECT_EQ(specText(), "[CSpd]\nEnableCSpd=1\nEnableCSpdLow=1\nHldBlkEnableSpd=55\nHldBlkDisableSpd=53\n");
}

TEST_F(SpecSettings, ReadOnlyFolderLeavesTheValuesAsRead) {
  // Writing into a folder that does not exist fails like a read-only one.
  plugin.pluginDirectory = dir.path() / "missing";
  readConstantSpeedSettings(plugin);
  EXPECT_EQ(plugin.enableCSpd, -1);
  EXPECT_EQ(plugin.cspdNotch, 5);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

}  // namespace
}  // namespace tims
