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

// The words of `markup` with its tags dropped (a closed <text> element ends a word), one blank
// between them: how a drawn row and a printed one are compared.
std::string words(std::string_view markup) {
  std::string text, out, word;
  for (std::size_t i = 0; i < markup.size(); ++i) {
    if (markup.substr(i, 7) == "</text>") text += ' ';
    if (markup[i] == '<') {
      i = std::min(markup.find('>', i), markup.size());
    } else {
      text += markup[i];
    }
  }
  std::istringstream in(text);
  while (in >> word) out += (out.empty() ? "" : " ") + word;
  return out;
}

// Each monitor the text view printed, as "clock train" and a line of words per window row.
std::vector<std::string> printedMonitors(std::string_view out) {
  std::vector<std::string> monitors;
  for (std::string_view view : piecesAfter(out, "==== monitor ")) {
    std::string monitor(view.substr(0, 8));
    bool inRows = false;
    for (std::string_view line : piecesAfter("\n" + std::string(view), "\n")) {
      if (line.starts_with("Train "))
        monitor += " " + words(line.substr(12, line.find("codes") - 12));
      if (line.starts_with("Lamps")) inRows = false;
      if (inRows) monitor += "\n" + words(line);
      if (line.starts_with("  row  station")) inRows = true;
    }
    monitors.push_back(monitor);
  }
  return monitors;
}

// Each monitor the page drew, in the same form.
std::vector<std::string> drawnMonitors(std::string_view dom) {
  auto textOf = [](std::string_view svg, std::string_view marker) {
    const std::size_t from = svg.find('>', svg.find(marker)) + 1;
    return words(svg.substr(from, svg.find("</text>", from) - from));
  };
  std::vector<std::string> monitors;
  for (std::string_view figure : piecesAfter(dom, "<figure class=\"moment\"")) {
    std::string monitor =
        textOf(figure, "class=\"clock\"") + " " + textOf(figure, "class=\"train\"");
    const std::string_view window = figure.substr(0, figure.find("</g></g>"));
    for (std::string_view row : piecesAfter(window, "<g class=\"row\"")) {
      monitor += "\n" + words(row.substr(row.find('>') + 1));
    }
    monitors.push_back(monitor);
  }
  return monitors;
}

// `tims-host drive FOLDER ARGS` in process, quiet, with the library built here.
DriveResult drive(const fs::path& vehicle, std::vector<const char*> args, std::ostream& out) {
  const std::string folder = vehicle.string();
  args.insert(args.begin(), {"drive", folder.c_str(), "--quiet", "--plugin", TIMS_PLUGIN_PATH});
  const ParsedDriveOptions parsed = parseDriveOptions(static_cast<int>(args.size()), args.data());
  EXPECT_EQ(parsed.error, "");
  return runDrive(parsed.options, out);
}

constexpr int32_t hms(int h, int m, int s) {
  return (h * 3600 + m * 60 + s) * 1000;
}

