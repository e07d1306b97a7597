#include "aids/driving_aids.h"

#include "platform/keyboard.h"

namespace tims {
namespace {

// The release rules use fixed numbers of their own, not the engage settings.
constexpr float kHoldReleaseSpeed = 52.0f;  // km/h, constant-speed mode and hold brake
constexpr int32_t kCSpdHoldNotch = 5;
constexpr float kLowBandBottom = 3.0f;  // km/h, exclusive
constexpr float kLowBandTop = 12.0f;    // km/h, exclusive
constexpr int32_t kLowHoldNotch = 1;
// The low-speed mode powers while the train has fallen more than this below its reference.
constexpr float kLowPowerDeficit = 2.0f;

// The only two constant-speed commands ever returned: an aid is acting, or none is.
constexpr int32_t kCommandAidActing = 0;
constexpr int32_t kCommandNoAid = 2;

void engageOnKey(PluginState& plugin, float speed) {
  const int32_t power = plugin.powerNotch;
  const int32_t brake = plugin.brakeNotch;
  const auto enableSpeed = static_cast<float>(plugin.cspdEnableSpd);

  // Each rule that holds retakes the reference speed; a NaN speed fails every comparison.
  if (power >= plugin.cspdNotch && speed > enableSpeed && plugin.enableCSpd != 0) {
    plugin.cspdRefSpeed = speed;
    plugin.cspdActive = true;
  }
  if (power <= plugin.cspdLowNotch && speed < static_cast<float>(plugin.cspdLowDisableSpd) &&
      speed > static_cast<float>(plugin.cspdLowEnableSpd) && plugin.enableCSpdLow != 0) {
    plugin.cspdRefSpeed = speed;
    plugin.cspdLowActive = true;
  }
  if (power == 0 && brake == 0 && speed > enableSpeed && plugin.enableHoldBrk != 0) {
    plugin.cspdRefSpeed = speed;
    plugin.holdBrakeActive = true;
  }
}

void releaseByRules(PluginState& plugin, float speed) {
  const int32_t power = plugin.powerNotch;
  // Written as "keeps only while" so that a NaN speed drops every aid instead of holding it.
  const bool fastEnough = speed >= kHoldReleaseSpeed;
  if (power != 0 || plugin.brakeNotch != 0 || !fastEnough) plugin.holdBrakeActive = false;
  const bool inLowBand = speed > kLowBandBottom && speed < kLowBandTop;
  if (!(inLowBand && power == kLowHoldNotch)) plugin.cspdLowActive = false;
  if (power != kCSpdHoldNotch || !fastEnough) plugin.cspdActive = false;
}

}  // namespace

void runDrivingAids(PluginState& plugin) {
  const float speed = plugin.state.speed;

  // Uses the flag as the previous frame left it, before this frame's key and rules.
  if (plugin.cspdLowActive) {
    plugin.handles.power = plugin.cspdRefSpeed - speed > kLowPowerDeficit ? 1 : 0;
  }

  // No edge detection: every frame with the key held engages again.
  if (platform::isKeyDown(platform::kVirtualKeyBackspace)) engageOnKey(plugin, speed);

  releaseByRules(plugin, speed);

  // The hold brake acts only while the motors draw no current.
  const bool acting = plugin.cspdActive || plugin.cspdLowActive ||
                      (plugin.holdBrakeActive && plugin.state.current <= 0.0f);
  plugin.handles.constantSpeed = acting ? kCommandAidActing : kCommandNoAid;
}

void clearDrivingAids(PluginState& plugin) {
  plugin.cspdActive = false;
  plugin.cspdLowActive = false;
  plugin.holdBrakeActive = false;
  plugin.cspdRefSpeed = 0.0f;
}

}  // namespace tims
