#include "aids/meters.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/numeric.h"
#include "platform/crt_random.h"

namespace tims {
namespace {

constexpr int32_t kBlankDigit = 10;
constexpr int32_t kBelowSegment = 20;  // pressure has not reached the bar's segment
constexpr int32_t kBarFull = 10;
constexpr int32_t kStandingWarnAfterMs = 5000;
constexpr float kStandingPressureLimit = 200.0f;
constexpr int32_t kControlVoltage = 105;

// Count-down by the frame time. A timer that is never refilled (the voltage timer while the
// voltmeter is off) stops at the lowest value instead of wrapping to a large positive one.
int32_t countDown(int32_t timer, int32_t ms) {
  const int64_t left = static_cast<int64_t>(timer) - ms;
  return static_cast<int32_t>(std::max<int64_t>(left, std::numeric_limits<int32_t>::min()));
}

// The product of `count` draws of the shared generator, wrapping in 32 bits.
int32_t productOfDraws(int count) {
  int32_t product = 1;
  for (int i = 0; i < count; ++i) product = wrappingMul(product, platform::crtRand());
  return product;
}

// A random period: product of four draws mod `spread` (sign of the product) plus `base`.
int32_t randomPeriod(int32_t spread, int32_t base) {
  return productOfDraws(4) % spread + base;
}

uint32_t meterSeed(const PluginState& plugin) {
  return plugin.startLocalTime.milliseconds;
}

void updateVoltages(PluginState& plugin) {
  plugin.lvMeterValue = kControlVoltage;
  // The line sags 1.6 per unit of motor current, and rises above 1600 while regenerating.
  plugin.hvMeterValue = saturatingInt32(1600.0 - static_cast<double>(plugin.state.current) * 1.6);
  plugin.voltageTimer = randomPeriod(330, 250);
}

void updateSpeedReadout(PluginState& plugin) {
  const float speed = plugin.state.speed;
  // A small reading error of -0.27..0.27 km/h; it is 0 below 1 km/h, where n is 0.
  const int32_t q = productOfDraws(3);
  const int32_t jitter = wrappingMul(saturatingInt32(speed), q) % 28;
  plugin.meterSpeed = saturatingInt32(std::fabs(static_cast<double>(speed) - jitter / 100.0));

  const int32_t shown = plugin.meterSpeed;  // never negative
  plugin.speedDigitHundreds = shown >= 100 ? shown / 100 : kBlankDigit;
  plugin.speedDigitTens = shown >= 10 ? (shown / 10) % 10 : kBlankDigit;
  plugin.speedDigitOnes = shown % 10;

  platform::crtSrand(meterSeed(plugin));
  plugin.speedDigitTimer = randomPeriod(230, 350);
}

// A brake-cylinder segment starting at `base`: 20 until the pressure reaches it, then one step
// per 20 above it, full at ten. The division is done in double.
int32_t bcSegment(float bc, float base) {
  if (bc < base) return kBelowSegment;
  const float above = bc - base;
  if (!(above > 0.0f)) return 0;  // exactly at the base, or NaN
  return std::min(saturatingInt32(static_cast<double>(above) / 20.0), kBarFull);
}

// A main-reservoir bar: one step per 10 above `base`, in float, full at ten.
int32_t mrBar(float mr, float base) {
  const float above = mr - base;
  if (!(above > 0.0f)) return 0;
  return std::min(saturatingInt32(above / 10.0f), kBarFull);
}

void updateBars(PluginState& plugin) {
  const float bc = plugin.state.bcPressure;
  const float mr = plugin.state.mrPressure;

  // A larger change since the last update waits longer before the next one.
  plugin.barTimer = saturatingInt32(std::fabs(plugin.lastBarBcPressure - bc) * 6.0f + 230.0f);

  // The first bar has no lower bound: a negative pressure shows as a negative length.
  plugin.bcBar1 = std::min(saturatingInt32(static_cast<double>(bc) / 20.0), kBarFull);
  plugin.bcBar2 = bcSegment(bc, 200.0f);
  plugin.bcBar3 = bcSegment(bc, 400.0f);
  plugin.bcBar4 = bcSegment(bc, 600.0f);

  plugin.mrBar1 = mrBar(mr, 700.0f);
  plugin.mrBar2 = mrBar(mr, 800.0f);
  plugin.lastBarBcPressure = bc;
}

}  // namespace

void resetMeters(PluginState& plugin) {
  // voltageTimer is left as it is: it carries over from one run to the next.
  plugin.brakeSampleTimer = 0;
  plugin.sampledBrakeNotch = 0;
  plugin.standingTimer = 0;
  plugin.standingBlink = 0;
  plugin.meterSpeed = 0;
  plugin.speedDigitHundreds = 0;
  plugin.speedDigitTens = 0;
  plugin.speedDigitOnes = 0;
  plugin.bcBar1 = 0;
  plugin.bcBar2 = kBelowSegment;
  plugin.bcBar3 = kBelowSegment;
  plugin.bcBar4 = kBelowSegment;
  plugin.mrBar1 = 0;
  plugin.mrBar2 = 0;
  plugin.hvMeterValue = 0;
  plugin.lvMeterValue = 0;
  plugin.speedDigitTimer = 0;
  plugin.barTimer = 0;
  plugin.lastBarBcPressure = 0.0f;
}

void runMeters(PluginState& plugin) {
  const int32_t ms = plugin.frameMs;
  plugin.brakeSampleTimer = countDown(plugin.brakeSampleTimer, ms);
  plugin.voltageTimer = countDown(plugin.voltageTimer, ms);
  plugin.barTimer = countDown(plugin.barTimer, ms);
  plugin.speedDigitTimer = countDown(plugin.speedDigitTimer, ms);

  // "Standing" means the speed is not above 0 in magnitude, so a NaN speed counts as standing.
  const bool standing = !(std::fabs(plugin.state.speed) > 0.0f);
  if (standing && plugin.state.bcPressure < kStandingPressureLimit) {
    plugin.standingTimer = saturatingAdd(plugin.standingTimer, ms);
  } else {
    plugin.standingTimer = 0;
  }

  // Draw order is part of the behaviour: the brake sample re-seeds and draws four, the voltages
  // draw four where the generator stands, the speed readout draws three, re-seeds and draws four.
  if (plugin.brakeSampleTimer < 0) {
    plugin.sampledBrakeNotch = plugin.brakeNotch;
    platform::crtSrand(meterSeed(plugin));
    plugin.brakeSampleTimer = randomPeriod(130, 250);
  }
  if (plugin.voltageTimer < 0 && plugin.enableVmeter) updateVoltages(plugin);
  if (plugin.speedDigitTimer < 0) updateSpeedReadout(plugin);

  const bool blinkOn = plugin.state.time % 1000 > 500;
  plugin.standingBlink = plugin.standingTimer > kStandingWarnAfterMs && blinkOn ? 1 : 0;

  if (plugin.barTimer < 0) updateBars(plugin);
}

}  // namespace tims
