// The cab meters: voltages, jittered speed readout, brake-notch sample, standing warning, bars.
#pragma once

#include "state/plugin_state.h"

namespace tims {

// Every meter value and timer to its start value, except voltageTimer.
void resetMeters(PluginState& plugin);

// The per-frame step.
void runMeters(PluginState& plugin);

}  // namespace tims
