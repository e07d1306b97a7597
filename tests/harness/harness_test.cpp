// The host harness: its parts on their own (the runner against a stand-in plug-in, sound rules,
// command lines, working folder, monitor view), then whole runs through the real plug-in: the
// example cards driven, their trip page rendered in Chromium and compared with the text view.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "panel/panel_writer.h"
#include "support/temp_dir.h"
#include "tims-host/beacon_value.h"
#include "tims-host/drive_command.h"
#include "tims-host/runner.h"
#include "tims-host/working_folder.h"

namespace tims::host {
namespace {

namespace fs = std::filesystem;
using tims::testing::TempDir;

const std::string kVehicle = std::string(TIMS_SOURCE_DIR) + "/examples/vehicle";
constexpr auto npos = std::string::npos;

// What the stand-in plug-in was called with, and what its Elapse writes into sound slot 14 frame
// by frame (2 beyond the script); its panel slot 1 shows the location in whole metres.
std::vector<std::string> calls;
std::vector<VehicleState> frames;
std::vector<int32_t> soundScript;

// Records a call as its name and arguments, one blank between them.
void note(std::string_view name, const auto&... arguments) {
  std::ostringstream call;
  call << name;
  ((call << ' ' << arguments), ...);
  calls.push_back(call.str());
}

class Runner : public ::testing::Test {
 protected:
  void run(std::string_view text, std::vector<int32_t> script = {}, std::ostream* trace = nullptr) {
    soundScript = std::move(script);
    calls.clear();
    frames.clear();
    out.str("");
    // Dispose, GetPluginVersion and SetSignal are the tool's, not the runner's, to call.
    const PluginExports exports{
        .load = [] { note("Load"); },
        .setVehicleSpec = [](VehicleSpec s) { note("SetVehicleSpec", s.brakeNotches); },
        .initialize = [](int n) { note("Initialize", n); },
        .elapse =
            [](VehicleState state, int* panel, int* sound) {
              sound[14] = frames.size() < soundScript.size() ? soundScript[frames.size()] : 2;
              frames.push_back(state);
              panel[1] = static_cast<int>(state.location);
              return HandleSet{7, 3, 1, 2};
            },
        .setPower = [](int n) { note("SetPower", n); },
        .setBrake = [](int n) { note("SetBrake", n); },
        .setReverser = [](int n) { note("SetReverser", n); },
        .keyDown = [](int n) { note("KeyDown", n); },
        .keyUp = [](int n) { note("KeyUp", n); },
        .hornBlow = [](int n) { note("HornBlow", n); },
        .doorOpen = [] { note("DoorOpen"); },
        .doorClose = [] { note("DoorClose"); },
        .setBeaconData =
            [](BeaconData b) { note("Beacon", b.type, b.data, "after frame", frames.size()); },
        .setKeyState = [](int key, int down) { note("KeyState", key, down); }};
    runner = std::make_unique<ScenarioRunner>(
        exports, HostEnvironment{"no folder", true, &out, trace, false, nullptr});
    runner->run(parseScenario(text, "case.tims"));
  }

