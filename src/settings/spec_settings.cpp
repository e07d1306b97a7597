#include "settings/spec_settings.h"

#include "platform/profile.h"
#include "settings/spec_keys.h"

namespace tims {

std::filesystem::path specFilePath(const PluginState& plugin) {
  return plugin.pluginDirectory / kSpecFileName;
}

void readConstantSpeedSettings(PluginState& plugin, SpecSettingsSink* sink) {
  using namespace spec_keys;
  const auto file = specFilePath(plugin);
  auto read = [&](const SpecKey& key) { return readSpecKey(file, key, sink); };
  plugin.enableCSpd = read(kEnableCSpd);
  plugin.enableCSpdLow = read(kEnableCSpdLow);
  plugin.enableHoldBrk = read(kEnableHoldBrk);
  plugin.cspdNotch = read(kCSpdNotch);
  plugin.cspdEnableSpd = read(kCSpdEnableSpd);
  read(kCSpdDisableSpd);  // read for its place in the order; its value steers nothing
  plugin.cspdLowNotch = read(kCSpdLowNotch);
  plugin.cspdLowEnableSpd = read(kCSpdLowEnableSpd);
  plugin.cspdLowDisableSpd = read(kCSpdLowDisableSpd);
  read(kHldBlkEnableSpd);
  read(kHldBlkDisableSpd);
  plugin.useCSpd = read(kUseCSpd) != 0;

  // A negative enable value means the key is missing: write the group's defaults back. Groups 2
  // and 3 do not write their own enable key, so they repeat while it stays missing. A sink
  // records the writes instead: explaining a file must not change it.
  auto write = [&](const SpecKey& key, const char* value) {
    if (sink) {
      sink->writeBacks.push_back({&key, value});
    } else {
      platform::writeProfileString(file, key.section, key.name, value);
    }
  };
  if (plugin.enableCSpd < 0) {
    write(kEnableCSpd, "1");
    write(kCSpdEnableSpd, "55");
    write(kCSpdDisableSpd, "53");
  }
  if (plugin.enableCSpdLow < 0) {
    write(kCSpdLowNotch, "1");
    write(kCSpdLowEnableSpd, "3");
    write(kCSpdLowDisableSpd, "12");
  }
  if (plugin.enableHoldBrk < 0) {
    write(kHldBlkEnableSpd, "55");
    write(kHldBlkDisableSpd, "53");
  }
}

void readMeterSettings(PluginState& plugin, SpecSettingsSink* sink) {
  using namespace spec_keys;
  const auto file = specFilePath(plugin);
  plugin.enableMeterDisp = readSpecKey(file, kEnableMeterDisp, sink) != 0;
  plugin.enableVmeter = readSpecKey(file, kEnableVmeter, sink) != 0;
  plugin.hvMeterIndex = readSpecKey(file, kHVMeterindex, sink);
  plugin.lvMeterIndex = readSpecKey(file, kLVMeterindex, sink);
}

void readPilotLampSetting(PluginState& plugin, SpecSettingsSink* sink) {
  plugin.pilotLampIndex = readSpecKey(specFilePath(plugin), spec_keys::kPilotLampIndex, sink);
}

}  // namespace tims
