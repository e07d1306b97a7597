#include "common/numeric.h"
#include "unit/frame_steps.h"

namespace tims {
namespace {

constexpr float kArmAboveKmh = 15.0f;     // the device arms once the train runs faster
constexpr float kCountFromKmh = 11.0f;    // below this the train counts as stopping
constexpr int32_t kAlarmAfterMs = 60000;  // without a driver operation
constexpr int32_t kApplyAfterMs = 5000;   // of alarm

}  // namespace

void runEbDevice(TimsUnit& unit) {
  if (!unit.enableEb) {
    unit.ebApplied = false;
    unit.soundOut[kOutEbAlarm] = kSoundSilent;
    unit.ebIdleTimer = 0;
    unit.ebAlarmTimer = 0;
    return;
  }
  const float speed = unit.statePtr->speed;
  const int32_t frameMs = *unit.frameMsPtr;
  if (speed > kArmAboveKmh) unit.ebArmed = true;
  if (speed < kCountFromKmh) {
    unit.ebArmed = false;  // the idle time so far is kept
  } else if (unit.ebArmed) {
    unit.ebIdleTimer = saturatingAdd(unit.ebIdleTimer, frameMs);
  }

  if (unit.ebIdleTimer < kAlarmAfterMs) {
    unit.ebAlarmTimer = 0;
  } else {
    unit.ebAlarmTimer = saturatingAdd(unit.ebAlarmTimer, frameMs);
    if (unit.ebAlarmTimer >= kApplyAfterMs) unit.ebApplied = true;
  }

  if (unit.ebHandleAtEmergency) {
    unit.ebApplied = false;  // released; the alarm goes on until a driver operation
  } else if (unit.ebApplied) {
    unit.soundOut[kOutEbAlarm] = kSoundSounding;
    return;
  }
  unit.soundOut[kOutEbAlarm] = unit.ebIdleTimer < kAlarmAfterMs ? kSoundSilent : kSoundSounding;
}

}  // namespace tims
