// What the IC card catalogue asks of the file system.
#pragma once

#include <filesystem>
#include <system_error>

namespace tims::platform {

// True when a file or folder exists at `path` (links are followed). "Not found" answers (no such
// file, a missing or non-folder component on the way, an invalid or too long name) give false
// without an error. Any other failure of the test (access denied on a parent folder, a loop of
// links, ...) gives false and sets `error` to the platform's error code; `error` is cleared
// otherwise.
bool pathExists(const std::filesystem::path& path, std::error_code& error);

// The full path of a catalogue value written the Windows way (see windows_paths.h). An absolute
// value is used as written: not joined and not normalised, only its separators made native. A
// relative value is joined to `directory` by the Windows joining rules and made a full path with
// `.` and `..` resolved by the text. When the platform cannot produce the full path, returns an
// empty path and sets `error` to the platform's error code; `error` is cleared otherwise.
std::filesystem::path makeAbsolute(const std::filesystem::path& value,
                                   const std::filesystem::path& directory, std::error_code& error);

}  // namespace tims::platform