  std::ostringstream out;
  std::unique_ptr<ScenarioRunner> runner;
};

TEST_F(Runner, CallsTheExportsAsTheScenarioSaysWithBeaconsClockVehicleValuesAndTrace) {
  run("spec 6 2\nstart -1\nrun 16ms\nstart 0\npower 3\nbrake emergency\nreverser -1\nkey 2\n"
      "key-down 4\nhorn 1\ndoor open\ndoor close\nhold backspace\nrelease backspace\n"
      "beacon 5 6\n");
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "Load", "SetVehicleSpec 6", "Initialize -1", "SetVehicleSpec 6",
                       "Initialize 0", "SetPower 3", "SetBrake 7", "SetReverser -1", "KeyDown 2",
                       "KeyUp 2", "KeyDown 4", "HornBlow 1", "DoorOpen", "DoorClose",
                       "KeyState 8 1", "KeyState 8 0", "Beacon 5 6 after frame 1"}));
  // Written out of order; one lies behind the train and never comes. 10 m a frame: frame 5
  // reaches 50 m, frame 10 100 m, frame 11 passes 104 and 108 m.
  run("beacon 2 200 at 100\nbeacon 4 400 at 108\nbeacon 3 300 at 104\nbeacon 1 100 at 50\n"
      "beacon 9 9 at -5\nstart -1\nspeed 36\nstep 1s\nrun to 120\nspeed 0\nrun 1s\n");
  EXPECT_EQ(
      std::vector(calls.begin() + 3, calls.end()),
      (std::vector<std::string>{"Beacon 1 100 after frame 4", "Beacon 2 200 after frame 9",
                                "Beacon 3 300 after frame 10", "Beacon 4 400 after frame 10"}));
  run("time 23:59:59.990\nstart -1\nstep 5ms\nrun 12ms\nstep 300ms\nrun until 00:00:00.500\n"
      "run until 00:00:00.500\nrun until 00:00:00.400\n");
  std::vector<int32_t> times;
  for (const VehicleState& f : frames) times.push_back(f.time);
  // 5 + 5 + 2 ms, then 300 ms steps with a shorter last one; the second line is already there.
  EXPECT_EQ(times, (std::vector<int32_t>{86399995, 0, 2, 302, 500}));
  EXPECT_EQ(out.str(),
            "case.tims:8: FAILED run until 00:00:00.400\n"
            "    that time lies behind the clock (00:00:00.500) (at 00:00:00.500, frame 5)\n");
  run("start -1\nspeed 36\ncurrent 250\nbc 300\nmr 800\nrun 1s\n");
  const VehicleState& last = frames.back();
  EXPECT_EQ(std::tuple(last.speed, last.current, last.bcPressure, last.mrPressure),
            std::tuple(36.0f, 250.0f, 300.0f, 800.0f));
  EXPECT_NEAR(last.location, 10.0, 1e-9);  // 36 km/h for one second
  run("start -1\nspeed 72\nstop at 200\n");
  EXPECT_EQ(frames.back().speed, 0.0f);
  EXPECT_NEAR(runner->location(), 200.0, 0.01);
  EXPECT_NEAR(runner->timeOfDay() - kDefaultStartTime, 20000, 16);  // 20 m/s to 0 over 200 m
  std::ostringstream trace;
  // The host's 2 written back over the 1 is no row of its own.
  run("start -1\nspeed 360\nrun 32ms\nspeed 0\nrun 16ms\n", {1}, &trace);
  EXPECT_EQ(trace.str(),
            "frame,time_ms,clock,location_m,speed_kmh,brake,power,reverser,constant_speed,array,"
            "slot,value\n"
            "0,36000016,10:00:00.016,1.600,360.000,7,3,1,2,panel,1,1\n"
            "0,36000016,10:00:00.016,1.600,360.000,7,3,1,2,sound,14,1\n"
            "1,36000032,10:00:00.032,3.200,360.000,7,3,1,2,panel,1,3\n"
            "2,36000048,10:00:00.048,3.200,0.000,7,3,1,2,,,\n");
}

TEST_F(Runner, FailedChecksNameTheLineWithExpectedAndActual) {
  run("start -1\nexpect handle brake = 7\nrun 32ms\npanel 120 = 1\nexpect panel 120 = 1\n"
      "expect sound 14 = 1\nexpect-sound 14 once\nexpect-no-sound 14\nrun 32ms\n"
      "expect-sound 14 loop\nexpect-sound 14 once\nexpect panel 0..1 = 0 1\n"
      "expect handle brake = 7\nexpect handle power > 3\nrun 16ms\n",
      {-10000, 1, 2, 0, 5});
  EXPECT_EQ(runner->failures(), 5);
  EXPECT_EQ(
      out.str(),
      "case.tims:2: FAILED expect handle brake = 7\n"
      "    no frame has run since the start (at 10:00:00.000, frame 0)\n"
      "case.tims:11: FAILED expect-sound 14 once\n"  // no single play since line 7
      "    sound slot 14 did not play once since the last check of that slot"
      " (at 10:00:00.064, frame 4)\n"
      "case.tims:12: FAILED expect panel 0..1 = 0 1\n"
      "    expected panel slot 1 = 1, actual 0 (at 10:00:00.064, frame 4)\n"
      "case.tims:14: FAILED expect handle power > 3\n"
      "    expected handle power > 3, actual 3 (at 10:00:00.064, frame 4)\n"
      "FAILED sound slot 14 holds 5 at 10:00:00.080: the host accepts only -10000..0, 1 and 2\n");
}

