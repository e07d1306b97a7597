// The sample settings files of the release zip: every key they list is one the plug-in reads,
// spelled so that it takes effect, and the values they give are the plug-in's defaults.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <tuple>
#include <vector>

#include "iccard/catalogue.h"
#include "platform/profile.h"
#include "plugin/frame.h"
#include "support/temp_dir.h"

namespace tims {
namespace {

namespace fs = std::filesystem;
using tims::testing::TempDir;

const fs::path kPackaging = fs::path(TIMS_SOURCE_DIR) / "packaging";

// Everything the settings file steers, as one comparable value.
auto settingsOf(const PluginState& p, const TimsUnit& u) {
  return std::make_tuple(p.useCSpd, p.enableCSpd, p.enableCSpdLow, p.enableHoldBrk, p.cspdNotch,
                         p.cspdEnableSpd, p.cspdLowNotch, p.cspdLowEnableSpd, p.cspdLowDisableSpd,
                         p.enableMeterDisp, p.enableVmeter, p.hvMeterIndex, p.lvMeterIndex,
                         p.pilotLampIndex, u.d01abRows, u.dispType, u.unitDispEnable,
                         u.useLegacyDisp, u.nextStopType, u.haltLoopVolume, u.enableEb);
}
using Settings = decltype(settingsOf(PluginState{}, TimsUnit{}));

// A start of a run with the plug-in in `folder`, as the host makes it.
Settings runWith(const fs::path& folder) {
  auto plugin = std::make_unique<PluginState>();
  auto unit = std::make_unique<TimsUnit>();
  attachPlugin(*plugin, *unit, folder);
  loadPlugin(*unit);
  initializeRun(*plugin, *unit, 0);
  return settingsOf(*plugin, *unit);
}

struct KeyLine {
  std::string section;
  std::string key;
  std::string value;
};

// The key lines of a sample file, read plainly: comments and blank lines skipped.
std::vector<KeyLine> keyLinesOf(const std::string& text) {
  std::vector<KeyLine> lines;
  std::istringstream in(text);
  std::string line;
  std::string section;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    lines.push_back({section, line.substr(0, equals), line.substr(equals + 1)});
  }
  return lines;
}

TEST(SampleSpecFile, GivesTheDefaultsAndIsNotRewritten) {
  TempDir sample;
  TempDir empty;
  const std::string text = [] {
    std::ifstream in(kPackaging / "TIMS_Spec.ini", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }();
  ASSERT_FALSE(text.empty());
  sample.write("TIMS_Spec.ini", text);

  auto expected = runWith(empty.path());
  // Missing enable keys read as -1 (on); the sample writes them as 1, so nothing is written back.
  std::get<1>(expected) = std::get<2>(expected) = std::get<3>(expected) = 1;
  EXPECT_EQ(runWith(sample.path()), expected);
  EXPECT_EQ(sample.read("TIMS_Spec.ini"), text);
}

TEST(SampleSpecFile, EveryKeyItListsTakesEffect) {
  TempDir base;
  const std::string text = [] {
    std::ifstream in(kPackaging / "TIMS_Spec.ini", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }();
  base.write("TIMS_Spec.ini", text);
  const Settings defaults = runWith(base.path());

  const auto keys = keyLinesOf(text);
  EXPECT_EQ(keys.size(), 24u);
  std::vector<std::string> writtenBackOnly;
  for (const KeyLine& line : keys) {
    TempDir changed;
    changed.write("TIMS_Spec.ini", text);
    // A value unlike the sample's, also for flags.
    const std::string other = line.value == "0" ? "7" : "0";
    ASSERT_TRUE(platform::writeProfileString(changed.path() / "TIMS_Spec.ini", line.section,
                                             line.key, other));
    if (runWith(changed.path()) == defaults) writtenBackOnly.push_back(line.key);
  }
  // Only the keys that the write-back puts into the file steer nothing.
  EXPECT_EQ(writtenBackOnly,
            (std::vector<std::string>{"CSpdDisableSpd", "HldBlkEnableSpd", "HldBlkDisableSpd"}));
}

TEST(SampleIcCardFile, NamesItsCardFoldersRelativeToThePlugin) {
  TempDir dir;
  std::ifstream in(kPackaging / "TIMS_ICCard.ini", std::ios::binary);
  dir.write("TIMS_ICCard.ini",
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
  fs::create_directories(dir.path() / "cards" / "local");
  fs::create_directories(dir.path() / "cards" / "parcels");

  auto plugin = std::make_unique<PluginState>();
  auto unit = std::make_unique<TimsUnit>();
  attachPlugin(*plugin, *unit, dir.path());
  loadCatalogue(unit->catalogue);
  ASSERT_EQ(unit->catalogue.cardFolders.size(), 32u);
  EXPECT_EQ(fs::weakly_canonical(unit->catalogue.cardFolders[0]),
            fs::weakly_canonical(dir.path() / "cards" / "local"));
  EXPECT_EQ(fs::weakly_canonical(unit->catalogue.cardFolders[1]),
            fs::weakly_canonical(dir.path() / "cards" / "parcels"));
  // Keys 2 to 31 are only described, so they take the fallback folder.
  EXPECT_EQ(unit->catalogue.cardFolders[2].filename(), "0");
}

}  // namespace
}  // namespace tims
