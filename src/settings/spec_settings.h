// The plug-in's own keys of TIMS_Spec.ini, read at every Initialize.
#pragma once

#include <filesystem>

#include "settings/spec_keys.h"
#include "state/plugin_state.h"

namespace tims {

inline constexpr const char* kSpecFileName = "TIMS_Spec.ini";
inline constexpr const char* kIcCardFileName = "TIMS_ICCard.ini";

// The settings file beside the library, rebuilt from the plug-in directory before each read.
std::filesystem::path specFilePath(const PluginState& plugin);

// Section "CSpd", then the write-back of missing defaults. The run goes on with the values as
// read, whatever the write-back did. With a sink the reads and the write-back are recorded and
// nothing is written.
void readConstantSpeedSettings(PluginState& plugin, SpecSettingsSink* sink = nullptr);

// The four meter keys of section "Disp".
void readMeterSettings(PluginState& plugin, SpecSettingsSink* sink = nullptr);

// "PilotLampIndex" of section "Spec".
void readPilotLampSetting(PluginState& plugin, SpecSettingsSink* sink = nullptr);

}  // namespace tims
