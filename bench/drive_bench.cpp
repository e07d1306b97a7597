// `tims-host drive` through the real plug-in: the example 1523K card, and a long card of 100 rows
// (about three hours of 16 ms frames), as an author runs them.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tims-host/drive_command.h"

namespace {

namespace fs = std::filesystem;

// HHMMSS of a time given in seconds after 06:00:00.
int hhmmss(int seconds) {
  const int t = 6 * 3600 + seconds;
  return t / 3600 * 10000 + t / 60 % 60 * 100 + t % 60;
}

// 100 rows 1.5 km apart: every fourth one passed, the others stops of 30 s; announcement points,
// zones and section codes as the example card has them.
fs::path writeLongCard() {
  const auto folder =
      fs::temp_directory_path() / ("tims-bench-drive-" + std::to_string(::getpid()));
  fs::create_directories(folder / "card");
  std::ofstream(folder / "TIMS_ICCard.ini", std::ios::binary) << "[ICCard]\r\n0=card\r\n";
  std::ofstream(folder / "TIMS_Spec.ini", std::ios::binary) << "[EB]\r\nEnableEB=1\r\n";
  std::ofstream card(folder / "card" / "4321M.csv", std::ios::binary);
  card << "3,4321M\r\n";
  int clock = 0;
  for (int i = 0; i < 100; ++i) {
    const bool pass = i % 4 == 2;
    const bool last = i == 99;
    card << "7,100,S" << i << ',';
    if (i > 0 && !pass) card << hhmmss(clock);
    card << ',';
    if (!last) card << hhmmss(pass ? clock : clock + 30);
    card << ",1,0,0," << i * 1.5 << ",0," << (last ? 0.0 : 1.5) << ',' << (pass ? 2 : 1)
         << ",15,15," << i / 10 << ",NULL,120,1," << i + 1 << ",NULL,NULL," << (pass ? 1 : 0)
         << "\r\n";
    card << "5," << i << ",0.2,0.6," << i % 2 << "\r\n6," << i << ',' << i * 1.5 + 0.3 << ','
         << i * 1.5 + 0.9 << ",0.3,0\r\n";
    clock += pass ? 70 : 100;
  }
  return folder;
}

void drive(benchmark::State& state, const fs::path& vehicle, int32_t beacon) {
  tims::host::DriveOptions options;
  options.vehicle = vehicle;
  options.plugin = TIMS_PLUGIN_PATH;
  options.quiet = true;
  options.beacon = beacon;
  int64_t frames = 0;
  for (auto _ : state) {
    std::ostringstream out;
    const auto result = tims::host::runDrive(options, out);
    if (result.exitStatus != 0) state.SkipWithError(out.str().c_str());
    frames = result.report.frames;
  }
  state.counters["frames"] = static_cast<double>(frames);
}

void driveExample1523K(benchmark::State& state) {
  drive(state, fs::path(TIMS_SOURCE_DIR) / "examples" / "vehicle", 152307);
}
BENCHMARK(driveExample1523K)->Unit(benchmark::kMillisecond);

void driveLongCard(benchmark::State& state) {
  const fs::path folder = writeLongCard();
  drive(state, folder, 432108);
  fs::remove_all(folder);
}
BENCHMARK(driveLongCard)->Unit(benchmark::kMillisecond);

}  // namespace
