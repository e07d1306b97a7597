// Path texts written the Windows way, handled alike on every platform. Catalogue values are
// written by authors on Windows, so `\` and `/` both separate components and drive letters, UNC
// names and device prefixes are recognised wherever the plug-in runs. Pure text work: no call
// reaches the file system.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tims::platform {

using PathChar = std::filesystem::path::value_type;
using PathString = std::filesystem::path::string_type;
using PathStringView = std::basic_string_view<PathChar>;

constexpr bool isWindowsSeparator(PathChar c) {
  return c == '\\' || c == '/';
}

// Length of the root name at the start of `path`: 2 for a drive ("E:"), the whole "\\server\share"
// of a UNC name, the prefix and first component of a device path ("\\?\C:", "\\.\pipe"); else 0.
std::size_t windowsRootNameLength(PathStringView path);

// Absolute by the Windows rules: a drive followed by a separator (E:\cards, E:/cards), or a UNC
// name or device prefix. E:cards, a bare E: and a single leading separator are relative.
bool isWindowsAbsolute(PathStringView path);

// Joins `relative` to `base` by the Windows rules: an absolute second path, or one with a drive of
// its own that differs from the first's, replaces the first; one that starts with a separator keeps
// only the root name of the first; anything else is appended after a separator. The result may mix
// separators; normaliseWindowsPath unifies them.
PathString joinWindowsPaths(PathStringView base, PathStringView relative);

// Resolves `.` and `..` by the text alone (`..` never climbs above the root) and writes every
// separator as `separator`; runs of separators become one, a trailing separator is kept.
PathString normaliseWindowsPath(PathStringView path, PathChar separator);

}  // namespace tims::platform
