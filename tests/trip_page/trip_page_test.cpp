// The trip page (tims-host --html) looked at as a person would: the example run rendered in a real
// browser, its drawn monitor compared with the text view at the same moments, its plots counted
// against the frames; and each layout drawing only what it shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "support/temp_dir.h"

#ifdef TIMS_HOST_PATH

namespace {

using tims::testing::TempDir;

int shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quoted(const std::filesystem::path& path) {
  return "'" + path.string() + "'";
}

std::string hostCommand(const std::filesystem::path& scenario, const std::filesystem::path& page,
                        const std::string& options = "") {
  return std::string(TIMS_HOST_PATH) + " --plugin " + TIMS_PLUGIN_PATH + " --html " + quoted(page) +
         " " + options + " " + quoted(scenario);
}

std::size_t count(std::string_view text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string_view::npos;
       at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

// Pieces of `text` between the separator and the next one (the first piece, before any, dropped).
std::vector<std::string_view> piecesAfter(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> pieces;
  std::size_t at = text.find(separator);
  while (at != std::string_view::npos) {
    const std::size_t next = text.find(separator, at + 1);
    pieces.push_back(text.substr(at, next == std::string_view::npos ? next : next - at));
    at = next;
  }
  return pieces;
}

// Cells split at runs of two or more blanks, joined with '|': how the text view's columns and
// the drawing's text elements are compared.
std::string cellsOf(std::string_view line) {
  std::string out, cell;
  auto flush = [&] {
    while (!cell.empty() && cell.back() == ' ') cell.pop_back();
    if (!cell.empty()) out += (out.empty() ? "" : "|") + cell;
    cell.clear();
  };
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == ' ' && (cell.empty() || (i + 1 < line.size() && line[i + 1] == ' '))) {
      flush();
    } else {
      cell += line[i];
    }
  }
  flush();
  return out;
}

struct Monitor {
  std::string clock, train, rows;
  bool operator==(const Monitor&) const = default;
};

void PrintTo(const Monitor& m, std::ostream* out) {
  *out << m.clock << " / " << m.train << " / " << m.rows;
}

std::vector<Monitor> textViews(std::string_view out) {
  std::vector<Monitor> views;
  for (std::string_view view : piecesAfter(out, "==== monitor ")) {
    Monitor m;
    m.clock = std::string(view.substr(13, 8));
    bool inRows = false;
    for (std::string_view rest = view; !rest.empty();) {
      const std::size_t end = rest.find('\n');
      const std::string_view line = rest.substr(0, end);
      rest = end == std::string_view::npos ? "" : rest.substr(end + 1);
      if (line.starts_with("Train ")) m.train = cellsOf(line.substr(12, line.find("codes") - 12));
      if (line.starts_with("Lamps")) inRows = false;
      if (inRows) m.rows += cellsOf(line) + "\n";
      if (line.starts_with("  row  station")) inRows = true;
    }
    views.push_back(m);
  }
  return views;
}

// The text of every <text> element in `svg` whose start tag holds `marker`, markup stripped.
std::vector<std::string> texts(std::string_view svg, std::string_view marker = "") {
  std::vector<std::string> found;
  for (std::string_view element : piecesAfter(svg, "<text")) {
    const std::size_t open = element.find('>');
    if (element.substr(0, open).find(marker) == std::string_view::npos) continue;
    std::string text;
    bool inTag = false;
    for (const char c : element.substr(open + 1, element.find("</text>") - open - 1)) {
      if (c == '<' || c == '>') {
        inTag = c == '<';
      } else if (!inTag) {
        text += c;
      }
    }
    found.push_back(text);
  }
  return found;
}

std::vector<Monitor> drawnMonitors(std::string_view dom) {
  std::vector<Monitor> monitors;
  for (std::string_view figure : piecesAfter(dom, "<figure class=\"moment\"")) {
    figure = figure.substr(0, figure.find("</figure>"));
    Monitor m;
    m.clock = texts(figure, "class=\"clock\"").at(0);
    m.train = texts(figure, "class=\"train\"").at(0);
    for (std::string_view row : piecesAfter(figure, "<g class=\"row\"")) {
      std::string cells;
      for (const std::string& cell : texts(row.substr(0, row.find("</g>")))) {
        cells += (cells.empty() || cell.empty() ? "" : "|") + cell;
      }
      m.rows += cellsOf(cells) + "\n";
    }
    monitors.push_back(m);
  }
  return monitors;
}

// The documented thinning: every frame up to 1000, else two points for each span of
// ceil(frames / 1000) frames.
long long pointsFor(long long frames) {
  const long long span = (frames + 999) / 1000;
  return span <= 1 ? frames : 2 * ((frames + span - 1) / span);
}

