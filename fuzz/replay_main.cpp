// Replays a fuzz target's corpus without libFuzzer: runs the target once over every file below the
// folders (or the files) named on the command line. A crash, a sanitizer report or a failed
// invariant ends the program as it would end the fuzzer; an empty corpus fails too, so that a lost
// corpus folder does not pass as a clean run.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  std::vector<std::filesystem::path> files;
  for (int a = 1; a < argc; ++a) {
    std::error_code notFolder;  // a file is an input of its own
    for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[a], notFolder)) {
      if (entry.is_regular_file()) files.push_back(entry.path());
    }
    if (notFolder) files.emplace_back(argv[a]);
  }
  for (const auto& file : files) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "cannot read %s\n", file.string().c_str());
      return 1;
    }
    const std::string input{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::fprintf(stderr, "replaying %s (%zu bytes)\n", file.string().c_str(), input.size());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
  }
  if (files.empty()) std::fprintf(stderr, "no inputs to replay\n");
  std::printf("%zu inputs replayed\n", files.size());
  return files.empty() ? 1 : 0;
}