TEST(SoundRules, TheHostReactsOnlyToChangedSlotsAndReportsWhatItRejects) {
  using enum SoundAction;
  // One slot, frame by frame: what the plug-in writes, what the host hears (a loop at volume
  // (value + 10000) / 10000), what the slot holds next. A loop, "continue", a stop, single plays
  // written back as 2 and played again by a new 1, a loop afresh; then values the host rejects.
  // clang-format off
  const std::tuple<int32_t, std::optional<SoundAction>, double, int32_t> script[] = {
      {-10000, {}, 0, -10000}, {-5000, PlayLoop, 0.5, -5000}, {-5000, {}, 0, -5000},
      {0, ChangeVolume, 1.0, 0}, {-9999, ChangeVolume, 0.0001, -9999}, {2, {}, 0, 2},
      {-7500, ChangeVolume, 0.25, -7500}, {-10000, Stop, 0, -10000}, {1, PlayOnce, 0, 2},
      {2, {}, 0, 2}, {1, PlayOnce, 0, 2}, {-2500, PlayLoop, 0.75, -2500}, {1, PlayOnce, 0, 2},
      {3, {}, 0, 3}, {3, {}, 0, 3}, {-10001, {}, 0, -10001},
  };
  // clang-format on
  SoundRules rules;
  std::array<int32_t, kSoundSlots> sound;
  sound.fill(kSoundStop);
  for (int32_t time = 0; const auto& [written, heard, volume, left] : script) {
    SCOPED_TRACE(::testing::Message() << "at " << time << " ms the plug-in writes " << written);
    sound[16] = written;
    const auto events = rules.react(time, sound.data());
    ASSERT_EQ(events.size(), heard ? 1u : 0u);
    if (heard) {
      const bool loop = *heard == PlayLoop || *heard == ChangeVolume;
      EXPECT_EQ(std::tuple(events[0].action, events[0].slot, events[0].timeMs,
                           loop ? events[0].volume : 0.0),
                std::tuple(*heard, 16, time, volume));
    }
    EXPECT_EQ(sound[16], left);
    time += 16;
  }
  const auto& rejected = rules.violations();
  ASSERT_EQ(rejected.size(), 2u);  // a value that stays is not reported again
  EXPECT_EQ(describe(rejected[0]),
            "sound slot 16 holds 3 at 00:00:00.208: the host accepts only -10000..0, 1 and 2");
  EXPECT_EQ(std::tuple(rejected[1].value, rejected[1].timeMs), std::tuple(-10001, 240));
}

