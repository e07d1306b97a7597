// Constant-speed, low-speed and hold-brake aids, acting through the returned handles.
#pragma once

#include "state/plugin_state.h"

namespace tims {

// The per-frame step, run only while useCSpd is set.
void runDrivingAids(PluginState& plugin);

// All three aids off and the reference speed 0 (every Initialize).
void clearDrivingAids(PluginState& plugin);

}  // namespace tims
