// What a drive needs to know of the frames it runs (sounds started, values the host rejects, the
// EB brake, the moment the train passes a station), gathered as a run observer; every report is
// passed on to the caller's observer as well.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tims-host/run_observer.h"

namespace tims::host {

class TripRecorder : public RunObserver {
 public:
  // `next` may be null; `emergencyNotch` is the vehicle's (service notches + 1).
  TripRecorder(RunObserver* next, int32_t emergencyNotch)
      : next_(next), emergencyNotch_(emergencyNotch) {}

  void onStart(int32_t timeMs) override {
    if (next_ != nullptr) next_->onStart(timeMs);
  }
  void onBeacon(int32_t type, int32_t data, int32_t timeMs) override {
    if (next_ != nullptr) next_->onBeacon(type, data, timeMs);
  }
  void onFrame(const FrameSample& f) override;
  void onSound(const SoundEvent& event) override;
  void onViolation(const SoundViolation& violation) override;
  void onMoment(const std::string& label, int32_t timeMs, const int32_t* panel) override;
  void onCheck(const CheckResult& result) override;

  // The first frame that takes the train beyond `location` is noted (one location at a time).
  void watch(std::optional<double> location);
  std::optional<int32_t> crossedMs() const { return crossedMs_; }

  // The slots whose sound started (once or looping) since the last call, each once.
  std::vector<int> takeStartedSounds();
  std::vector<SoundViolation> takeViolations();
  // Times at which the plug-in began to return the emergency notch on its own.
  std::vector<int32_t> takeEbApplications();

 private:
  RunObserver* next_;
  int32_t emergencyNotch_;
  std::optional<double> watch_;
  std::optional<int32_t> crossedMs_;
  bool applied_ = false;
  std::vector<int32_t> ebAppliedAt_;
  std::vector<SoundEvent> sounds_;
  std::size_t soundsTaken_ = 0;
  std::vector<SoundViolation> violations_;
};

}  // namespace tims::host
