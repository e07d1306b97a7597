// The sample settings files of the release zip: every key they list is one the plug-in reads,
// spelled so that it takes effect, and the values they give are the plug-in's defaults.
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "iccard/catalogue.h"
#include "plugin/frame.h"
#include "support/temp_dir.h"

namespace tims {
namespace {

using tims::testing::TempDir;

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