TEST(ScenarioParser, ErrorsNameFileLineAndProblemAndValuesReadAsDocumented) {
  // Each message starts "case.tims:" and the line.
  const std::pair<const char*, const char*> cases[] = {
      {"\xEF\xBB\xBF# a mark, a comment, CR LF\r\n\r\n START 0 # x\r\nfly 3\r\n",
       "4: unknown command 'fly'"},
      {"power five", "1: power notch must be a 32-bit integer, found 'five'"},
      {"horn 2147483648", "1: horn kind must be a 32-bit integer, found '2147483648'"},
      {"panel 256 = 1", "1: panel slot must lie in 0..255, found 256"},
      {"start 0\nrun 10", "2: duration must be a duration such as 500ms, 10s or 2min, found '10'"},
      {"start 0\nexpect panel 130..132 = 1 2",
       "2: a range of 3 slots needs one value or 3 values, found 2"},
      {"expect panel 5..4 = 1", "1: slot must be 0..255 or a range such as 130..134, found '5..4'"},
      {"power 3\nstart -1", "1: 'power 3' needs a run: put a start line before it"},
      {"expect sound 1=1", "1: 'expect sound 1=1' needs a run: put a start line before it"},
      {"start -1\nvehicle x", "2: the vehicle must be named before start"},
      // Route beacons, panel values and settings belong to the set-up; so does a panel check.
      {"beacon 100 5 at 10\npanel 83 = 1\nsetting EB EnableEB 0\nexpect panel 1 = 0", ""},
  };
  for (const auto& [text, error] : cases) {
    std::string message;
    try {
      parseScenario(text, "case.tims");
    } catch (const ScenarioError& e) {
      message = e.what();
    }
    EXPECT_EQ(message, *error ? "case.tims:" + std::string(error) : "") << text;
  }
  const std::pair<const char*, std::optional<int32_t>> durations[] = {
      {"16ms", 16},         {"2min", 120000},     {"0.5s", 500},         {"1440min", 86400000},
      {"10", std::nullopt}, {"5h", std::nullopt}, {"-1s", std::nullopt}, {"1441min", std::nullopt}};
  for (const auto& [text, ms] : durations) EXPECT_EQ(parseDuration(text), ms) << text;
  const std::pair<const char*, std::optional<int32_t>> times[] = {
      {"9:05", 32700000},        {"09:58:07.25", 35887250},   {"23:59:59.999", 86399999},
      {"12:60", std::nullopt},   {"24:00", std::nullopt},     {"12", std::nullopt},
      {"1:2:3:4", std::nullopt}, {"10:00:00.", std::nullopt}, {"10:00:00.1234", std::nullopt}};
  for (const auto& [text, ms] : times) EXPECT_EQ(parseTimeOfDay(text), ms) << text;
  // Whether each holds for an actual value below, equal to and above the expected one.
  const std::pair<Compare, const char*> truth[] = {
      {Compare::Equal, "-+-"},       {Compare::NotEqual, "+-+"}, {Compare::Less, "+--"},
      {Compare::LessOrEqual, "++-"}, {Compare::Greater, "--+"},  {Compare::GreaterOrEqual, "-++"}};
  for (const auto& [compare, holds] : truth) {
    for (int d = -1; d <= 1; ++d) EXPECT_EQ(compareHolds(compare, d, 0), holds[d + 1] == '+') << d;
  }
}

TEST(DriveCommandLine, TrainNamesBecomeBeaconValuesAndOptionsRefuseWhatCannotBeDriven) {
  // The beacon value of a card index and train name; 0: refused. "\211\327" is 荷 as a Japanese
  // Windows passes it (Shift-JIS).
  // clang-format off
  const std::tuple<int32_t, const char*, int32_t> trains[] = {
      {0, "1523K", 152307}, {1, "荷2340M", 101234008}, {1, "\211\3272340M", 101234008},
      {21, "試単9999KR", 2110999928}, {0, "99", 9999}, {22, "1K", 0}, {0, "0123K", 0},
      {0, "X12K", 0}, {0, "12V", 0}, {0, "12345", 0}};
  // clang-format on
  for (const auto& [card, train, value] : trains) {
    const auto encoded = cardBeaconValue(card, train);
    EXPECT_EQ(encoded.index() == 0 ? std::get<0>(encoded) : 0, value) << train;
  }
  // The dwell each command line sets, in ms; -1: refused.
  // clang-format off
  const std::pair<std::vector<const char*>, int32_t> options[] = {
      {{"drive", "--beacon", "152307", "--dwell", "45"}, 45000},
      {{"drive", "--card", "0", "--train", "1523K", "--dwell", "1.5min"}, 90000},
      {{"drive", "--beacon", "152307", "--dwell", "soon"}, -1}, {{"drive", "--card", "0"}, -1},
      {{"drive", "--beacon", "152307", "--card", "0", "--train", "1523K"}, -1},
      {{"drive", "--beacon", "152307", "--spec", "8,9"}, -1},
      {{"drive", "--beacon", "152307", "--line-speed", "0"}, -1}};
  // clang-format on
  for (const auto& [argv, dwellMs] : options) {
    const auto parsed = parseDriveOptions(static_cast<int>(argv.size()), argv.data());
    const bool taken = parsed.error.empty();
    EXPECT_EQ(taken ? parsed.options.settings.dwellMs : -1, dwellMs) << argv.back() << parsed.error;
    EXPECT_TRUE(!taken || parsed.options.beacon == 152307) << argv.back();
  }
}

