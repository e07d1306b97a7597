// Projection of the plug-in state and the unit onto the host's panel slots.
#pragma once

#include <cstdint>

#include "state/plugin_state.h"
#include "unit/tims_unit.h"

namespace tims {

// Writes the panel for this frame; records unit.panel83Set. `panel` holds 256 slots.
void writePanel(const PluginState& plugin, TimsUnit& unit, int32_t* panel);

}  // namespace tims
