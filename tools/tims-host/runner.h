// Plays a scenario against the plug-in's exports as the host simulator would: the records by
// value every frame, the two slot arrays kept between frames, the driver's, door and beacon calls
// between frames, and the host's reading of the sound array.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "tims-host/card_names.h"
#include "tims-host/monitor_view.h"
#include "tims-host/plugin_exports.h"
#include "tims-host/run_observer.h"
#include "tims-host/scenario.h"
#include "tims-host/sound_rules.h"
#include "tims-host/trace.h"

namespace tims::host {

struct HostEnvironment {
  std::filesystem::path pluginFolder;  // the folder the plug-in runs in
  bool settingsEditable = true;        // false when the plug-in runs in the user's own folder
  std::ostream* out = nullptr;         // monitor views and messages
  std::ostream* trace = nullptr;       // CSV trace, when wanted
  bool printViews = true;              // false: `show` checks nothing and prints nothing
  // Presses a key in the calling thread's real keyboard state; returns false where there is none
  // (then the plug-in's TimsHostSetKeyState adapter is used).
  bool (*pressKey)(int virtualKey, bool down) = nullptr;
  RunObserver* observer = nullptr;  // told of every frame, sound, moment and check; optional
  int seed = -1;  // 0..999: pinned before the first command, so every start takes it
};

inline constexpr int32_t kDefaultStartTime = 10 * 3600000;  // 10:00:00
inline constexpr int32_t kDefaultFrameStep = 16;

class ScenarioRunner {
 public:
  ScenarioRunner(const PluginExports& exports, HostEnvironment environment);

  // Runs every command of the scenario in order. A failed expectation or a rejected sound value
  // is reported and counted, and the run goes on.
  void run(const Scenario& scenario);

  // Prints the monitor view of the current panel (and the sounds since the last view) and tells
  // the observer of the moment under `label`.
  void showMonitor(const std::string& label = "show");

  // Runs one command as if a scenario held it, for a caller that decides the next command from
  // what the run has shown so far (a drive). A failure is reported with `text` as its line.
  void perform(const CommandBody& body, const std::string& text = "(no scenario line)");

  int failures() const { return failures_; }
  int expectationsChecked() const { return checked_; }
  int64_t framesRun() const { return frames_; }

  // The host's view of the run, for tests.
  const std::array<int32_t, kSlotCount>& panel() const { return panel_; }
  const std::array<int32_t, kSlotCount>& sound() const { return sound_; }
  double location() const { return location_; }
  double speed() const { return speed_; }
  int32_t timeOfDay() const { return timeMs_; }

 private:
  struct PendingBeacon {
    int32_t type;
    int32_t data;
    double location;
  };

  void execute(const Command& command);
  void fail(const Command& command, const std::string& message);
  void frame(int32_t durationMs, double endSpeed);
  void sendBeacon(int32_t type, int32_t data);
  void fireBeaconsPassed(double from, double to);
  void runToSpeed(const Command& command, double target, double rate);
  void checkExpect(const Command& command, const Expect& expect);
  void checkSound(const Command& command, const ExpectSound& expect);
  void checkSetting(const Command& command, const ExpectSetting& expect);
  template <typename Check>
  void reportCheck(const Command& command, Check&& check);

  PluginExports exports_;
  HostEnvironment env_;
  std::string file_;

  std::array<int32_t, kSlotCount> panel_{};
  std::array<int32_t, kSlotCount> sound_{};
  std::array<int32_t, kSlotCount> soundWritten_{};  // as the plug-in left it in the last frame
  SoundRules soundRules_;
  std::size_t violationsReported_ = 0;
  std::vector<SoundEvent> soundsSinceView_;
  std::array<std::vector<SoundAction>, kSlotCount> soundsSinceCheck_;

  VehicleSpec spec_{8, 0, 0, 4, 0};
  int32_t timeMs_ = kDefaultStartTime;
  int32_t stepMs_ = kDefaultFrameStep;
  double location_ = 0.0;
  double speed_ = 0.0;
  double current_ = 0.0;
  double bcPressure_ = 0.0;
  double mrPressure_ = 0.0;
  std::vector<PendingBeacon> pendingBeacons_;

  bool loaded_ = false;
  bool started_ = false;
  std::optional<HandleSet> handles_;
  int32_t driverPower_ = 0;
  int32_t driverBrake_ = 0;
  int64_t frames_ = 0;
  int failures_ = 0;
  std::string lastFailure_;
  int checked_ = 0;

  std::unique_ptr<PanelSettings> settings_;
  CardNames cardNames_;
  std::unique_ptr<TraceWriter> trace_;
};

}  // namespace tims::host
