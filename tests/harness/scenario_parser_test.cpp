#include <gtest/gtest.h>

#include "tims-host/scenario.h"

namespace tims::host {
namespace {

template <typename T>
const T& only(const Scenario& s) {
  EXPECT_EQ(s.commands.size(), 1u);
  return std::get<T>(s.commands.at(0).body);
}

// The message of the error a text raises, or "" when it parses.
std::string errorOf(std::string_view text) {
  try {
    parseScenario(text, "case.tims");
  } catch (const ScenarioError& e) {
    return e.what();
  }
  return "";
}

TEST(ScenarioParser, SkipsCommentsAndBlankLinesAndKeepsLineNumbers) {
  const Scenario s = parseScenario("# heading\n\n  start -1   # comment\r\nshow\n", "a.tims");
  ASSERT_EQ(s.commands.size(), 2u);
  EXPECT_EQ(s.commands[0].line, 3);
  EXPECT_EQ(s.commands[0].text, "start -1");
  EXPECT_EQ(std::get<Start>(s.commands[0].body).startCode, -1);
  EXPECT_EQ(s.commands[1].line, 4);
  EXPECT_TRUE(std::holds_alternative<Show>(s.commands[1].body));
}

TEST(ScenarioParser, ReadsSetUpCommands) {
  const auto spec = only<SetSpec>(parseScenario("spec 8 4", "f"));
  EXPECT_EQ(spec.brakeNotches, 8);
  EXPECT_EQ(spec.startBrakeNotch, 4);
  EXPECT_EQ(only<PinSeed>(parseScenario("seed 999", "f")).milliseconds, 999);
  EXPECT_EQ(only<SetTimeOfDay>(parseScenario("time 09:58:07.25", "f")).milliseconds,
            (9 * 3600 + 58 * 60 + 7) * 1000 + 250);
  EXPECT_EQ(only<SetFrameStep>(parseScenario("step 20ms", "f")).milliseconds, 20);
  EXPECT_EQ(only<SetFrameStep>(parseScenario("step 1 s", "f")).milliseconds, 1000);
  const auto setting = only<EditSetting>(parseScenario("setting Disp DispType 1", "f"));
  EXPECT_EQ(setting.section, "Disp");
  EXPECT_EQ(setting.key, "DispType");
  EXPECT_EQ(setting.value, "1");
  EXPECT_EQ(only<VehicleFolder>(parseScenario("vehicle ../my vehicle", "f")).folder,
            "../my vehicle");
}

TEST(ScenarioParser, ReadsDriverAndDoorCalls) {
  const Scenario s = parseScenario(
      "start 0\npower 5\nbrake emergency\nreverser backward\nhold backspace\nrelease 32\n"
      "key 2\nkey-up 3\nhorn\ndoor open\ndoor close\npanel 83=1\n",
      "f");
  ASSERT_EQ(s.commands.size(), 12u);
  EXPECT_EQ(std::get<SetHandle>(s.commands[1].body).value, 5);
  EXPECT_TRUE(std::get<SetHandle>(s.commands[2].body).emergency);
  EXPECT_EQ(std::get<SetHandle>(s.commands[3].body).value, -1);
  const auto held = std::get<HoldKey>(s.commands[4].body);
  EXPECT_EQ(held.virtualKey, 8);
  EXPECT_TRUE(held.down);
  EXPECT_FALSE(std::get<HoldKey>(s.commands[5].body).down);
  EXPECT_EQ(std::get<HostKey>(s.commands[6].body).call, KeyCall::Press);
  EXPECT_EQ(std::get<HostKey>(s.commands[7].body).call, KeyCall::Up);
  EXPECT_EQ(std::get<Horn>(s.commands[8].body).kind, 0);
  EXPECT_TRUE(std::get<Door>(s.commands[9].body).open);
  EXPECT_FALSE(std::get<Door>(s.commands[10].body).open);
  const auto write = std::get<WritePanel>(s.commands[11].body);
  EXPECT_EQ(write.slot, 83);
  EXPECT_EQ(write.value, 1);
}

TEST(ScenarioParser, ReadsBeaconsAndRunning) {
  const Scenario s = parseScenario(
      "beacon 100 -350 at 1250.5\nstart -1\nbeacon 1000 301234008\nrun 1.5s\nrun to 800\n"
      "accelerate to 60 at 2.5\ndecelerate to 0 at 4\nstop at 1500\nspeed 45\nbc 300\n"
      "run until 10:00:01.5\n",
      "f");
  const auto atLocation = std::get<Beacon>(s.commands[0].body);
  EXPECT_EQ(atLocation.data, -350);
  ASSERT_TRUE(atLocation.location.has_value());
  EXPECT_DOUBLE_EQ(*atLocation.location, 1250.5);
  EXPECT_FALSE(std::get<Beacon>(s.commands[2].body).location.has_value());
  EXPECT_EQ(std::get<RunFor>(s.commands[3].body).milliseconds, 1500);
  EXPECT_DOUBLE_EQ(std::get<RunTo>(s.commands[4].body).location, 800);
  EXPECT_DOUBLE_EQ(std::get<ChangeSpeed>(s.commands[5].body).rate, 2.5);
  EXPECT_DOUBLE_EQ(std::get<StopAt>(s.commands[7].body).location, 1500);
  EXPECT_EQ(std::get<SetQuantity>(s.commands[9].body).quantity, Quantity::BcPressure);
  EXPECT_EQ(std::get<RunUntil>(s.commands[10].body).milliseconds, 36001500);
}

TEST(ScenarioParser, ReadsExpectations) {
  const Scenario s = parseScenario(
      "start -1\nexpect panel 130..134 = 1 2 3 4 5\nexpect sound 14!=1\n"
      "expect handle constant-speed >= 2\nexpect setting CSpd EnableCSpd = 1\n"
      "expect-sound 16 loop\nexpect-no-sound 14\nexpect setting EB EnableEB missing\n",
      "f");
  const auto range = std::get<Expect>(s.commands[1].body);
  EXPECT_EQ(range.target, Target::Panel);
  EXPECT_EQ(range.first, 130);
  EXPECT_EQ(range.last, 134);
  EXPECT_EQ(range.values, (std::vector<int32_t>{1, 2, 3, 4, 5}));
  EXPECT_EQ(std::get<Expect>(s.commands[2].body).compare, Compare::NotEqual);
  const auto handle = std::get<Expect>(s.commands[3].body);
  EXPECT_EQ(handle.target, Target::Handle);
  EXPECT_EQ(handle.first, static_cast<int>(HandleField::ConstantSpeed));
  EXPECT_EQ(handle.compare, Compare::GreaterOrEqual);
  EXPECT_EQ(std::get<ExpectSetting>(s.commands[4].body).value, "1");
  EXPECT_EQ(std::get<ExpectSound>(s.commands[5].body).kind, SoundEventKind::Loop);
  EXPECT_FALSE(std::get<ExpectSound>(s.commands[6].body).expected);
  EXPECT_FALSE(std::get<ExpectSetting>(s.commands[4].body).missing);
  EXPECT_TRUE(std::get<ExpectSetting>(s.commands[7].body).missing);
}

TEST(ScenarioParser, ErrorsNameFileLineAndProblem) {
  EXPECT_EQ(errorOf("start -1\n\nfly 3\n"), "case.tims:3: unknown command 'fly'");
  EXPECT_EQ(errorOf("power five"),
            "case.tims:1: power notch must be a 32-bit integer, found 'five'");
  EXPECT_EQ(errorOf("panel 256 = 1"), "case.tims:1: panel slot must lie in 0..255, found 256");
  EXPECT_EQ(errorOf("show now"), "case.tims:1: unexpected 'now' at the end of the line");
  EXPECT_EQ(errorOf("time 25:00"),
            "case.tims:1: time of day must read HH:MM[:SS[.mmm]], found '25:00'");
  EXPECT_EQ(errorOf("start 0\nrun 10"),
            "case.tims:2: duration must be a duration such as 500ms, 10s or 2min, found '10'");
  EXPECT_EQ(errorOf("start 0\nexpect panel 130..132 = 1 2"),
            "case.tims:2: a range of 3 slots needs one value or 3 values, found 2");
  EXPECT_EQ(errorOf("start 0\nexpect panel 10 ~ 1"), "case.tims:2: unknown comparison '~'");
  EXPECT_EQ(errorOf("door ajar"), "case.tims:1: door takes open or close, found 'ajar'");
  EXPECT_EQ(errorOf("start 0\naccelerate to 50 at 0"), "case.tims:2: rate must be positive");
}

TEST(ScenarioParser, PlugInCallsNeedAStartFirst) {
  EXPECT_EQ(errorOf("power 3\nstart -1"),
            "case.tims:1: 'power 3' needs a run: put a start line before it");
  EXPECT_EQ(errorOf("run 1s"), "case.tims:1: 'run 1s' needs a run: put a start line before it");
  // Route beacons at a location, panel values and settings belong to the set-up.
  EXPECT_EQ(errorOf("beacon 100 5 at 10\npanel 83 = 1\nsetting EB EnableEB 0\nstart -1"), "");
  EXPECT_EQ(errorOf("start -1\nvehicle x"), "case.tims:2: the vehicle must be named before start");
  EXPECT_EQ(errorOf("vehicle x\nvehicle y"), "case.tims:2: a second vehicle line");
}

TEST(ScenarioParser, DurationsAndTimes) {
  EXPECT_EQ(parseDuration("16ms"), 16);
  EXPECT_EQ(parseDuration("2min"), 120000);
  EXPECT_EQ(parseDuration("0.5s"), 500);
  EXPECT_EQ(parseDuration("10"), std::nullopt);
  EXPECT_EQ(parseDuration("5h"), std::nullopt);
  EXPECT_EQ(parseDuration("-1s"), std::nullopt);
  EXPECT_EQ(parseDuration("1441min"), std::nullopt);  // beyond a day
  EXPECT_EQ(parseTimeOfDay("9:05"), 9 * 3600000 + 5 * 60000);
  EXPECT_EQ(parseTimeOfDay("23:59:59.999"), 86399999);
  EXPECT_EQ(parseTimeOfDay("12:60"), std::nullopt);
  EXPECT_EQ(parseTimeOfDay("12"), std::nullopt);
  EXPECT_EQ(parseTimeOfDay("1:2:3:4"), std::nullopt);
  EXPECT_EQ(formatTimeOfDay(45296789), "12:34:56.789");
  EXPECT_EQ(formatTimeOfDay(86400000), "00:00:00.000");
}

TEST(ScenarioParser, ComparisonsHoldAsWritten) {
  EXPECT_TRUE(compareHolds(Compare::Equal, 3, 3));
  EXPECT_FALSE(compareHolds(Compare::NotEqual, 3, 3));
  EXPECT_TRUE(compareHolds(Compare::Less, -10000, 0));
  EXPECT_TRUE(compareHolds(Compare::LessOrEqual, 0, 0));
  EXPECT_FALSE(compareHolds(Compare::Greater, 0, 0));
  EXPECT_TRUE(compareHolds(Compare::GreaterOrEqual, 1, 0));
}

}  // namespace
}  // namespace tims::host
