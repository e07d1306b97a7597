// Card and settings files as the plug-in takes them: regular files only. Whatever else may stand
// at such a path (a folder, a FIFO, a device, a socket) counts as missing, since reading it could
// stop the host's thread or never end. Links are followed: the file a link reaches is judged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tims::platform {

// A regular file open for reading. The file is judged after it has been opened, so that what is
// read is what was judged; opening never waits for the other end of a FIFO.
class RegularFileReader {
 public:
  enum class Opened { yes, missing, refused };  // refused: there, but not a readable regular file

  explicit RegularFileReader(const std::filesystem::path& path);
  ~RegularFileReader();
  RegularFileReader(const RegularFileReader&) = delete;
  RegularFileReader& operator=(const RegularFileReader&) = delete;

  Opened opened() const { return opened_; }
  // Reads up to `size` bytes; returns how many, 0 at the end of the file or after a failure.
  std::size_t read(char* buffer, std::size_t size);
  // A read failed: what was read so far is not the whole file.
  bool failed() const { return failed_; }

 private:
  std::intptr_t handle_;  // the platform's descriptor or handle; -1 when none
  Opened opened_ = Opened::missing;
  bool failed_ = false;
};

// The whole content of a regular file; nothing when the path holds no readable regular file.
// `missing`, when given, tells whether nothing at all stood at the path.
std::optional<std::string> readRegularFile(const std::filesystem::path& path,
                                           bool* missing = nullptr);

// Replaces the content of the file at `path` in one step: the bytes go to a new file beside it,
// which then takes its place, so that a failed write leaves the old file whole. A link is
// followed and the file it reaches is replaced; the link stays. The replaced file keeps its
// permissions, and its owner where the process may set it. A missing file is created. Nothing is
// written, and false returned, when the file is read-only, is not a regular file, or the new
// file cannot be made beside it.
bool replaceRegularFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace tims::platform
