#include "aids/driver_controls.h"

namespace tims {

void driverOperationReset(TimsUnit& unit) {
  unit.ebIdleTimer = 0;
  unit.ebAlarmTimer = 0;
  // With the device on, only the timers restart: an applied EB stays until the handle reaches
  // the emergency notch.
  if (!unit.enableEb) {
    unit.ebApplied = false;
    unit.soundOut[12] = kSoundSilent;
  }
}

void setPower(PluginState& plugin, TimsUnit& unit, int32_t notch) {
  plugin.powerNotch = notch;
  driverOperationReset(unit);
}

void setBrake(PluginState& plugin, TimsUnit& unit, int32_t notch) {
  plugin.brakeNotch = notch;
  if (unit.haltLoopVolume && unit.soundOut[1] != 0) unit.soundOut[1] = kSoundSilent;
  unit.ebHandleAtEmergency = notch == plugin.emergencyBrakeNotch;
  driverOperationReset(unit);
}

void setReverser(PluginState& plugin, int32_t position) { plugin.reverser = position; }

void keyDown(TimsUnit& unit, int32_t keyIndex) {
  if (keyIndex == 2) driverOperationReset(unit);
}

void hornBlow(TimsUnit& unit) { driverOperationReset(unit); }

}  // namespace tims