TEST(VehicleFolder, RunsWorkOnACopyOrPlaceTheLibraryForTheRunOnlyAndCardsNameStations) {
  TempDir dir;
  dir.write("vehicle/TIMS_Spec.ini", "[EB]\nEnableEB=0\n");
  dir.write("vehicle/cards/local/1523K.csv", "3,1523K\n");
  dir.write("build/libtims.so", "not really a library");
  const auto prepare = [&](const char* library, bool writeThrough) {
    return prepareWorkingFolder(dir.path() / "vehicle", dir.path() / library, writeThrough);
  };
  WorkingFolder a = prepare("build/libtims.so", false);
  WorkingFolder b = prepare("build/libtims.so", false);
  EXPECT_NE(a.folder, b.folder);
  EXPECT_EQ(a.library, a.folder / "libtims.so");
  EXPECT_EQ(dir.read(a.library), "not really a library");
  EXPECT_TRUE(fs::is_regular_file(a.folder / "cards" / "local" / "1523K.csv"));
  dir.write(a.folder / "TIMS_Spec.ini", "[CSpd]\nEnableCSpd=1\n");  // the plug-in's write-back
  EXPECT_EQ(dir.read("vehicle/TIMS_Spec.ini"), "[EB]\nEnableEB=0\n");
  const fs::path folder = a.folder;
  releaseWorkingFolder(a);
  releaseWorkingFolder(b);
  EXPECT_FALSE(fs::exists(folder));
  // Write-through runs in the vehicle folder and never places the library over another.
  WorkingFolder placed = prepare("build/libtims.so", true);
  EXPECT_TRUE(fs::equivalent(placed.folder, dir.path() / "vehicle"));
  EXPECT_EQ(dir.read("vehicle/libtims.so"), "not really a library");
  releaseWorkingFolder(placed);
  EXPECT_FALSE(fs::exists(dir.path() / "vehicle" / "libtims.so"));
  EXPECT_TRUE(fs::exists(dir.path() / "vehicle" / "TIMS_Spec.ini"));
  dir.write("vehicle/libtims.so", "the vehicle's own");
  WorkingFolder own = prepare("vehicle/libtims.so", true);
  releaseWorkingFolder(own);
  EXPECT_THROW(prepare("build/libtims.so", true), std::runtime_error);
  EXPECT_EQ(dir.read("vehicle/libtims.so"), "the vehicle's own");
  // Station names come from the card a beacon names: station 5 in Shift-JIS (東京), the file name
  // with the prefix 荷 (train 荷2340M).
  dir.write("TIMS_ICCard.ini", "[ICCard]\n3=cards\n");
  dir.write(fs::path("cards") / fs::u8path("荷2340M.csv"),
            "7,,\x93\x8C\x8B\x9E,,,,,,,,,,,,,,,,5\n7,,NULL,,,,,,,,,,,,,,,,6\n");
  CardNames names(dir.path());
  EXPECT_FALSE(names.readCardFor(301234007));  // suffix K: no such file
  EXPECT_TRUE(names.readCardFor(301234008));
  EXPECT_EQ(names.name(5), "東京");
  EXPECT_EQ(names.name(6), "");
}

