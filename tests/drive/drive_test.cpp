// The drive end to end: the example cards through the real plug-in, and a card it cannot drive.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "tims-host/beacon_value.h"
#include "tims-host/drive_command.h"

namespace tims::host {
namespace {

namespace fs = std::filesystem;

constexpr int32_t hms(int h, int m, int s) {
  return (h * 3600 + m * 60 + s) * 1000;
}

struct Counter : RunObserver {
  int stopViews = 0;
  int checks = 0;
  void onMoment(const std::string& label, int32_t, const int32_t*) override {
    stopViews += label.starts_with("stop at ") ? 1 : 0;
  }
  void onCheck(const CheckResult&) override { ++checks; }
};

DriveResult drive(const fs::path& vehicle, int32_t card, const std::string& train,
                  std::ostream& out, RunObserver* observer = nullptr) {
  DriveOptions options;
  options.vehicle = vehicle;
  options.plugin = TIMS_PLUGIN_PATH;
  options.quiet = true;
  options.beacon = std::get<int32_t>(cardBeaconValue(card, train));
  return runDrive(options, out, observer);
}

bool heard(const RowOutcome& row, int slot) {
  return std::find(row.sounds.begin(), row.sounds.end(), slot) != row.sounds.end();
}

const fs::path kExamples = fs::path(TIMS_SOURCE_DIR) / "examples" / "vehicle";

TEST(Drive, LocalTrain1523KStopsPassesAndChimesAsItsCardSays) {
  std::ostringstream out;
  Counter observer;
  const DriveResult result = drive(kExamples, 0, "1523K", out, &observer);
  const TripReport& report = result.report;
  EXPECT_EQ(result.exitStatus, 0) << out.str();
  EXPECT_TRUE(report.failures.empty());
  // Five stops with a window that moves on, six approach chimes.
  EXPECT_EQ(report.checksPassed, 11);
  EXPECT_EQ(observer.checks, 11);
  EXPECT_EQ(observer.stopViews, 5);
  EXPECT_NEAR(report.distanceM, 6000.0, 0.01);
  EXPECT_EQ(report.ebApplied, 0);
  EXPECT_EQ(report.rejectedSoundValues, 0);

  struct Row {
    RowRole role;
    int chimeSlot;             // 14 stop chime, 15 pass chime, 0 none
    int32_t plannedDeparture;  // the train arrives early and leaves on time
    int32_t terminalShown;     // -1: none shown, the window has reached the end
  };
  const Row rows[] = {
      {RowRole::Origin, 0, hms(10, 0, 0), 0},
      {RowRole::Stop, 14, hms(10, 1, 50), 7},
      {RowRole::Pass, 15, 0, 7},
      {RowRole::Stop, 14, hms(10, 4, 50), 0},
      {RowRole::Stop, 14, hms(10, 6, 30), 0},
      {RowRole::Stop, 14, hms(10, 8, 20), 0},
      {RowRole::Stop, 14, 0, 0},
  };
  ASSERT_EQ(report.rows.size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE("card row " + std::to_string(i));
    const RowOutcome& r = report.rows[i];
    EXPECT_TRUE(r.reached);
    EXPECT_EQ(r.row.role, rows[i].role);
    if (rows[i].chimeSlot != 0) {
      EXPECT_TRUE(heard(r, rows[i].chimeSlot));
    }
    if (rows[i].plannedDeparture != 0) {
      EXPECT_EQ(r.departedMs, rows[i].plannedDeparture);
    }
    if (r.row.role == RowRole::Stop) {
      EXPECT_TRUE(heard(r, 16)) << "the halt loop on the approach";
      ASSERT_TRUE(r.arrivedMs && r.row.plannedArrivalMs);
      EXPECT_LE(*r.arrivedMs, *r.row.plannedArrivalMs) << "the model runs ahead of the card";
    }
    if (i > 0) {
      EXPECT_FALSE(r.nextStopShown) << "the standard layout has no next-stop field";
      EXPECT_EQ(r.terminalShown, rows[i].terminalShown);
    }
  }
  EXPECT_EQ(report.rows[2].arrivedMs, report.rows[2].departedMs) << "a pass has one time";
  EXPECT_NE(out.str().find("checks: 11 passed, 0 failed"), std::string::npos) << out.str();
}

TEST(Drive, ParcelsTrainAnswersTheEbAlarmOnItsLongSection) {
  std::ostringstream out;
  const DriveResult result = drive(kExamples, 1, "荷2340M", out);
  const TripReport& report = result.report;
  EXPECT_EQ(result.exitStatus, 0) << out.str();
  ASSERT_EQ(report.rows.size(), 3u);
  EXPECT_EQ(report.rows[1].departedMs, hms(12, 3, 0));
  EXPECT_TRUE(report.rows[2].reached);
  EXPECT_TRUE(heard(report.rows[2], 14));
  EXPECT_NEAR(report.distanceM, 3500.0, 0.01);
  // Two kilometres at line speed outlast the device's minute: the driver answers the alarm.
  EXPECT_EQ(report.ebAlarms, 1);
  EXPECT_EQ(report.ebApplied, 0);
  EXPECT_EQ(report.checksPassed, 4);
}

TEST(Drive, StopsWhereACardRowHasNoSectionLength) {
  const fs::path vehicle = fs::temp_directory_path() / "tims-drive-test-broken";
  fs::remove_all(vehicle);
  fs::create_directories(vehicle / "cards");
  std::ofstream(vehicle / "TIMS_ICCard.ini") << "[ICCard]\n0=cards\n";
  // Row 1 leaves column 10 (the section length) empty.
  std::ofstream(vehicle / "cards" / "99.csv")
      << "3,99\n"
         "7,-1,A,,100000,1,0,0,0.0,0,1.0,0,15,15,1,NULL,120,1,1,NULL,NULL,\n"
         "7,60,B,100100,100130,1,0,0,1.0,0,,1,15,15,1,NULL,120,1,2,NULL,NULL,\n"
         "7,60,C,100300,,1,0,0,2.0,0,0.0,1,15,15,1,NULL,120,1,3,NULL,NULL,\n";
  std::ostringstream out;
  const DriveResult result = drive(vehicle, 0, "99", out);
  fs::remove_all(vehicle);
  EXPECT_EQ(result.exitStatus, 1);
  ASSERT_EQ(result.report.failures.size(), 1u) << out.str();
  EXPECT_EQ(result.report.failures[0].row, 1);
  EXPECT_NE(out.str().find("FAILED card row 1 (2 B), 10:01:"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("no section length"), std::string::npos);
  EXPECT_TRUE(result.report.rows[1].reached);
  EXPECT_FALSE(result.report.rows[2].reached);
}

TEST(Drive, BeaconValueFromCardIndexAndTrainName) {
  struct Case {
    int32_t card;
    const char* train;
    int32_t value;  // 0: refused
  };
  const Case cases[] = {
      {0, "1523K", 152307},
      {1, "荷2340M", 101234008},
      {1,
       "\x89\xD7"
       "2340M",
       101234008},  // 荷 as a Japanese Windows passes it
      {21, "試単9999KR", 2110999928},
      {0, "99", 9999},
      {22, "1K", 0},
      {0, "0123K", 0},
      {0, "X12K", 0},
      {0, "12V", 0},
      {0, "12345", 0},
  };
  for (const Case& c : cases) {
    const auto value = cardBeaconValue(c.card, c.train);
    if (c.value != 0) {
      EXPECT_EQ(std::get<int32_t>(value), c.value) << c.train;
    } else {
      EXPECT_TRUE(std::holds_alternative<std::string>(value)) << c.train;
    }
  }
}

TEST(Drive, OptionsTakeDurationsAndRefuseWhatCannotBeDriven) {
  struct Case {
    std::vector<const char*> args;
    int32_t dwellMs;  // -1: refused
  };
  const Case cases[] = {
      {{"--beacon", "152307", "--dwell", "45"}, 45000},
      {{"--card", "0", "--train", "1523K", "--dwell", "1.5min"}, 90000},
      {{"--beacon", "152307", "--dwell", "soon"}, -1},
      {{"--beacon", "152307", "--card", "0", "--train", "1523K"}, -1},
      {{"--card", "0"}, -1},
      {{"--beacon", "152307", "--spec", "8,9"}, -1},
      {{"--beacon", "152307", "--line-speed", "0"}, -1},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv{"drive"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const auto parsed = parseDriveOptions(static_cast<int>(argv.size()), argv.data());
    SCOPED_TRACE(c.args.back());
    EXPECT_EQ(parsed.error.empty(), c.dwellMs >= 0) << parsed.error;
    if (c.dwellMs >= 0) {
      EXPECT_EQ(parsed.options.settings.dwellMs, c.dwellMs);
      EXPECT_EQ(parsed.options.beacon, 152307);
    }
  }
}

}  // namespace
}  // namespace tims::host
