// Placeholder: this subsystem is being built; replace this file whole.
#include "aids/driving_aids.h"
namespace tims {
void runDrivingAids(PluginState&) {}
void clearDrivingAids(PluginState& plugin) {
  plugin.cspdActive = plugin.cspdLowActive = plugin.holdBrakeActive = false;
  plugin.cspdRefSpeed = 0.0f;
}
}