TEST(Monitor, ShowsWhatThePanelWriterWroteInTheLayoutOfTheSettings) {
  TempDir dir;
  PluginState plugin;
  TimsUnit unit;
  std::array<int32_t, 256> panel{};
  std::unique_ptr<PanelSettings> settings;
  // What the real panel writer wrote, read in the layout that the folder's settings choose.
  const auto writeAndRead = [&](bool legacy, bool dispType) {
    dir.write("TIMS_Spec.ini", "[Disp]\nuseLegacyDisp=" + std::to_string(legacy) +
                                   "\nDispType=" + std::to_string(dispType) + "\n");
    unit.useLegacyDisp = legacy;
    unit.dispType = dispType;
    unit.unitDispEnable = true;
    settings = std::make_unique<PanelSettings>(dir.path());
    writePanel(plugin, unit, panel.data());
    return PanelReading(panel.data(), *settings);
  };
  for (int k = 0; k < kRows; ++k) {
    unit.dispStationId[k] = 10 + k;
    unit.dispArrHour[k] = 9;
    unit.dispArrMinute[k] = k;
    unit.dispArrSecond[k] = 45;
  }
  unit.trainNumberDigits = {1, 2, 3, 4, 0, 8};
  unit.terminal = {17, 10, 20, 0, 2};
  plugin.state.time = 45296789;
  const PanelReading p = writeAndRead(false, false);
  EXPECT_EQ(p.get(kNextStopNumber), std::nullopt);  // only with DispType 1
  const std::string view = renderMonitor(p, MonitorContext{});
  for (const char* line : {"==== monitor 12:34:56 ====", "Train       荷2340M", "Terminal    17",
                           "  3    12                    09:02:45", "  5    14 "})
    EXPECT_NE(view.find(line), npos) << line << " in\n" << view;
  EXPECT_EQ(view.find("  6    15"), npos) << "five rows in this layout";
  // Legacy layout with DispType 1: slot 205 ends as value B of row 3, not the beacon 119 value.
  unit.beaconKind11Value = 77;
  unit.dispValueB[2] = 5;
  const PanelReading legacy = writeAndRead(true, true);
  EXPECT_EQ(legacy.get(kDispValueB, 2), 5);
  EXPECT_EQ(legacy.get(kBeaconKind11Value), std::nullopt);
  EXPECT_EQ(legacy.get(kTrainNumberDigits, 0), std::nullopt);  // no kind code in this layout
  EXPECT_EQ(writeAndRead(true, false).get(kBeaconKind11Value), 77);
  const int32_t shorter[4] = {10, 1, 2, 3}, blank[4] = {10, 10, 10, 10};
  EXPECT_EQ(trainNumberText(45, shorter, 33), "<45>123入");  // no prefix 45; 入 as a suffix
  EXPECT_EQ(trainNumberText(50, blank, 50), "-");
  // Seconds are shown divided by 5; 24, 60 and 12 are the monitor's "no time".
  EXPECT_EQ(panelTime(24, 60, 12), "--:--:--");
  EXPECT_EQ(panelTime(std::nullopt, 60, 0), "..:--:00");
}

// Whole runs through the real plug-in.

int shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quoted(const fs::path& path) {
  return "'" + path.string() + "'";
}

// The pieces of `text` between the separators, the one before the first dropped.
std::vector<std::string_view> piecesAfter(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> pieces;
  for (std::size_t at = text.find(separator); at != npos; at = text.find(separator, at + 1)) {
    const std::size_t from = at + separator.size();
    pieces.push_back(text.substr(from, text.find(separator, from) - from));
  }
  return pieces;
}

std::size_t count(std::string_view text, std::string_view what) {
  return piecesAfter(text, what).size();
}

// The text of `markup` without its tags and blanks, a closed group as '|': how a drawn monitor
// and a printed one compare.
std::string bare(std::string_view markup) {
  std::string text;
  for (std::size_t i = 0; i < markup.size(); ++i) {
    if (markup.substr(i, 4) == "</g>") text += '|';
    if (markup[i] == '<')
      i = std::min(markup.find('>', i), markup.size());
    else if (markup[i] != ' ')
      text += markup[i];
  }
  return text;
}

// Each monitor the text view printed: its clock, train and window rows, each row after a '|'.
std::vector<std::string> printedMonitors(const std::string& out) {
  std::vector<std::string> views;
  std::istringstream in(out);
  bool inRows = false;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("==== monitor ")) views.push_back(line.substr(13, 8));
    if (line.starts_with("Train ")) views.back() += bare(line.substr(12, line.find("codes") - 12));
    if (line.starts_with("Lamps")) inRows = false;
    if (inRows) views.back() += "|" + bare(line);
    if (line.starts_with("  row  station")) inRows = true;
  }
  return views;
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
DriveResult drive(const std::string& vehicle, std::vector<const char*> args, std::ostream& out) {
  args.insert(args.begin(), {"drive", vehicle.c_str(), "--plugin", TIMS_PLUGIN_PATH});
  const ParsedDriveOptions parsed = parseDriveOptions(static_cast<int>(args.size()), args.data());
  EXPECT_EQ(parsed.error, "");
  return runDrive(parsed.options, out);
}