TEST(Drive, LocalTrain1523KStopsPassesAndChimesAsItsCardSaysAndDrawsEveryStop) {
  TempDir dir;
  std::ostringstream out;
  const std::string page = (dir.path() / "drive.html").string();
  const DriveResult result =
      drive(kSource + "/examples/vehicle",
            {"--card", "0", "--train", "1523K", "--html", page.c_str()}, out);
  const TripReport& report = result.report;
  EXPECT_EQ(result.exitStatus, 0) << out.str();
  EXPECT_TRUE(report.failures.empty());
  EXPECT_NE(out.str().find("checks: 11 passed, 0 failed"), npos) << out.str();
  EXPECT_EQ(report.checksPassed, 11);  // five stops with a window that moves on, six chimes
  EXPECT_NEAR(report.distanceM, 6000.0, 0.01);
  EXPECT_EQ(std::tuple(report.ebApplied, report.rejectedSoundValues), std::tuple(0, 0));
  // Per card row: its role, the chime on its approach (14 stop, 15 pass), the departure (the
  // train arrives early and leaves on time) and the terminal the monitor showed on arrival.
  const std::tuple<RowRole, int, int32_t, int32_t> rows[] = {{Origin, 0, hms(10, 0, 0), 0},
                                                             {Stop, 14, hms(10, 1, 50), 7},
                                                             {Pass, 15, 0, 7},
                                                             {Stop, 14, hms(10, 4, 50), 0},
                                                             {Stop, 14, hms(10, 6, 30), 0},
                                                             {Stop, 14, hms(10, 8, 20), 0},
                                                             {Stop, 14, 0, 0}};
  ASSERT_EQ(report.rows.size(), std::size(rows));
  for (int i = 0; const auto& [role, chime, departure, terminal] : rows) {
    SCOPED_TRACE("card row " + std::to_string(i));
    const RowOutcome& r = report.rows[i++];
    auto heard = [&](int slot) { return std::ranges::count(r.sounds, slot) > 0; };
    EXPECT_TRUE(r.reached);
    EXPECT_EQ(r.row.role, role);
    EXPECT_TRUE(chime == 0 || heard(chime));
    if (departure) {
      EXPECT_EQ(r.departedMs, departure);
    }
    if (role == Stop) {
      EXPECT_TRUE(heard(16)) << "the halt loop on the approach";
      ASSERT_TRUE(r.arrivedMs && r.row.plannedArrivalMs);
      EXPECT_LE(*r.arrivedMs, *r.row.plannedArrivalMs) << "the model runs ahead of the card";
    }
    if (role != Origin) {
      EXPECT_FALSE(r.nextStopShown) << "the standard layout has no next-stop field";
      EXPECT_EQ(r.terminalShown, terminal);
    }
  }
  EXPECT_EQ(report.rows[2].arrivedMs, report.rows[2].departedMs) << "a pass has one time";
  // The page draws the start and every stop, with the names of the card the beacon named, and
  // shows each check.
  const std::string html = dir.read("drive.html");
  EXPECT_EQ(count(html, "<figure class=\"moment\""), 6u);
  EXPECT_EQ(count(html, "data-label=\"stop at "), 5u);
  EXPECT_NE(html.find("data-label=\"start at 1 東京\""), npos);
  EXPECT_NE(html.find("data-label=\"stop at 7 日暮里\""), npos);
  EXPECT_NE(html.find("class=\"station\">2 神田</text>"), npos);
  EXPECT_EQ(count(html, "class=\"check pass\""), 11u);
  EXPECT_EQ(count(html, "class=\"check fail\""), 0u);
}

TEST(Drive, ParcelsTrainAnswersTheEbAlarmOnItsLongSection) {
  std::ostringstream out;
  const DriveResult result =
      drive(kSource + "/examples/vehicle", {"--card", "1", "--train", "荷2340M"}, out);
  const TripReport& report = result.report;
  EXPECT_EQ(result.exitStatus, 0) << out.str();
  ASSERT_EQ(report.rows.size(), 3u);
  EXPECT_EQ(report.rows[1].departedMs, hms(12, 3, 0));
  EXPECT_TRUE(report.rows[2].reached);
  EXPECT_EQ(std::ranges::count(report.rows[2].sounds, 14), 1);
  EXPECT_NEAR(report.distanceM, 3500.0, 0.01);
  // Two kilometres at line speed outlast the device's minute: the driver answers the alarm.
  EXPECT_EQ(std::tuple(report.ebAlarms, report.ebApplied, report.checksPassed),
            std::tuple(1, 0, 4));
}

TEST(Drive, StopsWhereACardRowHasNoSectionLength) {
  TempDir dir;
  dir.write("TIMS_ICCard.ini", "[ICCard]\n0=cards\n");
  // Row 1 leaves column 10 (the section length) empty.
  dir.write("cards/99.csv",
            "3,99\n"
            "7,-1,A,,100000,1,0,0,0.0,0,1.0,0,15,15,1,NULL,120,1,1,NULL,NULL,\n"
            "7,60,B,100100,100130,1,0,0,1.0,0,,1,15,15,1,NULL,120,1,2,NULL,NULL,\n"
            "7,60,C,100300,,1,0,0,2.0,0,0.0,1,15,15,1,NULL,120,1,3,NULL,NULL,\n");
  std::ostringstream out;
  const DriveResult result = drive(dir.path(), {"--beacon", "9999"}, out);
  EXPECT_EQ(result.exitStatus, 1);
  ASSERT_EQ(result.report.failures.size(), 1u) << out.str();
  EXPECT_EQ(result.report.failures[0].row, 1);
  EXPECT_NE(out.str().find("FAILED card row 1 (2 B), 10:01:"), npos) << out.str();
  EXPECT_NE(out.str().find("no section length"), npos);
  EXPECT_TRUE(result.report.rows[1].reached);
  EXPECT_FALSE(result.report.rows[2].reached);
}

