// The plug-in's own global values, grouped by the subsystem that gives them meaning.
#pragma once

#include <cstdint>
#include <filesystem>

#include "platform/local_time.h"
#include "state/records.h"

namespace tims {

struct PluginState {
  // Frame and host boundary.
  VehicleState state{};  // the vehicle state of the current frame
  HandleSet handles{};   // what Elapse returns
  VehicleSpec spec{};
  int32_t emergencyBrakeNotch = 0;
  int32_t brakeNotch = 0;  // the driver's positions as last reported
  int32_t powerNotch = 0;
  int32_t reverser = 0;
  int32_t pilotLampIndex = 0;  // outside 0..255: the door events decide
  bool doorsClosed = false;
  bool prevDoorsClosed = false;
  int32_t frameMs = 0;  // never negative
  double frameDistance = 0.0;
  platform::LocalTime startLocalTime{};
  std::filesystem::path pluginDirectory;  // directory of the library file, ends in a separator

  // Settings read at every Initialize.
  bool useCSpd = false;
  int32_t enableCSpd = 0;
  int32_t enableCSpdLow = 0;
  int32_t enableHoldBrk = 0;
  int32_t cspdNotch = 0;
  int32_t cspdEnableSpd = 0;
  int32_t cspdLowNotch = 0;
  int32_t cspdLowEnableSpd = 0;
  int32_t cspdLowDisableSpd = 0;
  bool enableMeterDisp = false;
  bool enableVmeter = false;
  int32_t hvMeterIndex = 0;
  int32_t lvMeterIndex = 0;

  // Driving aids.
  bool cspdActive = false;
  bool cspdLowActive = false;
  bool holdBrakeActive = false;
  float cspdRefSpeed = 0.0f;  // speed at the last engagement of any aid

  // Meter simulation.
  int32_t brakeSampleTimer = 0;
  int32_t sampledBrakeNotch = 0;
  int32_t voltageTimer = 0;  // deliberately not reset by Initialize
  int32_t hvMeterValue = 0;
  int32_t lvMeterValue = 0;
  int32_t speedDigitTimer = 0;
  int32_t meterSpeed = 0;
  int32_t speedDigitHundreds = 0;
  int32_t speedDigitTens = 0;
  int32_t speedDigitOnes = 0;
  int32_t standingTimer = 0;
  int32_t standingBlink = 0;
  int32_t barTimer = 0;
  float lastBarBcPressure = 0.0f;
  int32_t bcBar1 = 0;
  int32_t bcBar2 = 0;
  int32_t bcBar3 = 0;
  int32_t bcBar4 = 0;
  int32_t mrBar1 = 0;
  int32_t mrBar2 = 0;
};

// True when a panel slot number names a slot of the host's arrays (negative counts as outside).
constexpr bool isPanelSlot(int32_t index) {
  return static_cast<uint32_t>(index) <= 255u;
}

}  // namespace tims