TEST(Drive, LocalTrain1523KStopsPassesAndChimesAsItsCardSaysAndItsPageShowsEveryStop) {
  TempDir dir;
  std::ostringstream out;
  const fs::path page = dir.path() / "drive.html";
  const auto result = drive(kVehicle, {"--beacon", "152307", "--html", page.c_str()}, out);
  const TripReport& report = result.report;
  EXPECT_EQ(result.exitStatus, 0) << out.str();
  EXPECT_NE(out.str().find("checks: 11 passed, 0 failed"), npos) << out.str();
  EXPECT_NEAR(report.distanceM, 6000.0, 0.01);
  EXPECT_EQ(report.checksPassed, 11);  // five stops with a window that moves on, six chimes
  EXPECT_EQ(std::tuple(report.rows.size(), report.ebApplied, report.rejectedSoundValues),
            std::tuple(7u, 0, 0));
  // Each card row as the report prints it: its role, planned and actual times (early or on time,
  // leaving on time; a pass has one time), the approach chime (14 stop, 15 pass) with the halt loop
  // (16), no next-stop field in this layout, and the terminal until the window reaches it.
  const char* rows[] = {
      R"(\n0 +1 東京 +start +--:--:-- 10:00:00 +--:--:-- 10:00:00 )",
      R"(\n1 +2 神田 +stop +10:01:30 10:01:50 +\S+ 10:01:50 +(-\d+|0) 0 .* 14 16 .*n/a +7 日暮里\n)",
      R"(\n2 +3 秋葉原 +pass +--:--:-- 10:03:00 +(\S+) \1 +-\d+ .* 15 .*n/a +7 日暮里\n)",
      R"(\n3 +4 御徒町 +stop +10:04:30 10:04:50 +\S+ 10:04:50 +(-\d+|0) 0 .* 14 16 .*n/a +-\n)",
      R"(\n4 +5 上野 +stop +10:06:00 10:06:30 +\S+ 10:06:30 +(-\d+|0) 0 .* 14 16 .*n/a +-\n)",
      R"(\n5 +6 鶯谷 +stop +10:08:00 10:08:20 +\S+ 10:08:20 +(-\d+|0) 0 .* 14 16 .*n/a +-\n)",
      R"(\n6 +7 日暮里 +stop +10:10:00 --:--:-- +\S+ --:--:-- +(-\d+|0) \. .* 14 16 .*n/a +-\n)"};
  for (const char* row : rows) EXPECT_TRUE(std::regex_search(out.str(), std::regex(row))) << row;
  // The page, as Chromium renders it: the start and every stop drawn as the text view printed
  // them, with the names of the card the beacon named, each check, and the run's frames plotted.
  EXPECT_LT(fs::file_size(page), 1000u * 1000u);
  ASSERT_EQ(shell(std::string(TIMS_CHROMIUM) +
                  " --headless --no-sandbox --disable-gpu --no-first-run --disable-sync"
                  " --disable-background-networking --disable-component-update --user-data-dir=" +
                  quoted(dir.path() / "profile") + " --window-size=1240,2000 --screenshot=" +
                  quoted(dir.path() / "shot.png") + " --dump-dom file://" + quoted(page) + " > " +
                  quoted(dir.path() / "dom.html") + " 2> /dev/null"),
            0)
      << "chromium runs the page (scripts/install-deps.sh installs it)";
  EXPECT_EQ(dir.read("shot.png").substr(0, 4), "\x89PNG");
  const std::string dom = dir.read("dom.html");
  const std::vector<std::string> printed = printedMonitors(out.str());
  ASSERT_EQ(printed.size(), 6u);  // the third station is passed
  // The clock starts a minute before the first departure, the card comes a second later and the
  // monitor is shown two seconds after that.
  EXPECT_TRUE(printed[0].starts_with("09:59:031523K|11東京--:--:--..:00:001|22神田")) << printed[0];
  EXPECT_EQ(drawnMonitors(dom), printed);
  EXPECT_EQ(count(dom, "data-label=\"stop at "), 5u);
  EXPECT_NE(dom.find("class=\"station\">2 神田</text>"), npos);
  // The page's script ran: it names the first moment beside the slider.
  EXPECT_NE(dom.find(">09:59:03.000 start at 1 東京</output>"), npos);
  EXPECT_EQ(count(dom, "class=\"check pass\""), 11u);
  EXPECT_EQ(count(dom, "class=\"check fail\""), 0u);
  // Every line of every plot holds the run's frames, thinned as documented: every frame up to
  // 1000, else two points (an "x,y" each) for each span of ceil(frames / 1000) frames.
  ASSERT_GT(report.frames, 1000);
  const int64_t span = (report.frames + 999) / 1000;
  const auto points = static_cast<std::size_t>(2 * ((report.frames + span - 1) / span));
  const auto lines = piecesAfter(dom, "<polyline");
  // Speed over time and over location, five handles, two pressure bars, two voltages.
  EXPECT_EQ(lines.size(), 11u);
  for (std::string_view line : lines) EXPECT_EQ(count(line.substr(0, line.find('>')), ","), points);
}

