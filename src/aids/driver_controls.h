// What the driver's handle, key and horn calls do besides storing their values.
#pragma once

#include <cstdint>

#include "state/plugin_state.h"
#include "unit/tims_unit.h"

namespace tims {

// The signal to the EB device that the driver is active.
void driverOperationReset(TimsUnit& unit);

void setPower(PluginState& plugin, TimsUnit& unit, int32_t notch);
void setBrake(PluginState& plugin, TimsUnit& unit, int32_t notch);
void setReverser(PluginState& plugin, int32_t position);
void keyDown(TimsUnit& unit, int32_t keyIndex);
void hornBlow(TimsUnit& unit);

}  // namespace tims