std::string hostCommand(const fs::path& scenario, const fs::path& page, const char* options = "") {
  return std::string(TIMS_HOST_PATH) + " --plugin " + TIMS_PLUGIN_PATH + " --html " + quoted(page) +
         " " + options + " " + quoted(scenario);
}

TEST(TripPage, ShowsInABrowserWhatTheTextViewShowsAndPlotsEveryFrame) {
  ASSERT_STRNE(TIMS_CHROMIUM, "TIMS_CHROMIUM-NOTFOUND")
      << "no chromium: scripts/install-deps.sh installs it";
  TempDir dir;
  const auto page = dir.path() / "trip.html";
  const std::string scenario = kSource + "/examples/scenarios/ic_card_run.tims";
  ASSERT_EQ(shell(hostCommand(scenario, page) + " > " + quoted(dir.path() / "view.txt")), 0);
  const std::string view = dir.read("view.txt");
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

  // Every show and the end, each drawn as the text view printed it.
  const std::vector<std::string> printed = printedMonitors(view);
  ASSERT_EQ(printed.size(), 6u);
  EXPECT_TRUE(printed[0].starts_with("09:59:33 1523K\n1 1 東京 --:--:-- ..:00:00 1\n"))
      << printed[0];
  EXPECT_EQ(drawnMonitors(dom), printed);
  // The page's script ran: it names the first moment beside the slider.
  EXPECT_NE(dom.find("<output id=\"moment-caption\">09:59:33.000 show</output>"), npos);

  // Every line of every plot holds the run's frames, thinned as documented: every frame up to
  // 1000, else two points for each span of ceil(frames / 1000) frames.
  const std::size_t framesAt = view.rfind(" frames, ");
  const long long frames = std::stoll(view.substr(view.rfind(": ", framesAt) + 2));
  ASSERT_GT(frames, 1000);
  const long long span = (frames + 999) / 1000;
  const auto lines = piecesAfter(dom, "<polyline");
  // Speed over time and over location, five handles, two pressure bars, two voltages.
  EXPECT_EQ(lines.size(), 11u);
  for (std::string_view line : lines) {
    const std::size_t from = line.find("points=\"") + 8;
    const std::string_view points = line.substr(from, line.find('"', from) - from);
    EXPECT_EQ(static_cast<long long>(count(points, " ") + 1), 2 * ((frames + span - 1) / span));
  }
  EXPECT_EQ(count(dom, "class=\"check pass\""), 34u);
  EXPECT_EQ(count(dom, "class=\"check fail\""), 0u);
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
                              "\nstart -1\nrun 1s\nbeacon 1000 152307\nrun 2s\n"
                              "expect panel 40 = 1\n");
    const auto page = dir.path() / "trip.html";
    EXPECT_EQ(shell(hostCommand(dir.path() / "run.tims", page, "--quiet") + " > /dev/null"), 1);
    const std::string html = dir.read("trip.html");
    EXPECT_NE(html.find("<td id=\"summary-layout\">" + std::string(layout) + "</td>"), npos);
    EXPECT_EQ(count(html, "<figure class=\"moment\""), 1u);
    EXPECT_NE(html.find("data-label=\"end\""), npos);
    EXPECT_EQ(count(html, "class=\"carno\""), cars);
    EXPECT_EQ(html.find(">next stop<") != npos, nextStop);
    EXPECT_EQ(html.find(">terminal<") != npos, terminal);
    EXPECT_NE(html.find("<circle class=\"check fail\""), npos);
    EXPECT_NE(html.find(">line 8</text>"), npos);
    EXPECT_NE(html.find("0 passed, <span class=\"bad\">1 failed</span>"), npos);
  }
}

}  // namespace
}  // namespace tims::host
