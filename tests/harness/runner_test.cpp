#include "tims-host/runner.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tims::host {
namespace {

// A stand-in plug-in that records every call and writes a few slots, so the host side can be
// checked on its own: panel slot 1 shows the location in whole metres, sound slot 14 plays what
// soundScript says for the frame.
struct Fake {
  static inline std::vector<std::string> calls;
  static inline std::vector<VehicleState> frames;
  static inline std::vector<int32_t> soundScript;  // by frame number; missing: 2
  static inline VehicleSpec spec{};
};

void TIMS_CALL fakeLoad() {
  Fake::calls.push_back("Load");
}
void TIMS_CALL fakeDispose() {
  Fake::calls.push_back("Dispose");
}
int TIMS_CALL fakeVersion() {
  return 131072;
}
void TIMS_CALL fakeSpec(VehicleSpec spec) {
  Fake::spec = spec;
  Fake::calls.push_back("SetVehicleSpec");
}
void TIMS_CALL fakeInitialize(int code) {
  Fake::calls.push_back("Initialize " + std::to_string(code));
}
HandleSet TIMS_CALL fakeElapse(VehicleState state, int* panel, int* sound) {
  const std::size_t frame = Fake::frames.size();
  Fake::frames.push_back(state);
  Fake::calls.push_back("Elapse");
  panel[1] = static_cast<int>(state.location);
  sound[14] = frame < Fake::soundScript.size() ? Fake::soundScript[frame] : 2;
  return HandleSet{7, 3, 1, 2};
}
void TIMS_CALL fakePower(int n) {
  Fake::calls.push_back("SetPower " + std::to_string(n));
}
void TIMS_CALL fakeBrake(int n) {
  Fake::calls.push_back("SetBrake " + std::to_string(n));
}
void TIMS_CALL fakeReverser(int n) {
  Fake::calls.push_back("SetReverser " + std::to_string(n));
}
void TIMS_CALL fakeKeyDown(int n) {
  Fake::calls.push_back("KeyDown " + std::to_string(n));
}
void TIMS_CALL fakeKeyUp(int n) {
  Fake::calls.push_back("KeyUp " + std::to_string(n));
}
void TIMS_CALL fakeHorn(int n) {
  Fake::calls.push_back("HornBlow " + std::to_string(n));
}
void TIMS_CALL fakeDoorOpen() {
  Fake::calls.push_back("DoorOpen");
}
void TIMS_CALL fakeDoorClose() {
  Fake::calls.push_back("DoorClose");
}
void TIMS_CALL fakeSignal(int) {}
void TIMS_CALL fakeBeacon(BeaconData b) {
  Fake::calls.push_back("Beacon " + std::to_string(b.type) + " " + std::to_string(b.data));
}
void TIMS_CALL fakeKeyState(int key, int down) {
  Fake::calls.push_back("KeyState " + std::to_string(key) + " " + std::to_string(down));
}

PluginExports fakeExports() {
  PluginExports e;
  e.load = fakeLoad;
  e.dispose = fakeDispose;
  e.getPluginVersion = fakeVersion;
  e.setVehicleSpec = fakeSpec;
  e.initialize = fakeInitialize;
  e.elapse = fakeElapse;
  e.setPower = fakePower;
  e.setBrake = fakeBrake;
  e.setReverser = fakeReverser;
  e.keyDown = fakeKeyDown;
  e.keyUp = fakeKeyUp;
  e.hornBlow = fakeHorn;
  e.doorOpen = fakeDoorOpen;
  e.doorClose = fakeDoorClose;
  e.setSignal = fakeSignal;
  e.setBeaconData = fakeBeacon;
  e.setKeyState = fakeKeyState;
  return e;
}

bool noThreadKeyState(int, bool) {
  return false;
}

class Runner : public ::testing::Test {
 protected:
  void SetUp() override {
    Fake::calls.clear();
    Fake::frames.clear();
    Fake::soundScript.clear();
  }

  ScenarioRunner& run(std::string_view text) {
    HostEnvironment env;
    env.pluginFolder = folder.path();
    env.out = &out;
    env.printViews = false;
    env.pressKey = noThreadKeyState;
    runner = std::make_unique<ScenarioRunner>(fakeExports(), env);
    runner->run(parseScenario(text, "case.tims"));
    return *runner;
  }

  // The calls other than Elapse, in order.
  static std::vector<std::string> callsBetweenFrames() {
    std::vector<std::string> calls;
    for (const auto& c : Fake::calls) {
      if (c != "Elapse") calls.push_back(c);
    }
    return calls;
  }

