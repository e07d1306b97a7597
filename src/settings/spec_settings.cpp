#include "settings/spec_settings.h"

#include "platform/profile.h"

namespace tims {

std::filesystem::path specFilePath(const PluginState& plugin) {
  return plugin.pluginDirectory / kSpecFileName;
}

void readConstantSpeedSettings(PluginState& plugin) {
  const auto file = specFilePath(plugin);
  auto read = [&](const char* key, int32_t fallback) {
    return platform::readProfileInt(file, "CSpd", key, fallback);
  };
  plugin.enableCSpd = read("EnableCSpd", -1);
  plugin.enableCSpdLow = read("EnableCSpdLow", -1);
  plugin.enableHoldBrk = read("EnableHoldBrk", -1);
  plugin.cspdNotch = read("CSpdNotch", 5);
  plugin.cspdEnableSpd = read("CSpdEnableSpd", 55);
  read("CSpdDisableSpd", 53);  // read for its place in the order; its value steers nothing
  plugin.cspdLowNotch = read("CSpdLowNotch", 1);
  plugin.cspdLowEnableSpd = read("CSpdLowEnableSpd", 3);
  plugin.cspdLowDisableSpd = read("CSpdLowDisableSpd", 12);
  read("HldBlkEnableSpd", 55);
  read("HldBlkDisableSpd", 53);
  plugin.useCSpd = read("useCSpd", 0) != 0;

  // A negative enable value means the key is missing: write the group's defaults back. Groups 2
  // and 3 do not write their own enable key, so they repeat while it stays missing.
  auto write = [&](const char* key, const char* value) {
    platform::writeProfileString(file, "CSpd", key, value);
  };
  if (plugin.enableCSpd < 0) {
    write("EnableCSpd", "1");
    write("CSpdEnableSpd", "55");
    write("CSpdDisableSpd", "53");
  }
  if (plugin.enableCSpdLow < 0) {
    write("CSpdLowNotch", "1");
    write("CSpdLowEnableSpd", "3");
    write("CSpdLowDisableSpd", "12");
  }
  if (plugin.enableHoldBrk < 0) {
    write("HldBlkEnableSpd", "55");
    write("HldBlkDisableSpd", "53");
  }
}

void readMeterSettings(PluginState& plugin) {
  const auto file = specFilePath(plugin);
  plugin.enableMeterDisp = platform::readProfileInt(file, "Disp", "EnableMeterDisp", 1) != 0;
  plugin.enableVmeter = platform::readProfileInt(file, "Disp", "EnableVmeter", 1) != 0;
  plugin.hvMeterIndex = platform::readProfileInt(file, "Disp", "HVMeterindex", 75);
  plugin.lvMeterIndex = platform::readProfileInt(file, "Disp", "LVMeterindex", 73);
}

void readPilotLampSetting(PluginState& plugin) {
  plugin.pilotLampIndex =
      platform::readProfileInt(specFilePath(plugin), "Spec", "PilotLampIndex", -1);
}

}  // namespace tims
