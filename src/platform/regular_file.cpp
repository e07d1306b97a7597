#include "platform/regular_file.h"

#include <array>

namespace tims::platform {

std::optional<std::string> readRegularFile(const std::filesystem::path& path, bool* missing) {
  RegularFileReader file(path);
  if (missing) *missing = file.opened() == RegularFileReader::Opened::missing;
  if (file.opened() != RegularFileReader::Opened::yes) return std::nullopt;
  std::string bytes;
  std::array<char, 65536> chunk;
  while (const std::size_t got = file.read(chunk.data(), chunk.size())) {
    bytes.append(chunk.data(), got);
  }
  if (file.failed()) return std::nullopt;
  return bytes;
}

}  // namespace tims::platform