  tims::testing::TempDir folder;
  std::ostringstream out;
  std::unique_ptr<ScenarioRunner> runner;
};

TEST_F(Runner, LoadsOnceAndInitializesEveryStart) {
  run("spec 6 2\nstart -1\nrun 16ms\nstart 0\n");
  EXPECT_EQ(callsBetweenFrames(),
            (std::vector<std::string>{"Load", "SetVehicleSpec", "Initialize -1", "SetVehicleSpec",
                                      "Initialize 0"}));
  EXPECT_EQ(Fake::spec.brakeNotches, 6);
  EXPECT_EQ(Fake::spec.startBrakeNotch, 2);
}

TEST_F(Runner, FramesAdvanceTimeByTheStepAndWrapAtMidnight) {
  run("time 23:59:59.990\nstart -1\nstep 5ms\nrun 12ms\n");
  ASSERT_EQ(Fake::frames.size(), 3u);  // 5 + 5 + 2
  EXPECT_EQ(Fake::frames[0].time, 86399995);
  EXPECT_EQ(Fake::frames[1].time, 0);
  EXPECT_EQ(Fake::frames[2].time, 2);
}

TEST_F(Runner, RunUntilStopsAtThatTimeOfDay) {
  run("time 23:59:59.000\nstart -1\nstep 300ms\nrun until 00:00:00.500\nrun until 00:00:00.500\n");
  ASSERT_EQ(Fake::frames.size(), 5u);  // 4 x 300 + 300 ms; the second line is already there
  EXPECT_EQ(Fake::frames.back().time, 500);
  EXPECT_EQ(runner->timeOfDay(), 500);
}

TEST_F(Runner, RunUntilATimeAlreadyPassedFails) {
  run("time 10:00:00\nstart -1\nrun until 09:59:59\n");
  EXPECT_EQ(runner->failures(), 1);
  EXPECT_TRUE(Fake::frames.empty());
  EXPECT_NE(out.str().find("that time lies behind the clock (10:00:00.000)"), std::string::npos);
}

TEST_F(Runner, VehicleStateCarriesTheScenarioValues) {
  run("start -1\nspeed 36\ncurrent 250\nbc 300\nmr 800\nrun 1s\n");
  ASSERT_FALSE(Fake::frames.empty());
  const VehicleState& last = Fake::frames.back();
  EXPECT_FLOAT_EQ(last.speed, 36.0f);
  EXPECT_FLOAT_EQ(last.current, 250.0f);
  EXPECT_FLOAT_EQ(last.bcPressure, 300.0f);
  EXPECT_FLOAT_EQ(last.mrPressure, 800.0f);
  EXPECT_NEAR(last.location, 10.0, 1e-9);  // 36 km/h for one second
}

TEST_F(Runner, RouteBeaconsFireOnceAsTheTrainPassesThem) {
  // Written out of order; one lies behind the train and never fires.
  run("beacon 2 200 at 100\nbeacon 1 100 at 50\nbeacon 9 9 at -5\nstart -1\nspeed 36\n"
      "step 1s\nrun to 120\nspeed 0\nrun 1s\n");
  EXPECT_EQ(callsBetweenFrames(),
            (std::vector<std::string>{"Load", "SetVehicleSpec", "Initialize -1", "Beacon 1 100",
                                      "Beacon 2 200"}));
  // Each beacon comes before the frame that carries the train over it.
  std::size_t frame = 0;
  for (const auto& c : Fake::calls) {
    if (c == "Elapse") ++frame;
    if (c == "Beacon 1 100") {
      EXPECT_EQ(frame, 4u);  // the fifth frame reaches 50 m
    }
    if (c == "Beacon 2 200") {
      EXPECT_EQ(frame, 9u);
    }
  }
}

TEST_F(Runner, StopAtBrakesEvenlyToStandAtTheLocation) {
  run("start -1\nspeed 72\nstop at 200\n");
  EXPECT_DOUBLE_EQ(runner->speed(), 0.0);
  EXPECT_NEAR(runner->location(), 200.0, 0.01);
  for (std::size_t i = 1; i < Fake::frames.size(); ++i) {
    EXPECT_LT(Fake::frames[i].speed, Fake::frames[i - 1].speed);
  }
  // 20 m/s to 0 over 200 m takes 20 s.
  EXPECT_NEAR(runner->timeOfDay() - kDefaultStartTime, 20000, 16);
}

TEST_F(Runner, AccelerateStopsAtTheTargetSpeed) {
  run("start -1\naccelerate to 30 at 3\n");
  EXPECT_DOUBLE_EQ(runner->speed(), 30.0);
  EXPECT_EQ(runner->timeOfDay() - kDefaultStartTime, 10000);
  EXPECT_FLOAT_EQ(Fake::frames.back().speed, 30.0f);
}

TEST_F(Runner, RunToAStandingTrainFails) {
  run("start -1\nrun to 100\n");
  EXPECT_EQ(runner->failures(), 1);
  EXPECT_NE(out.str().find("case.tims:2: FAILED run to 100"), std::string::npos);
  EXPECT_TRUE(Fake::frames.empty());
}

TEST_F(Runner, DriverCallsReachTheExports) {
  run("spec 8 4\nstart -1\npower 3\nbrake emergency\nreverser -1\nkey 2\nhorn 1\ndoor open\n"
      "hold backspace\nrelease backspace\n");
  const auto calls = callsBetweenFrames();
  const std::vector<std::string> tail(calls.begin() + 3, calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"SetPower 3", "SetBrake 9", "SetReverser -1",
                                            "KeyDown 2", "KeyUp 2", "HornBlow 1", "DoorOpen",
                                            "KeyState 8 1", "KeyState 8 0"}));
}

