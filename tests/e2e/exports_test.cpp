// The built plug-in, loaded from a vehicle folder through the system loader and driven through
// its exports as a host would.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "platform/dynamic_library.h"
#include "platform/profile.h"
#include "state/records.h"
#include "support/temp_dir.h"

namespace tims {
namespace {

using tims::testing::TempDir;

struct Exports {
  void (*Load)();
  void (*Dispose)();
  int (*GetPluginVersion)();
  void (*SetVehicleSpec)(VehicleSpec);
  void (*Initialize)(int);
  HandleSet (*Elapse)(VehicleState, int*, int*);
  void (*SetPower)(int);
  void (*SetBrake)(int);
  void (*SetReverser)(int);
  void (*KeyDown)(int);
  void (*KeyUp)(int);
  void (*HornBlow)(int);
  void (*DoorOpen)();
  void (*DoorClose)();
  void (*SetSignal)(int);
  void (*SetBeaconData)(BeaconData);
  void (*TimsHostSetKeyState)(int, int);
  void (*TimsHostSetLocalMilliseconds)(int);
};

class PluginLibrary : public ::testing::Test {
 protected:
  // Copies the plug-in into the test's vehicle folder so that it finds the settings there.
  void loadFrom(const std::filesystem::path& folder) {
    const std::filesystem::path built = TIMS_PLUGIN_PATH;
    const auto copy = folder / built.filename();
    std::filesystem::copy_file(built, copy, std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(library.open(copy)) << library.errorText();
    auto bind = [&](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.symbol(name));
      ASSERT_NE(function, nullptr) << name;
    };
#define TIMS_BIND(name) bind(api.name, #name)
    TIMS_BIND(Load), TIMS_BIND(Dispose), TIMS_BIND(GetPluginVersion), TIMS_BIND(SetVehicleSpec);
    TIMS_BIND(Initialize), TIMS_BIND(Elapse), TIMS_BIND(SetPower), TIMS_BIND(SetBrake);
    TIMS_BIND(SetReverser), TIMS_BIND(KeyDown), TIMS_BIND(KeyUp), TIMS_BIND(HornBlow);
    TIMS_BIND(DoorOpen), TIMS_BIND(DoorClose), TIMS_BIND(SetSignal), TIMS_BIND(SetBeaconData);
    TIMS_BIND(TimsHostSetKeyState), TIMS_BIND(TimsHostSetLocalMilliseconds);
#undef TIMS_BIND
  }

  HandleSet frame(int timeMs, float speed) {
    VehicleState state{};
    state.time = timeMs;
    state.speed = speed;
    state.bcPressure = 450.0f;
    state.mrPressure = 780.0f;
    return api.Elapse(state, panel.data(), sound.data());
  }

  TempDir dir;
  platform::DynamicLibrary library;
  Exports api{};
  std::array<int, kSlotCount> panel{};
  std::array<int, kSlotCount> sound{};
};

TEST_F(PluginLibrary, RunsAHostSessionAndWritesDefaultsBesideItsOwnFile) {
  dir.write("TIMS_Spec.ini", "; vehicle settings\n[Disp]\nHVMeterindex=75\n");
  ASSERT_NO_FATAL_FAILURE(loadFrom(dir.path()));
  api.Load();
  api.SetVehicleSpec(VehicleSpec{8, 0, 0, 2, 0});
  api.TimsHostSetLocalMilliseconds(123);
  api.Initialize(-1);

  // The write-back found the file beside the library and kept its content.
  const auto spec = dir.path() / "TIMS_Spec.ini";
  EXPECT_EQ(platform::readProfileInt(spec, "CSpd", "EnableCSpd", 0), 1);
  EXPECT_EQ(platform::readProfileInt(spec, "Disp", "HVMeterindex", 0), 75);
  EXPECT_EQ(dir.read("TIMS_Spec.ini").rfind("; vehicle settings\n", 0), 0u);

  HandleSet handles = frame(36000000, 0.0f);
  EXPECT_EQ(handles.brake, 2);  // start code -1: the vehicle's start notch
  EXPECT_EQ(handles.reverser, 1);
  api.SetBrake(0);
  api.SetPower(3);
  api.SetReverser(-1);
  handles = frame(36000016, 0.0f);
  EXPECT_EQ(handles.brake, 0);
  EXPECT_EQ(handles.power, 3);
  EXPECT_EQ(handles.reverser, -1);
  EXPECT_EQ(handles.constantSpeed, 0);
  EXPECT_EQ(panel[10], 10);  // the clock: 10:00:00
  EXPECT_EQ(panel[11], 0);
  EXPECT_EQ(sound[13], -10000);  // EB alarm silent

  // Calls that read nothing still take their argument.
  api.KeyDown(2);
  api.KeyUp(2);
  api.HornBlow(0);
  api.SetSignal(1);
  api.DoorOpen();
  api.DoorClose();
  api.SetBeaconData(BeaconData{111, 0xFFFFFFFFu, 0xFFFFFFFFu, 12345678});
  frame(36000032, 0.0f);
  EXPECT_EQ(panel[100], 12);  // the train number's kind code from the beacon
  EXPECT_EQ(api.GetPluginVersion(), 131072);
  api.Dispose();
}

TEST_F(PluginLibrary, SurvivesCallsOutOfOrderAndHostileArguments) {
  ASSERT_NO_FATAL_FAILURE(loadFrom(dir.path()));
  // A frame, a beacon and driver calls before Load.
  frame(1000, 50.0f);
  api.SetBeaconData(BeaconData{1000, 0, 0, 2147483647});
  api.SetBeaconData(BeaconData{1001, 0, 0, -1});
  api.SetBrake(INT32_MIN);
  api.Initialize(0);
  api.Initialize(0);
  api.Load();
  api.Load();
  VehicleState wild{};
  wild.time = INT32_MIN;
  wild.speed = std::numeric_limits<float>::quiet_NaN();
  wild.current = std::numeric_limits<float>::infinity();
  wild.location = -std::numeric_limits<double>::infinity();
  wild.bcPressure = std::numeric_limits<float>::max();
  api.Elapse(wild, panel.data(), sound.data());
  api.Elapse(wild, nullptr, nullptr);
  for (int type : {8, 100, 101, 102, 105, 106, 111, 113, 120, 130, 1000, 1001}) {
    for (int data : {INT32_MIN, -1, 0, 999999999, INT32_MAX}) {
      api.SetBeaconData(BeaconData{type, 0, 0, data});
      frame(2000, 0.0f);
    }
  }
  SUCCEED() << "no call crashed the host";
  EXPECT_EQ(api.GetPluginVersion(), 131072);
}

}  // namespace
}  // namespace tims
