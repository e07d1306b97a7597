#include "platform/file_system.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/windows_paths.h"

namespace tims::platform {
namespace {

// The POSIX answers that mean what Windows' file-not-found, path-not-found and invalid-name
// answers mean: nothing is there to find.
bool meansNotFound(int code) {
  return code == ENOENT || code == ENOTDIR || code == ENAMETOOLONG;
}

std::filesystem::path withNativeSeparators(PathString text) {
  for (auto& c : text) {
    if (c == '\\') c = '/';
  }
  return std::filesystem::path(std::move(text));
}

}  // namespace

bool pathExists(const std::filesystem::path& path, std::error_code& error) {
  error.clear();
  const PathString& native = path.native();
  // The system cannot even be asked about a name with a NUL in it: an invalid name.
  if (native.find('\0') != PathString::npos) return false;
  struct stat info {};
  if (::stat(native.c_str(), &info) == 0) return true;
  const int code = errno;
  if (code == EOVERFLOW) return true;  // there, only too large for the answer's fields
  if (meansNotFound(code)) return false;
  error.assign(code, std::system_category());
  return false;
}

std::filesystem::path makeAbsolute(const std::filesystem::path& value,
                                   const std::filesystem::path& directory, std::error_code& error) {
  error.clear();
  const PathString& text = value.native();
  // Here a leading `/` names the one root, as a drive and separator would on Windows.
  if ((!text.empty() && text.front() == '/') || isWindowsAbsolute(text)) {
    return withNativeSeparators(text);
  }
  PathString joined = joinWindowsPaths(directory.native(), text);
  // A relative directory, or a value with a drive of its own (E:cards), leaves the result
  // relative; the full path then starts at the current folder, as it does on Windows.
  if (joined.empty() || !isWindowsSeparator(joined.front())) {
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (error) return {};
    PathString rooted = current.native();
    rooted += '/';
    rooted += joined;
    joined = std::move(rooted);
  }
  return std::filesystem::path(normaliseWindowsPath(joined, '/'));
}

}  // namespace tims::platform
