// What a run reports as it goes, for reports that want more than the monitor view and the trace
// (the trip page, the trip report of a drive). Calls come on the runner's thread, in run order.
#pragma once

#include <cstdint>
#include <string>

#include "state/records.h"
#include "tims-host/sound_rules.h"

namespace tims::host {

struct FrameSample {
  int64_t frame;              // from 0
  const VehicleState& state;  // as passed to Elapse
  const HandleSet& handles;   // as Elapse returned them
  int32_t driverPower;        // the driver's positions as last passed to SetPower / SetBrake
  int32_t driverBrake;
  const int32_t* panel;  // 256 slots after the frame
  const int32_t* sound;  // 256 slots as the plug-in left them, before the host's write-back
};

// An expectation of a scenario, or a built-in check of a drive, and how it came out.
struct CheckResult {
  int line;  // scenario line, 0 when the check is not written in a file
  std::string text;
  bool passed;
  std::string message;  // why it failed; empty when it passed
  int32_t timeMs;
};

class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // The plug-in's Initialize ran: it has read its settings again, and so may a report.
  virtual void onStart(int32_t /*timeMs*/) {}
  // A beacon reached the plug-in (a type-1000 beacon names the card whose stations it shows).
  virtual void onBeacon(int32_t /*type*/, int32_t /*data*/, int32_t /*timeMs*/) {}
  virtual void onFrame(const FrameSample&) {}
  virtual void onSound(const SoundEvent&) {}
  virtual void onViolation(const SoundViolation&) {}
  // A point at which the monitor is shown: a `show` line, the end of a run, a stop of a drive.
  virtual void onMoment(const std::string& /*label*/, int32_t /*timeMs*/,
                        const int32_t* /*panel*/) {}
  virtual void onCheck(const CheckResult&) {}
};

}  // namespace tims::host