TEST(Drive, ParcelsTrainAnswersTheEbAlarmAndACardWithoutSectionLengthStopsTheDrive) {
  std::ostringstream out;
  const auto parcels = drive(kVehicle, {"--card", "1", "--train", "荷2340M", "--quiet"}, out);
  const TripReport& report = parcels.report;
  EXPECT_EQ(parcels.exitStatus, 0) << out.str();
  ASSERT_EQ(report.rows.size(), 3u);
  EXPECT_EQ(report.rows[1].departedMs, parseTimeOfDay("12:03"));
  EXPECT_TRUE(report.rows[2].reached);
  EXPECT_EQ(std::ranges::count(report.rows[2].sounds, 14), 1);
  EXPECT_NEAR(report.distanceM, 3500.0, 0.01);
  // Two kilometres at line speed outlast the device's minute: the driver answers the alarm.
  EXPECT_EQ(std::tuple(report.ebAlarms, report.ebApplied, report.checksPassed),
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
  const DriveResult broken = drive(dir.path().string(), {"--beacon", "9999", "--quiet"}, out);
  EXPECT_EQ(broken.exitStatus, 1);
  ASSERT_EQ(broken.report.failures.size(), 1u) << out.str();
  EXPECT_EQ(std::tuple(broken.report.failures[0].row, broken.report.rows[1].reached,
                       broken.report.rows[2].reached),
            std::tuple(1, true, false));
  EXPECT_NE(out.str().find("FAILED card row 1 (2 B), 10:01:"), npos) << out.str();
  EXPECT_NE(out.str().find("no section length"), npos);
}

TEST(TripPage, EachLayoutDrawsOnlyWhatItShowsAndTheEndComesEvenWhenQuiet) {
  // Legacy, DispType, the summary's name, cars drawn, next stop and terminal fields drawn.
  const std::tuple<const char*, const char*, const char*, std::size_t, bool, bool> layouts[] = {
      {"0", "0", "Standard layout, DispType 0", 8, false, true},
      {"0", "1", "Standard layout, DispType 1", 8, true, false},
      {"1", "0", "Legacy layout, DispType 0", 4, false, true},
      {"1", "1", "Legacy layout, DispType 1", 4, true, true}};
  for (const auto& [legacy, dispType, layout, cars, nextStop, terminal] : layouts) {
    SCOPED_TRACE(layout);
    TempDir dir;
    dir.write("run.tims",
              "vehicle " + kVehicle + "\nsetting Disp useLegacyDisp " + legacy +
                  "\nsetting Disp DispType " + dispType +
                  "\nstart -1\nrun 1s\nbeacon 1000 152307\nrun 2s\nshow\nexpect panel 40 = 1\n");
    EXPECT_EQ(shell("cd " + quoted(dir.path()) + " && " + TIMS_HOST_PATH + " --quiet --plugin " +
                    TIMS_PLUGIN_PATH + " --html trip.html run.tims > /dev/null"),
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
