#include "tims-host/working_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"
#include "tims-host/host_options.h"

namespace tims::host {
namespace {

namespace fs = std::filesystem;

class Working : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.write("vehicle/TIMS_Spec.ini", "[EB]\nEnableEB=0\n");
    dir.write("vehicle/cards/local/1523K.csv", "3,1523K\n");
    dir.write("build/libtims.so", "not really a library");
  }
  tims::testing::TempDir dir;
};

TEST_F(Working, ACopyKeepsTheOriginalsUntouched) {
  WorkingFolder working =
      prepareWorkingFolder(dir.path() / "vehicle", dir.path() / "build" / "libtims.so", false);
  EXPECT_TRUE(working.temporary);
  EXPECT_NE(working.folder, dir.path() / "vehicle");
  EXPECT_EQ(working.library, working.folder / "libtims.so");
  EXPECT_TRUE(fs::is_regular_file(working.folder / "cards" / "local" / "1523K.csv"));
  EXPECT_TRUE(fs::is_regular_file(working.library));
  // What the plug-in writes lands in the copy.
  {
    std::ofstream out(working.folder / "TIMS_Spec.ini", std::ios::app);
    out << "[CSpd]\nEnableCSpd=1\n";
  }
  EXPECT_EQ(dir.read("vehicle/TIMS_Spec.ini"), "[EB]\nEnableEB=0\n");
  const fs::path folder = working.folder;
  releaseWorkingFolder(working);
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_TRUE(fs::exists(dir.path() / "vehicle" / "TIMS_Spec.ini"));
}

TEST_F(Working, EveryRunGetsItsOwnFolder) {
  WorkingFolder a =
      prepareWorkingFolder(dir.path() / "vehicle", dir.path() / "build" / "libtims.so", false);
  WorkingFolder b =
      prepareWorkingFolder(dir.path() / "vehicle", dir.path() / "build" / "libtims.so", false);
  EXPECT_NE(a.folder, b.folder);
  releaseWorkingFolder(a);
  releaseWorkingFolder(b);
}

TEST_F(Working, WriteThroughPlacesTheLibraryForTheRunOnly) {
  WorkingFolder working =
      prepareWorkingFolder(dir.path() / "vehicle", dir.path() / "build" / "libtims.so", true);
  EXPECT_FALSE(working.temporary);
  EXPECT_TRUE(working.placedLibrary);
  EXPECT_TRUE(fs::equivalent(working.folder, dir.path() / "vehicle"));
  EXPECT_TRUE(fs::is_regular_file(dir.path() / "vehicle" / "libtims.so"));
  releaseWorkingFolder(working);
  EXPECT_FALSE(fs::exists(dir.path() / "vehicle" / "libtims.so"));
  EXPECT_TRUE(fs::exists(dir.path() / "vehicle" / "TIMS_Spec.ini"));  // the folder itself stays
}

TEST_F(Working, WriteThroughLoadsALibraryAlreadyInTheFolderAndNeverOverwritesOne) {
  dir.write("vehicle/libtims.so", "the vehicle's own");
  WorkingFolder own =
      prepareWorkingFolder(dir.path() / "vehicle", dir.path() / "vehicle" / "libtims.so", true);
  EXPECT_FALSE(own.placedLibrary);
  releaseWorkingFolder(own);
  EXPECT_EQ(dir.read("vehicle/libtims.so"), "the vehicle's own");
  EXPECT_THROW(
      prepareWorkingFolder(dir.path() / "vehicle", dir.path() / "build" / "libtims.so", true),
      std::runtime_error);
  EXPECT_EQ(dir.read("vehicle/libtims.so"), "the vehicle's own");
}

TEST_F(Working, MissingFolderOrLibraryIsExplained) {
  try {
    prepareWorkingFolder(dir.path() / "nowhere", dir.path() / "build" / "libtims.so", false);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("does not exist"), std::string::npos);
  }
  EXPECT_THROW(prepareWorkingFolder(dir.path() / "vehicle", dir.path() / "none.so", false),
               std::runtime_error);
}

TEST(HostOptionsTest, ParsesTheCommandLine) {
  const char* argv[] = {"tims-host", "--quiet", "--trace", "t.csv", "--write-through", "a.tims"};
  const ParsedOptions parsed = parseHostOptions(6, argv);
  EXPECT_EQ(parsed.error, "");
  EXPECT_TRUE(parsed.options.quiet);
  EXPECT_TRUE(parsed.options.writeThrough);
  EXPECT_EQ(parsed.options.tracePath, "t.csv");
  EXPECT_EQ(parsed.options.scenario, "a.tims");
  const char* missing[] = {"tims-host", "--plugin"};
  EXPECT_EQ(parseHostOptions(2, missing).error, "--plugin needs a value");
  const char* unknown[] = {"tims-host", "--fast", "a.tims"};
  EXPECT_EQ(parseHostOptions(3, unknown).error, "unknown option --fast");
  const char* none[] = {"tims-host"};
  EXPECT_EQ(parseHostOptions(1, none).error, "no scenario given");
}

TEST(HostOptionsTest, VehicleFolderIsTakenRelativeToTheScenario) {
  HostOptions options;
  options.scenario = fs::path("examples") / "scenarios" / "run.tims";
  const Scenario scenario = parseScenario("vehicle ../vehicle\n", "run.tims");
  EXPECT_EQ(vehicleFolderFor(options, scenario),
            fs::path("examples") / "scenarios" / ".." / "vehicle");
  options.vehicle = "elsewhere";
  EXPECT_EQ(vehicleFolderFor(options, scenario), fs::path("elsewhere"));
  options.vehicle.clear();
  EXPECT_THROW(vehicleFolderFor(options, parseScenario("", "x")), std::runtime_error);
}

}  // namespace
}  // namespace tims::host
