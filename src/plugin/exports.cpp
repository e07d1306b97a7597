// The sixteen functions the host calls, plus two host-adapter functions for builds without the
// Windows keyboard and clock. Each one forwards to a plain function over the two process-wide
// objects and lets no exception reach the host, which is not C++.
#include <array>

#include "aids/driver_controls.h"
#include "beacon/beacon_dispatcher.h"
#include "platform/keyboard.h"
#include "platform/local_time.h"
#include "platform/module_path.h"
#include "plugin/export_decl.h"
#include "plugin/frame.h"

namespace {

using namespace tims;

// Constructed in this order at library load, destroyed in reverse: the unit before the state
// (whose plug-in directory path is the first object created).
PluginState plugin;
TimsUnit unit;

struct LibraryAttach {
  LibraryAttach() noexcept {
    try {
      attachPlugin(plugin, unit, platform::libraryDirectory());
    } catch (...) {
      bindUnit(unit, plugin);  // without a directory the files are simply not found
    }
  }
} const libraryAttach;

// Stand-ins for arrays a host failed to pass, so that no frame writes through a null pointer.
std::array<int32_t, kSlotCount> scratchPanel{};
std::array<int32_t, kSlotCount> scratchSound{};

template <typename Body>
void guarded(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
    // Nothing may reach the host; the state stays as far as the call got.
  }
}

}  // namespace

TIMS_EXPORT void TIMS_CALL Load() {
  guarded([] { loadPlugin(unit); });
}

TIMS_EXPORT void TIMS_CALL Dispose() {}

TIMS_EXPORT int TIMS_CALL GetPluginVersion() { return kPluginVersion; }

TIMS_EXPORT void TIMS_CALL SetVehicleSpec(VehicleSpec spec) {
  guarded([&] { setVehicleSpec(plugin, spec); });
}

TIMS_EXPORT void TIMS_CALL Initialize(int startCode) {
  guarded([&] { initializeRun(plugin, unit, startCode); });
}

TIMS_EXPORT HandleSet TIMS_CALL Elapse(VehicleState vehicle, int* panel, int* sound) {
  guarded([&] {
    elapseFrame(plugin, unit, vehicle, panel ? panel : scratchPanel.data(),
                sound ? sound : scratchSound.data());
  });
  return plugin.handles;
}

TIMS_EXPORT void TIMS_CALL SetPower(int notch) {
  guarded([&] { setPower(plugin, unit, notch); });
}

TIMS_EXPORT void TIMS_CALL SetBrake(int notch) {
  guarded([&] { setBrake(plugin, unit, notch); });
}

TIMS_EXPORT void TIMS_CALL SetReverser(int position) {
  guarded([&] { setReverser(plugin, position); });
}

TIMS_EXPORT void TIMS_CALL KeyDown(int keyIndex) {
  guarded([&] { keyDown(unit, keyIndex); });
}

// The host passes one argument that is not read; it is still declared, since under the 32-bit
// standard calling convention the callee removes it from the stack.
TIMS_EXPORT void TIMS_CALL KeyUp(int) {}

TIMS_EXPORT void TIMS_CALL HornBlow(int) {
  guarded([] { hornBlow(unit); });
}

TIMS_EXPORT void TIMS_CALL DoorOpen() {
  guarded([] { doorOpen(plugin); });
}

TIMS_EXPORT void TIMS_CALL DoorClose() {
  guarded([] { doorClose(plugin); });
}

TIMS_EXPORT void TIMS_CALL SetSignal(int) {}

TIMS_EXPORT void TIMS_CALL SetBeaconData(BeaconData beacon) {
  guarded([&] { dispatchBeacon(unit, beacon); });
}

TIMS_EXPORT void TIMS_CALL TimsHostSetKeyState(int virtualKey, int down) {
  guarded([&] { platform::setHostKeyState(virtualKey, down != 0); });
}

TIMS_EXPORT void TIMS_CALL TimsHostSetLocalMilliseconds(int milliseconds) {
  guarded([&] { platform::pinLocalMilliseconds(milliseconds); });
}