TEST_F(Runner, FailedExpectationsShowExpectedAndActual) {
  run("start -1\nspeed 36\nrun 1s\nexpect panel 1 = 10\nexpect panel 1 = 11\n"
      "expect handle brake = 7\nexpect handle power > 3\n");
  EXPECT_EQ(runner->expectationsChecked(), 4);
  EXPECT_EQ(runner->failures(), 2);
  EXPECT_NE(out.str().find("case.tims:5: FAILED expect panel 1 = 11\n    expected panel slot 1 = "
                           "11, actual 10"),
            std::string::npos);
  EXPECT_NE(out.str().find("expected handle power > 3, actual 3"), std::string::npos);
}

TEST_F(Runner, HandlesBeforeAnyFrameFail) {
  run("start -1\nexpect handle brake = 7\n");
  EXPECT_EQ(runner->failures(), 1);
  EXPECT_NE(out.str().find("no frame has run since the start"), std::string::npos);
}

TEST_F(Runner, SoundExpectationsSeeWhatThePluginWroteAndWhatTheHostDid) {
  Fake::soundScript = {-10000, 1, 2, 0};
  run("start -1\nrun 32ms\nexpect sound 14 = 1\nexpect-sound 14 once\nexpect-no-sound 14\n"
      "run 32ms\nexpect-sound 14 loop\nexpect-sound 14 once\n");
  // The first three checks hold; the last finds no single play since the previous check.
  EXPECT_EQ(runner->failures(), 1);
  EXPECT_NE(out.str().find("case.tims:8: FAILED expect-sound 14 once\n    sound slot 14 did not "
                           "play once"),
            std::string::npos);
  // The host wrote 2 back after the single play.
  EXPECT_EQ(runner->sound()[14], 0);
}

TEST_F(Runner, RejectedSoundValuesCountAsFailures) {
  Fake::soundScript = {5};
  run("start -1\nrun 16ms\n");
  EXPECT_EQ(runner->failures(), 1);
  EXPECT_NE(out.str().find("sound slot 14 holds 5"), std::string::npos);
}

TEST_F(Runner, HostPanelWritesPersistBetweenFrames) {
  run("start -1\npanel 120 = 1\nrun 48ms\nexpect panel 120 = 1\n");
  EXPECT_EQ(runner->failures(), 0);
  EXPECT_EQ(runner->panel()[120], 1);
}

TEST_F(Runner, SettingsAreEditedAndCheckedInTheWorkingFolder) {
  folder.write("TIMS_Spec.ini", "[Disp]\r\nDispType=0\r\n");
  run("setting Disp DispType 1\nexpect setting Disp DispType = 1\n"
      "expect setting CSpd EnableCSpd = 1\nexpect setting CSpd EnableCSpd missing\n"
      "expect setting Disp DispType missing\n");
  EXPECT_NE(folder.read("TIMS_Spec.ini").find("DispType=1"), std::string::npos);
  EXPECT_EQ(runner->failures(), 2);
  EXPECT_NE(out.str().find("expected [CSpd] EnableCSpd = '1', actual no such key"),
            std::string::npos);
  EXPECT_NE(out.str().find("expected [Disp] DispType to be missing, actual '1'"),
            std::string::npos);
}

}  // namespace
}  // namespace tims::host
