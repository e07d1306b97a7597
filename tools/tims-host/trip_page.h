// The trip page (--html): one self-contained HTML file with the cab monitor drawn at every moment
// of a run (each `show`, each stop of a drive, the end), plots of the run and its summary.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tims-host/card_names.h"
#include "tims-host/monitor_view.h"
#include "tims-host/run_observer.h"
#include "tims-host/runner.h"
#include "tims-host/trip_plots.h"

namespace tims::host {

struct TripPageSource {
  std::string run;                // what ran, e.g. "scenario examples/scenarios/ic_card_run.tims"
  std::filesystem::path vehicle;  // the vehicle folder as the user named it
  std::filesystem::path file;     // where the page goes
};

class TripPage : public RunObserver {
 public:
  // `pluginFolder` is where the plug-in runs: its settings choose the layout, its cards the names.
  TripPage(std::filesystem::path pluginFolder, TripPageSource source);

  void onStart(int32_t timeMs) override;
  void onBeacon(int32_t type, int32_t data, int32_t timeMs) override;
  void onFrame(const FrameSample& frame) override;
  void onSound(const SoundEvent& event) override;
  void onViolation(const SoundViolation& violation) override;
  void onMoment(const std::string& label, int32_t timeMs, const int32_t* panel) override;
  void onCheck(const CheckResult& check) override;

  std::string html() const;
  const TripPageSource& source() const { return source_; }

 private:
  struct Moment {
    std::string label;
    int32_t timeMs;
    int64_t elapsedMs;
    std::string svg;
    std::string caption;  // HTML: the vehicle and the sounds since the previous moment
    std::string train;
  };

  const PanelSettings& settings();
  int64_t elapsedAt(int32_t timeMs) const;
  std::string summary() const;
  std::string checkTable() const;

  friend std::unique_ptr<TripPage> attachTripPage(HostEnvironment& env, TripPageSource source);

  RunObserver* alsoTell_ = nullptr;  // an observer the run had before the page came
  std::filesystem::path pluginFolder_;
  TripPageSource source_;
  std::unique_ptr<PanelSettings> settings_;
  std::vector<std::string> layouts_;  // every layout a start chose, in order
  CardNames names_;

  std::vector<TripSample> samples_;
  int32_t firstTimeMs_ = 0;
  int32_t lastTimeMs_ = 0;
  bool anyFrame_ = false;
  VehicleState lastState_{};
  HandleSet lastHandles_{};
  std::vector<SoundMark> sounds_;
  std::size_t soundsShown_ = 0;  // sounds already told under an earlier moment
  std::vector<SoundViolation> violations_;
  std::vector<CheckMark> checks_;
  std::vector<Moment> moments_;
};

// For a command that runs the plug-in: makes a trip page the observer of the run in `env`
// (whose pluginFolder is set); an observer already there is still told of everything. The file is
// created at once, so that a path that cannot be written stops before the run; throws
// std::runtime_error then.
std::unique_ptr<TripPage> attachTripPage(HostEnvironment& env, TripPageSource source);

// Writes the page after the run (and after its last moment). Throws std::runtime_error when the
// file cannot be written.
void finishTripPage(const TripPage& page);

}  // namespace tims::host