TEST(TripPage, ShowsInABrowserWhatTheTextViewShowsAndPlotsEveryFrame) {
  ASSERT_STRNE(TIMS_CHROMIUM, "TIMS_CHROMIUM-NOTFOUND")
      << "no chromium: scripts/install-deps.sh installs it";
  TempDir dir;
  const auto page = dir.path() / "trip.html";
  const std::string scenario =
      std::string(TIMS_SOURCE_DIR) + "/examples/scenarios/ic_card_run.tims";
  ASSERT_EQ(shell(hostCommand(scenario, page) + " > " + quoted(dir.path() / "view.txt")), 0);
  const std::string view = dir.read("view.txt");
  EXPECT_LT(std::filesystem::file_size(page), 1000u * 1000u);

  const std::string browser = std::string(TIMS_CHROMIUM) +
                              " --headless --no-sandbox --disable-gpu --disable-quic"
                              " --no-first-run --disable-background-networking"
                              " --disable-component-update --disable-sync --hide-scrollbars"
                              " --user-data-dir=" +
                              quoted(dir.path() / "profile") + " ";
  ASSERT_EQ(shell(browser + "--window-size=1240,2000 --screenshot=" +
                  quoted(dir.path() / "shot.png") + " --dump-dom file://" + quoted(page) + " > " +
                  quoted(dir.path() / "dom.html") + " 2> /dev/null"),
            0);
  EXPECT_EQ(dir.read("shot.png").substr(0, 4), "\x89PNG");
  const std::string dom = dir.read("dom.html");

  // Every show and the end, each drawn as the text view printed it.
  const std::vector<Monitor> expected = textViews(view);
  ASSERT_EQ(expected.size(), 6u);
  EXPECT_EQ(expected[0].train, "1523K");
  EXPECT_EQ(drawnMonitors(dom), expected);
  // The page's script ran: it names the first moment beside the slider.
  EXPECT_NE(dom.find("<output id=\"moment-caption\">09:59:33.000 show</output>"),
            std::string::npos);

  // Every line of every plot holds the run's frames, thinned as documented.
  const std::size_t framesAt = view.rfind(" frames, ");
  const long long frames = std::stoll(view.substr(view.rfind(": ", framesAt) + 2));
  ASSERT_GT(frames, 1000);
  const auto lines = piecesAfter(dom, "<polyline");
  // Speed over time and over location, five handles, two pressure bars, two voltages.
  EXPECT_EQ(lines.size(), 11u);
  for (std::string_view line : lines) {
    const std::size_t from = line.find("points=\"") + 8;
    const std::string_view points = line.substr(from, line.find('"', from) - from);
    EXPECT_EQ(static_cast<long long>(count(points, " ") + 1), pointsFor(frames));
  }
  EXPECT_EQ(count(dom, "class=\"check pass\""), 34u);
  EXPECT_EQ(count(dom, "class=\"check fail\""), 0u);
}

TEST(TripPage, EachLayoutDrawsOnlyWhatItShowsAndTheEndComesEvenWhenQuiet) {
  struct Case {
    int legacy, dispType;
    const char* layout;
    std::size_t cars;
    bool nextStop, terminal;
  };
  const Case cases[] = {
      {0, 0, "Standard layout, DispType 0", 8, false, true},
      {0, 1, "Standard layout, DispType 1", 8, true, false},
      {1, 0, "Legacy layout, DispType 0", 4, false, true},
      {1, 1, "Legacy layout, DispType 1", 4, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layout);
    TempDir dir;
    dir.write("run.tims", "vehicle " + std::string(TIMS_SOURCE_DIR) +
                              "/examples/vehicle\n"
                              "setting Disp useLegacyDisp " +
                              std::to_string(c.legacy) + "\nsetting Disp DispType " +
                              std::to_string(c.dispType) +
                              "\nstart -1\nrun 1s\nbeacon 1000 152307\nrun 2s\n"
                              "expect panel 40 = 1\n");
    const auto page = dir.path() / "trip.html";
    EXPECT_EQ(shell(hostCommand(dir.path() / "run.tims", page, "--quiet") + " > /dev/null"), 1);
    const std::string html = dir.read("trip.html");
    EXPECT_NE(html.find("<td id=\"summary-layout\">" + std::string(c.layout) + "</td>"),
              std::string::npos);
    EXPECT_EQ(count(html, "<figure class=\"moment\""), 1u);
    EXPECT_NE(html.find("data-label=\"end\""), std::string::npos);
    EXPECT_EQ(count(html, "class=\"carno\""), c.cars);
    EXPECT_EQ(html.find(">next stop<") != std::string::npos, c.nextStop);
    EXPECT_EQ(html.find(">terminal<") != std::string::npos, c.terminal);
    EXPECT_NE(html.find("<circle class=\"check fail\""), std::string::npos);
    EXPECT_NE(html.find(">line 8</text>"), std::string::npos);
    EXPECT_NE(html.find("0 passed, <span class=\"bad\">1 failed</span>"), std::string::npos);
  }
}

TEST(TripPage, ADriveDrawsTheMonitorAtTheStartAndAtEveryStop) {
  TempDir dir;
  const auto page = dir.path() / "drive.html";
  ASSERT_EQ(shell(std::string(TIMS_HOST_PATH) + " drive " + TIMS_SOURCE_DIR +
                  "/examples/vehicle --card 0 --train 1523K --quiet --plugin " + TIMS_PLUGIN_PATH +
                  " --html " + quoted(page) + " > /dev/null"),
            0);
  const std::string html = dir.read("drive.html");
  // The start and five stops: the third station is passed.
  EXPECT_EQ(count(html, "<figure class=\"moment\""), 6u);
  EXPECT_NE(html.find("data-label=\"start at 1 東京\""), std::string::npos);
  EXPECT_NE(html.find("data-label=\"stop at 7 日暮里\""), std::string::npos);
  // The card's names come with the beacon the drive sends.
  EXPECT_NE(html.find("class=\"station\">2 神田</text>"), std::string::npos);
  EXPECT_EQ(count(html, "class=\"check fail\""), 0u);
}

}  // namespace

#endif
