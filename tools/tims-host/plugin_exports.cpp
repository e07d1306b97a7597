#include "tims-host/plugin_exports.h"

namespace tims::host {
namespace {

// Function pointers and object pointers share a size on every platform a host runs on; the
// conversion goes through an integer so that no compiler sees a cast between the two kinds.
template <typename Function>
void find(const platform::DynamicLibrary& library, const char* name, Function& target,
          std::vector<std::string>* missing) {
  void* address = library.symbol(name);
  static_assert(sizeof(Function) == sizeof(void*));
  target = reinterpret_cast<Function>(reinterpret_cast<std::uintptr_t>(address));
  if (address == nullptr && missing != nullptr) missing->emplace_back(name);
}

}  // namespace

std::vector<std::string> resolveExports(const platform::DynamicLibrary& library,
                                        PluginExports& exports) {
  std::vector<std::string> missing;
  find(library, "Load", exports.load, &missing);
  find(library, "Dispose", exports.dispose, &missing);
  find(library, "GetPluginVersion", exports.getPluginVersion, &missing);
  find(library, "SetVehicleSpec", exports.setVehicleSpec, &missing);
  find(library, "Initialize", exports.initialize, &missing);
  find(library, "Elapse", exports.elapse, &missing);
  find(library, "SetPower", exports.setPower, &missing);
  find(library, "SetBrake", exports.setBrake, &missing);
  find(library, "SetReverser", exports.setReverser, &missing);
  find(library, "KeyDown", exports.keyDown, &missing);
  find(library, "KeyUp", exports.keyUp, &missing);
  find(library, "HornBlow", exports.hornBlow, &missing);
  find(library, "DoorOpen", exports.doorOpen, &missing);
  find(library, "DoorClose", exports.doorClose, &missing);
  find(library, "SetSignal", exports.setSignal, &missing);
  find(library, "SetBeaconData", exports.setBeaconData, &missing);
  find(library, "TimsHostSetKeyState", exports.setKeyState, nullptr);
  find(library, "TimsHostSetLocalMilliseconds", exports.setLocalMilliseconds, nullptr);
  return missing;
}

}  // namespace tims::host
