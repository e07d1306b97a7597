#include "plugin/frame.h"

#include <algorithm>
#include <cstdint>

#include "aids/driving_aids.h"
#include "aids/meters.h"
#include "iccard/catalogue.h"
#include "panel/panel_writer.h"
#include "platform/local_time.h"
#include "settings/spec_settings.h"
#include "unit/frame_update.h"

namespace tims {

void attachPlugin(PluginState& plugin, TimsUnit& unit, const std::filesystem::path& directory) {
  // Keep the trailing separator so that names join directly.
  plugin.pluginDirectory = directory;
  if (!plugin.pluginDirectory.empty() && plugin.pluginDirectory.has_filename()) {
    plugin.pluginDirectory += std::filesystem::path::preferred_separator;
  }
  unit.specPath = plugin.pluginDirectory / kSpecFileName;
  unit.catalogue.iniPath = plugin.pluginDirectory / kIcCardFileName;
  bindUnit(unit, plugin);
}

void loadPlugin(TimsUnit& unit) {
  loadCatalogue(unit.catalogue);
  resetUnit(unit);
}

void setVehicleSpec(PluginState& plugin, const VehicleSpec& spec) {
  plugin.spec = spec;
  plugin.emergencyBrakeNotch = static_cast<int32_t>(static_cast<uint32_t>(spec.brakeNotches) + 1u);
}

void initializeRun(PluginState& plugin, TimsUnit& unit, int32_t startCode) {
  int32_t brake = plugin.emergencyBrakeNotch;
  if (startCode == -2) brake = 0;
  if (startCode == -1) brake = plugin.spec.startBrakeNotch;
  plugin.brakeNotch = brake;
  plugin.handles.brake = brake;
  plugin.powerNotch = 0;
  plugin.reverser = 1;
  plugin.handles.power = 0;
  plugin.handles.reverser = 1;
  plugin.handles.constantSpeed = 0;

  plugin.state = VehicleState{};
  plugin.state.time = kNoPreviousTime;  // so the first frame has frameMs 0
  plugin.frameMs = 0;
  plugin.frameDistance = 0.0;

  plugin.doorsClosed = true;
  plugin.prevDoorsClosed = true;
  plugin.startLocalTime = platform::currentLocalTime();

  readConstantSpeedSettings(plugin);
  clearDrivingAids(plugin);
  readMeterSettings(plugin);
  resetMeters(plugin);
  resetUnit(unit);
  readPilotLampSetting(plugin);
}

HandleSet elapseFrame(PluginState& plugin, TimsUnit& unit, const VehicleState& vehicle,
                      int32_t* panel, int32_t* sound) {
  // A clock that runs backwards (midnight, or a jump by the host) gives an empty frame. The
  // difference is taken in 64 bits so that absurd host times cannot wrap into a huge frame.
  const int64_t elapsed = static_cast<int64_t>(vehicle.time) - plugin.state.time;
  plugin.frameMs = static_cast<int32_t>(std::clamp<int64_t>(elapsed, 0, INT32_MAX));
  plugin.frameDistance = static_cast<double>(vehicle.speed) / 3.6 * plugin.frameMs / 1000.0;
  plugin.state = vehicle;

  updateUnitFrame(unit);

  // The pilot lamp is read as the previous frame or the host left it.
  if (isPanelSlot(plugin.pilotLampIndex)) {
    plugin.doorsClosed = panel[plugin.pilotLampIndex] != 0;
  }
  if (plugin.prevDoorsClosed && !plugin.doorsClosed) {
    unit.soundOut[1] = kSoundSilent;
    unit.advanceRequest = true;
  }
  plugin.prevDoorsClosed = plugin.doorsClosed;

  plugin.handles.brake = unit.ebApplied ? plugin.emergencyBrakeNotch : plugin.brakeNotch;
  plugin.handles.power = plugin.powerNotch;
  plugin.handles.reverser = plugin.reverser;
  if (plugin.useCSpd) runDrivingAids(plugin);

  runMeters(plugin);
  writePanel(plugin, unit, panel);

  for (const auto& route : kSoundSlotRoutes) sound[route.slot] = unit.soundOut[route.item];
  return plugin.handles;
}

void doorOpen(PluginState& plugin) {
  if (!isPanelSlot(plugin.pilotLampIndex)) plugin.doorsClosed = false;
}

void doorClose(PluginState& plugin) {
  if (!isPanelSlot(plugin.pilotLampIndex)) plugin.doorsClosed = true;
}

}  // namespace tims
