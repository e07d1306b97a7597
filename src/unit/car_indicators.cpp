#include <cmath>
#include <cstdint>

#include "common/numeric.h"
#include "platform/crt_random.h"
#include "unit/frame_steps.h"

namespace tims {
namespace {

constexpr float kMotorCurrentA = 10.0f;  // below this in magnitude a car's motors count as idle

// A random delay of 500..1099 ms before a car's indicator follows the current; two draws.
int32_t drawDelay() {
  const int32_t r1 = platform::crtRand();
  const int32_t r2 = platform::crtRand();
  // At most 32767 x 32957: within 32 bits.
  return (r2 * (r1 + 190)) % 600 + 500;
}

}  // namespace

void runCarIndicators(TimsUnit& unit) {
  const float current = unit.statePtr->current;
  const int32_t frameMs = *unit.frameMsPtr;
  // Seeded every frame, so that a frame's indicators depend on its time of day only.
  platform::crtSrand(static_cast<uint32_t>(unit.statePtr->time));
  for (std::size_t i = 0; i < unit.carState.size(); ++i) {
    if (std::fabs(current) > kMotorCurrentA) {
      unit.carPowerTimer[i] = saturatingAdd(unit.carPowerTimer[i], frameMs);
      unit.carIdleTimer[i] = 0;
      if (unit.carPowerDelay[i] == 0 && current > 0) {
        unit.carPowerDelay[i] = drawDelay();
        unit.carBrakeDelay[i] = 0;
      }
      if (unit.carBrakeDelay[i] == 0 && current < 0) {
        unit.carBrakeDelay[i] = drawDelay();
        unit.carPowerDelay[i] = 0;
      }
    } else {
      unit.carPowerTimer[i] = 0;
      unit.carIdleTimer[i] = saturatingAdd(unit.carIdleTimer[i], frameMs);
      unit.carPowerDelay[i] = 0;
      unit.carBrakeDelay[i] = 0;
    }
    if (current > kMotorCurrentA && unit.carPowerTimer[i] > unit.carPowerDelay[i]) {
      unit.carState[i] = 1;
    }
    if (current < kMotorCurrentA && unit.carPowerTimer[i] > unit.carBrakeDelay[i]) {
      unit.carState[i] = 2;
    }
    // Idle limit 520..719 ms.
    const int32_t r = platform::crtRand();
    if (unit.carIdleTimer[i] > (r * 193) % 200 + 520) unit.carState[i] = 0;
  }
}

}  // namespace tims
