// What every fuzz target shares: reading the input as a stream of typed values, the check that
// ends a run when an invariant fails, and a scratch folder per process.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace tims::fuzz {

// An invariant that failed is a finding like a crash: report it and abort so that the fuzzer keeps
// the input.
[[noreturn]] inline void invariantFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: invariant failed: %s\n", file, line, condition);
  std::abort();
}

#define TIMS_FUZZ_CHECK(condition) \
  ((condition) ? void() : ::tims::fuzz::invariantFailed(#condition, __FILE__, __LINE__))

// Values are taken from the front of the input; past its end every read gives zero, so that every
// input, even an empty one, is a complete run.
class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, std::size_t size)
      : bytes_(reinterpret_cast<const char*>(data), size) {}

  bool empty() const { return bytes_.empty(); }

  uint8_t byte() { return value<uint8_t>(); }
  bool flag() { return (byte() & 1) != 0; }

  // A trivially copyable value from the next sizeof(T) bytes (fewer at the end, zero-filled).
  template <typename T>
  T value() {
    static_assert(std::is_trivially_copyable_v<T>);
    T result{};
    const std::size_t n = std::min(sizeof(T), bytes_.size());
    std::memcpy(&result, bytes_.data(), n);
    bytes_.remove_prefix(n);
    return result;
  }

  // Up to `n` bytes.
  std::string_view bytes(std::size_t n) {
    const std::string_view taken = bytes_.substr(0, n);
    bytes_.remove_prefix(taken.size());
    return taken;
  }

  // A text of up to 255 bytes, its length in the first byte.
  std::string_view text() { return bytes(byte()); }

  std::string_view rest() { return bytes(bytes_.size()); }

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

// A folder of this process's own below the system's temporary folder, made on first use and
// removed at exit; the pid keeps parallel fuzzers and corpus replays apart.
class ScratchFolder {
 public:
  explicit ScratchFolder(std::string_view name)
      : path_(std::filesystem::temp_directory_path() /
              ("tims-fuzz-" + std::string(name) + "-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace tims::fuzz
