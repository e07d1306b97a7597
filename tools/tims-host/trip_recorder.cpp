#include "tims-host/trip_recorder.h"

#include <algorithm>

namespace tims::host {
namespace {

template <typename T>
std::vector<T> take(std::vector<T>& items) {
  std::vector<T> taken;
  taken.swap(items);
  return taken;
}

}  // namespace

void TripRecorder::onFrame(const FrameSample& f) {
  if (watch_ && !crossedMs_ && f.state.location > *watch_) crossedMs_ = f.state.time;
  // The plug-in returns the emergency notch on its own only when its EB device applied.
  const bool applied = f.handles.brake == emergencyNotch_ && f.driverBrake != emergencyNotch_;
  if (applied && !applied_) ebAppliedAt_.push_back(f.state.time);
  applied_ = applied;
  if (next_ != nullptr) next_->onFrame(f);
}

void TripRecorder::onSound(const SoundEvent& event) {
  sounds_.push_back(event);
  if (next_ != nullptr) next_->onSound(event);
}

void TripRecorder::onViolation(const SoundViolation& violation) {
  violations_.push_back(violation);
  if (next_ != nullptr) next_->onViolation(violation);
}

void TripRecorder::onMoment(const std::string& label, int32_t timeMs, const int32_t* panel) {
  if (next_ != nullptr) next_->onMoment(label, timeMs, panel);
}

void TripRecorder::onCheck(const CheckResult& result) {
  if (next_ != nullptr) next_->onCheck(result);
}

void TripRecorder::watch(std::optional<double> location) {
  watch_ = location;
  crossedMs_.reset();
}

std::vector<int> TripRecorder::takeStartedSounds() {
  std::vector<int> slots;
  for (; soundsTaken_ < sounds_.size(); ++soundsTaken_) {
    const SoundEvent& event = sounds_[soundsTaken_];
    const bool started =
        event.action == SoundAction::PlayOnce || event.action == SoundAction::PlayLoop;
    if (started && std::find(slots.begin(), slots.end(), event.slot) == slots.end()) {
      slots.push_back(event.slot);
    }
  }
  return slots;
}

std::vector<SoundViolation> TripRecorder::takeViolations() {
  return take(violations_);
}

std::vector<int32_t> TripRecorder::takeEbApplications() {
  return take(ebAppliedAt_);
}

}  // namespace tims::host
