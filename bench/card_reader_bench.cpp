// Reading a large card: 100,000 timetable rows with every column filled, plus points and zones.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "iccard/card_reader.h"

namespace {

std::filesystem::path writeCard(int rows) {
  const auto file = std::filesystem::temp_directory_path() /
                    ("tims-bench-card-" + std::to_string(::getpid()) + ".csv");
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << "type,run,station,arrival,departure\r\n3,\x89\xD7"
         "2340M\r\n";
  for (int i = 0; i < rows; ++i) {
    const int arrival = 50000 + (i % 190000);
    out << "7," << 60 + i % 300 << ",\x93\x8C\x8B\x9E" << i << ',' << arrival << ',' << arrival + 30
        << ",2,10,15," << 12.5 + i * 0.75 << ",0," << 1.25 << ",1,4,5," << i << ",NULL,120,1,"
        << 1000 + i << ",NULL,NULL,0\r\n";
    if (i % 10 == 0) out << "5," << i << ",0.4,0.9,1\r\n6," << i << ",1.5,2.5,0.3,0\r\n";
  }
  return file;
}

void readLargeCard(benchmark::State& state) {
  const auto rows = static_cast<int>(state.range(0));
  const auto file = writeCard(rows);
  const auto bytes = std::filesystem::file_size(file);
  for (auto _ : state) {
    tims::IcCardCatalogue card;
    if (!tims::readCardFile(card, file) || card.icRows.size() != static_cast<std::size_t>(rows)) {
      state.SkipWithError("the card did not load");
      break;
    }
    benchmark::DoNotOptimize(card.icRows.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
  std::filesystem::remove(file);
}

}  // namespace

BENCHMARK(readLargeCard)->Arg(100000)->Unit(benchmark::kMillisecond);
