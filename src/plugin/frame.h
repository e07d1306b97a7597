// The plug-in's entry points as plain functions over the state they work on. The exports are
// one-line shells over these; tests call them with their own PluginState and TimsUnit.
#pragma once

#include <cstdint>
#include <filesystem>

#include "state/plugin_state.h"
#include "state/records.h"
#include "unit/tims_unit.h"

namespace tims {

inline constexpr int32_t kPluginVersion = 0x00020000;
inline constexpr int32_t kNoPreviousTime = 86400000;  // one day: later than any time of day

// Library attach: the plug-in directory, the two settings paths and the unit's views.
void attachPlugin(PluginState& plugin, TimsUnit& unit, const std::filesystem::path& directory);

void loadPlugin(TimsUnit& unit);
void setVehicleSpec(PluginState& plugin, const VehicleSpec& spec);
void initializeRun(PluginState& plugin, TimsUnit& unit, int32_t startCode);
// `panel` and `sound` hold 256 slots each.
HandleSet elapseFrame(PluginState& plugin, TimsUnit& unit, const VehicleState& vehicle,
                      int32_t* panel, int32_t* sound);
void doorOpen(PluginState& plugin);
void doorClose(PluginState& plugin);

// Which unit sound item each host sound slot carries, in the order they are written.
struct SoundSlotRoute {
  int slot;
  int item;
};
inline constexpr SoundSlotRoute kSoundSlotRoutes[] = {
    {13, 12}, {14, 0}, {15, 2}, {16, 1}, {60, 5},  {61, 6},
    {62, 7},  {63, 9}, {64, 10}, {65, 11}, {66, 8}, {67, 13},
};

}  // namespace tims
