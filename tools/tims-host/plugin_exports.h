// The plug-in's functions as a host finds them: by name, in a library loaded by the system.
#pragma once

#include <string>
#include <vector>

#include "platform/dynamic_library.h"
#include "plugin/export_decl.h"
#include "state/records.h"

namespace tims::host {

// One pointer per export, called exactly as the host calls them: records by value, the two
// arrays as pointers to their first slot.
struct PluginExports {
  void(TIMS_CALL* load)() = nullptr;
  void(TIMS_CALL* dispose)() = nullptr;
  int(TIMS_CALL* getPluginVersion)() = nullptr;
  void(TIMS_CALL* setVehicleSpec)(VehicleSpec) = nullptr;
  void(TIMS_CALL* initialize)(int) = nullptr;
  HandleSet(TIMS_CALL* elapse)(VehicleState, int*, int*) = nullptr;
  void(TIMS_CALL* setPower)(int) = nullptr;
  void(TIMS_CALL* setBrake)(int) = nullptr;
  void(TIMS_CALL* setReverser)(int) = nullptr;
  void(TIMS_CALL* keyDown)(int) = nullptr;
  void(TIMS_CALL* keyUp)(int) = nullptr;
  void(TIMS_CALL* hornBlow)(int) = nullptr;
  void(TIMS_CALL* doorOpen)() = nullptr;
  void(TIMS_CALL* doorClose)() = nullptr;
  void(TIMS_CALL* setSignal)(int) = nullptr;
  void(TIMS_CALL* setBeaconData)(BeaconData) = nullptr;

  // Host adapters for platforms without the Windows keyboard and clock; optional.
  void(TIMS_CALL* setKeyState)(int, int) = nullptr;
  void(TIMS_CALL* setLocalMilliseconds)(int) = nullptr;
};

// Looks up every export by its exact name. Returns the names of the required exports that the
// library lacks (empty when all sixteen are there); the two adapters are left null when absent.
std::vector<std::string> resolveExports(const platform::DynamicLibrary& library,
                                        PluginExports& exports);

}  // namespace tims::host
