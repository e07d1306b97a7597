// What every fuzz target shares: reading the input as a stream of typed values, the check that
// ends a run when an invariant fails, and a scratch folder per process.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace tims::fuzz {

// An invariant that failed is a finding like a crash: report it and abort so that the fuzzer keeps
// the input.
#define TIMS_FUZZ_CHECK(condition)                                                               \
  ((condition)                                                                                   \
       ? void()                                                                                  \
       : (std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition), \
          std::abort()))

// Values are taken from the front of the input; past its end every read gives zero, so that every
// input, even an empty one, is a complete run.
class FuzzInput {
 public:
  explicit FuzzInput(std::string_view bytes) : bytes_(bytes) {}

  bool empty() const { return bytes_.empty(); }
  uint8_t byte() { return value<uint8_t>(); }
  bool flag() { return (byte() & 1) != 0; }

  // A trivially copyable value from the next sizeof(T) bytes (fewer at the end, zero-filled).
  template <typename T>
  T value() {
    T result{};
    const std::string_view taken = bytes(sizeof(T));
    std::memcpy(&result, taken.data(), taken.size());
    return result;
  }

  std::string_view bytes(std::size_t n) {  // up to n bytes
    const std::string_view taken = bytes_.substr(0, n);
    bytes_.remove_prefix(taken.size());
    return taken;
  }

 private:
  std::string_view bytes_;
};

// Splits a text into lines as the card reader does: LF, CR LF or a lone CR ends a line, and a last
// line without an end is a line too.
template <typename Visit>
void forEachLine(std::string_view text, Visit&& visit) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
    visit(text.substr(pos, end - pos));
    if (end == text.size()) break;
    pos = end + 1;
    if (text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
  }
}

inline void writeFile(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  TIMS_FUZZ_CHECK(out.good());
}

// A folder of this process's own below the system's temporary folder, removed at exit; the pid
// keeps parallel fuzzers and corpus replays apart.
struct ScratchFolder {
  explicit ScratchFolder(std::string_view name)
      : path(std::filesystem::temp_directory_path() /
             ("tims-fuzz-" + std::string(name) + "-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  const std::filesystem::path path;
};

}  // namespace tims::fuzz
