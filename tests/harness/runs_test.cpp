// Whole runs through the real plug-in: the example cards driven end to end, a card the drive
// cannot finish, and the trip page (tims-host --html) rendered in headless Chromium, its drawn
// monitor compared with the text view at the same moments and its plots with the frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/temp_dir.h"
#include "tims-host/drive_command.h"

namespace tims::host {
namespace {

namespace fs = std::filesystem;
using tims::testing::TempDir;
using enum RowRole;

const std::string kSource = TIMS_SOURCE_DIR;
constexpr auto npos = std::string::npos;

int shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

std::size_t count(std::string_view text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The pieces of `text` between the separators, the one before the first dropped.
std::vector<std::string_view> piecesAfter(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> pieces;
  for (std::size_t at = text.find(separator); at != npos;) {
    const std::size_t next = text.find(separator, at + 1);
    pieces.push_back(text.substr(at + separator.size(), next - at - separator.size()));
    at = next;
  }
  return pieces;
}

// The text of `markup` without its tags and blanks, a closed group as '|': how a drawn monitor
// and a printed one compare.
std::string bare(std::string_view markup) {
  std::string text;
  for (std::size_t i = 0; i < markup.size(); ++i) {
    if (markup.substr(i, 4) == "</g>") text += '|';
    if (markup[i] == '<') {
      i = std::min(markup.find('>', i), markup.size());
    } else if (markup[i] != ' ') {
      text += markup[i];
    }
  }
  return text;
}

// Each monitor the text view printed: its clock, train and window rows, each row after a '|'.
std::vector<std::string> printedMonitors(const std::string& out) {
  std::vector<std::string> monitors;
  std::istringstream in(out);
  bool inRows = false;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("==== monitor ")) monitors.push_back(line.substr(13, 8));
    if (line.starts_with("Train "))
      monitors.back() += bare(line.substr(12, line.find("codes") - 12));
    if (line.starts_with("Lamps")) inRows = false;
    if (inRows) monitors.back() += "|" + bare(line);
    if (line.starts_with("  row  station")) inRows = true;
  }
  return monitors;
}

// Each monitor the page drew, in the same form.
std::vector<std::string> drawnMonitors(std::string_view dom) {
  std::vector<std::string> monitors;
  for (std::string_view figure : piecesAfter(dom, "<figure class=\"moment\"")) {
    const auto inside = [&](std::string_view tag, std::string_view end) {
      const std::size_t from = figure.find('>', figure.find(tag)) + 1;
      return bare(figure.substr(from, figure.find(end, from) - from));
    };
    monitors.push_back(inside("class=\"clock\"", "</text>") + inside("class=\"train\"", "</text>") +
                       "|" + inside("<g class=\"window\"", "</g></g>"));
  }
  return monitors;
}

// `tims-host drive FOLDER ARGS` in process, with the library built here.
DriveResult drive(const fs::path& vehicle, std::vector<const char*> args, std::ostream& out) {
  const std::string folder = vehicle.string();
  args.insert(args.begin(), {"drive", folder.c_str(), "--plugin", TIMS_PLUGIN_PATH});
  const ParsedDriveOptions parsed = parseDriveOptions(static_cast<int>(args.size()), args.data());
  EXPECT_EQ(parsed.error, "");
  return runDrive(parsed.options, out);
}

constexpr int32_t hms(int h, int m, int s) {
  return (h * 3600 + m * 60 + s) * 1000;
}

TEST(Drive, LocalTrain1523KStopsPassesAndChimesAsItsCardSaysAndItsPageShowsEveryStop) {
  TempDir dir;
  std::ostringstream out;
  const auto page = dir.path() / "drive.html";
  const std::string pageArg = page.string();
  const DriveResult result =
      drive(kSource + "/examples/vehicle",
            {"--card", "0", "--train", "1523K", "--html", pageArg.c_str()}, out);
  const TripReport& report = result.report;
  EXPECT_EQ(result.exitStatus, 0) << out.str();
  EXPECT_NE(out.str().find("checks: 11 passed, 0 failed"), npos) << out.str();
  EXPECT_EQ(report.checksPassed, 11);  // five stops with a window that moves on, six chimes
  EXPECT_NEAR(report.distanceM, 6000.0, 0.01);
  EXPECT_EQ(std::tuple(report.ebApplied, report.rejectedSoundValues), std::tuple(0, 0));
  // Per card row: its role, the chime on its approach (14 stop, 15 pass), the departure (the
  // train arrives early and leaves on time) and the terminal the monitor showed on arrival.
  // clang-format off
  const std::tuple<RowRole, int, int32_t, int32_t> rows[] = {
      {Origin, 0, hms(10, 0, 0), 0}, {Stop, 14, hms(10, 1, 50), 7}, {Pass, 15, 0, 7},
      {Stop, 14, hms(10, 4, 50), 0}, {Stop, 14, hms(10, 6, 30), 0}, {Stop, 14, hms(10, 8, 20), 0},
      {Stop, 14, 0, 0}};
  // clang-format on
  ASSERT_EQ(report.rows.size(), std::size(rows));
  for (int i = 0; const auto& [role, chime, departure, terminal] : rows) {
    SCOPED_TRACE("card row " + std::to_string(i));
    const RowOutcome& r = report.rows[i++];
    const auto heard = [&](int slot) {
      return slot == 0 || std::ranges::count(r.sounds, slot) > 0;
    };
    EXPECT_EQ(std::tuple(r.reached, r.row.role, heard(chime)), std::tuple(true, role, true));
    EXPECT_TRUE(departure == 0 || r.departedMs == departure) << "leaves on time";
    if (role == Stop) {
      EXPECT_TRUE(heard(16)) << "the halt loop on the approach";
      EXPECT_LE(r.arrivedMs.value_or(kDayMs), r.row.plannedArrivalMs.value_or(-1)) << "early";
    }
    if (role != Origin) {
      EXPECT_FALSE(r.nextStopShown) << "the standard layout has no next-stop field";
      EXPECT_EQ(r.terminalShown, terminal);
    }
  }
  EXPECT_EQ(report.rows[2].arrivedMs, report.rows[2].departedMs) << "a pass has one time";

  // The page, as Chromium renders it: the start and every stop drawn as the text view printed
  // them, with the names of the card the beacon named, each check, and the run's frames plotted.
  ASSERT_STRNE(TIMS_CHROMIUM, "TIMS_CHROMIUM-NOTFOUND")
      << "no chromium: scripts/install-deps.sh installs it";
  EXPECT_LT(fs::file_size(page), 1000u * 1000u);
  ASSERT_EQ(shell(std::string(TIMS_CHROMIUM) +
                  " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
                  " --disable-background-networking --disable-component-update --disable-sync"
                  " --hide-scrollbars --user-data-dir=" +
                  quoted(dir.path() / "profile") + " --window-size=1240,2000 --screenshot=" +
                  quoted(dir.path() / "shot.png") + " --dump-dom file://" + quoted(page) + " > " +
                  quoted(dir.path() / "dom.html") + " 2> /dev/null"),
            0);
  EXPECT_EQ(dir.read("shot.png").substr(0, 4), "\x89PNG");
  const std::string dom = dir.read("dom.html");
  const std::vector<std::string> printed = printedMonitors(out.str());
  ASSERT_EQ(printed.size(), 6u);  // the third station is passed
  // The clock starts a minute before the first departure, the card comes a second later and the
  // monitor is shown two seconds after that.
  EXPECT_TRUE(printed[0].starts_with("09:59:031523K|11東京--:--:--..:00:001|22神田")) << printed[0];
  EXPECT_EQ(drawnMonitors(dom), printed);
  EXPECT_EQ(count(dom, "data-label=\"stop at "), 5u);
  EXPECT_NE(dom.find("data-label=\"stop at 7 日暮里\""), npos);
  EXPECT_NE(dom.find("class=\"station\">2 神田</text>"), npos);
  // The page's script ran: it names the first moment beside the slider.
  EXPECT_NE(dom.find(">09:59:03.000 start at 1 東京</output>"), npos);
  EXPECT_EQ(count(dom, "class=\"check pass\""), 11u);
  EXPECT_EQ(count(dom, "class=\"check fail\""), 0u);
  // Every line of every plot holds the run's frames, thinned as documented: every frame up to
  // 1000, else two points for each span of ceil(frames / 1000) frames.
  ASSERT_GT(report.frames, 1000);
  const int64_t span = (report.frames + 999) / 1000;
  const auto lines = piecesAfter(dom, "<polyline");
  // Speed over time and over location, five handles, two pressure bars, two voltages.
  EXPECT_EQ(lines.size(), 11u);
  for (std::string_view line : lines) {
    const std::size_t from = line.find("points=\"") + 8;
    const std::string_view points = line.substr(from, line.find('"', from) - from);
    EXPECT_EQ(static_cast<int64_t>(count(points, " ") + 1),
              2 * ((report.frames + span - 1) / span));
  }
}

TEST(Drive, ParcelsTrainAnswersTheEbAlarmAndACardWithoutSectionLengthStopsTheDrive) {
  std::ostringstream out;
  const DriveResult parcels =
      drive(kSource + "/examples/vehicle", {"--card", "1", "--train", "荷2340M", "--quiet"}, out);
  EXPECT_EQ(parcels.exitStatus, 0) << out.str();
  ASSERT_EQ(parcels.report.rows.size(), 3u);
  EXPECT_EQ(parcels.report.rows[1].departedMs, hms(12, 3, 0));
  EXPECT_TRUE(parcels.report.rows[2].reached);
  EXPECT_EQ(std::ranges::count(parcels.report.rows[2].sounds, 14), 1);
  EXPECT_NEAR(parcels.report.distanceM, 3500.0, 0.01);
  // Two kilometres at line speed outlast the device's minute: the driver answers the alarm.
  EXPECT_EQ(
      std::tuple(parcels.report.ebAlarms, parcels.report.ebApplied, parcels.report.checksPassed),
      std::tuple(1, 0, 4));
  TempDir dir;
  dir.write("TIMS_ICCard.ini", "[ICCard]\n0=cards\n");
  // Row 1 leaves column 10 (the section length) empty.
  dir.write("cards/99.csv",
            "3,99\n"
            "7,-1,A,,100000,1,0,0,0.0,0,1.0,0,15,15,1,NULL,120,1,1,NULL,NULL,\n"
            "7,60,B,100100,100130,1,0,0,1.0,0,,1,15,15,1,NULL,120,1,2,NULL,NULL,\n"
            "7,60,C,100300,,1,0,0,2.0,0,0.0,1,15,15,1,NULL,120,1,3,NULL,NULL,\n");
  out.str("");
  const DriveResult broken = drive(dir.path(), {"--beacon", "9999", "--quiet"}, out);
  EXPECT_EQ(broken.exitStatus, 1);
  ASSERT_EQ(broken.report.failures.size(), 1u) << out.str();
  EXPECT_EQ(broken.report.failures[0].row, 1);
  EXPECT_NE(out.str().find("FAILED card row 1 (2 B), 10:01:"), npos) << out.str();
  EXPECT_NE(out.str().find("no section length"), npos);
  EXPECT_TRUE(broken.report.rows[1].reached);
  EXPECT_FALSE(broken.report.rows[2].reached);
}

TEST(TripPage, EachLayoutDrawsOnlyWhatItShowsAndTheEndComesEvenWhenQuiet) {
  // Legacy, DispType, the summary's name, cars drawn, next stop and terminal fields drawn.
  const std::tuple<int, int, const char*, std::size_t, bool, bool> layouts[] = {
      {0, 0, "Standard layout, DispType 0", 8, false, true},
      {0, 1, "Standard layout, DispType 1", 8, true, false},
      {1, 0, "Legacy layout, DispType 0", 4, false, true},
      {1, 1, "Legacy layout, DispType 1", 4, true, true}};
  for (const auto& [legacy, dispType, layout, cars, nextStop, terminal] : layouts) {
    SCOPED_TRACE(layout);
    TempDir dir;
    dir.write("run.tims", "vehicle " + kSource + "/examples/vehicle\nsetting Disp useLegacyDisp " +
                              std::to_string(legacy) + "\nsetting Disp DispType " +
                              std::to_string(dispType) +
                              "\nstart -1\nrun 1s\nbeacon 1000 152307\nrun 2s\nshow\n"
                              "expect panel 40 = 1\n");
    const auto page = dir.path() / "trip.html";
    EXPECT_EQ(
        shell(std::string(TIMS_HOST_PATH) + " --quiet --plugin " + TIMS_PLUGIN_PATH + " --html " +
              quoted(page) + " " + quoted(dir.path() / "run.tims") + " > /dev/null"),
        1);
    const std::string html = dir.read("trip.html");
    EXPECT_NE(html.find("<td id=\"summary-layout\">" + std::string(layout) + "</td>"), npos);
    EXPECT_EQ(count(html, "<figure class=\"moment\""), 2u);
    EXPECT_NE(html.find("data-label=\"show\""), npos);
    EXPECT_NE(html.find("data-label=\"end\""), npos);
    EXPECT_EQ(count(html, "class=\"carno\""), 2 * cars);  // in each of the two moments
    EXPECT_EQ(html.find(">next stop<") != npos, nextStop);
    EXPECT_EQ(html.find(">terminal<") != npos, terminal);
    EXPECT_NE(html.find("<circle class=\"check fail\""), npos);
    EXPECT_NE(html.find(">line 9</text>"), npos);
    EXPECT_NE(html.find("0 passed, <span class=\"bad\">1 failed</span>"), npos);
  }
}

}  // namespace
}  // namespace tims::host
