// One frame of the whole plug-in in IC mode: the cost the host pays every frame.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

#include "beacon/beacon_dispatcher.h"
#include "plugin/frame.h"

namespace {

std::filesystem::path writeVehicle() {
  const auto folder = std::filesystem::temp_directory_path() /
                      ("tims-bench-vehicle-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder / "card");
  std::ofstream(folder / "TIMS_Spec.ini", std::ios::binary)
      << "[CSpd]\r\nuseCSpd=1\r\n[Spec]\r\nPilotLampIndex=250\r\n";
  std::ofstream(folder / "TIMS_ICCard.ini", std::ios::binary) << "[ICCard]\r\n0=card\r\n";
  std::ofstream card(folder / "card" / "1234M.csv", std::ios::binary);
  card << "3,1234M\r\n";
  for (int i = 0; i < 40; ++i) {
    card << "7,120,S" << i << ',' << 90000 + i * 300 << ',' << 90030 + i * 300 << ",1,0,0,"
         << i * 1.5 << ",0,1.5,1,15,15," << i % 3 << ",NULL,120,1," << i + 1 << "\r\n";
    card << "5," << i << ",0.2,0.6," << i % 4 << "\r\n6," << i << ',' << i * 1.5 + 0.3 << ','
         << i * 1.5 + 0.9 << ",0.3,0\r\n";
  }
  return folder;
}

void elapseInIcMode(benchmark::State& state) {
  const auto folder = writeVehicle();
  tims::PluginState plugin;
  tims::TimsUnit unit;
  tims::attachPlugin(plugin, unit, folder);
  tims::loadPlugin(unit);
  tims::setVehicleSpec(plugin, tims::VehicleSpec{8, 0, 0, 8, 0});
  tims::initializeRun(plugin, unit, 0);
  tims::dispatchBeacon(unit, tims::BeaconData{1000, 0, 0, 123408});
  if (!unit.icCardActive) state.SkipWithError("the card did not load");

  std::array<int32_t, tims::kSlotCount> panel{};
  std::array<int32_t, tims::kSlotCount> sound{};
  panel[250] = 1;
  tims::VehicleState vehicle{};
  vehicle.speed = 60.0f;
  vehicle.current = 200.0f;
  vehicle.bcPressure = 150.0f;
  vehicle.mrPressure = 800.0f;
  vehicle.time = 9 * 3600 * 1000;
  for (auto _ : state) {
    vehicle.time += 16;
    vehicle.location += 60.0 / 3.6 * 0.016;
    benchmark::DoNotOptimize(
        tims::elapseFrame(plugin, unit, vehicle, panel.data(), sound.data()));
  }
  std::filesystem::remove_all(folder);
}

}  // namespace

BENCHMARK(elapseInIcMode);
