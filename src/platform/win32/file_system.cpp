#include "platform/file_system.h"

#include <windows.h>

#include <string>

#include "platform/windows_paths.h"

namespace tims::platform {
namespace {

// The answers that mean nothing is there to find: file not found, path not found, bad network
// path, invalid name, and a name longer than the system takes.
bool meansNotFound(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
         code == ERROR_BAD_NETPATH || code == ERROR_INVALID_NAME ||
         code == ERROR_FILENAME_EXCED_RANGE;
}

// Opens the link's target, not the link: no access rights are asked for, and the backup flag
// lets a folder be opened too.
bool targetExists(const std::wstring& path, DWORD& code) {
  const HANDLE handle =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    code = GetLastError();
    return false;
  }
  CloseHandle(handle);
  return true;
}

}  // namespace

bool pathExists(const std::filesystem::path& path, std::error_code& error) {
  error.clear();
  const std::wstring& native = path.native();
  // The system cannot even be asked about a name with a NUL in it: an invalid name.
  if (native.empty() || native.find(L'\0') != std::wstring::npos) return false;
  DWORD code = ERROR_SUCCESS;
  const DWORD attributes = GetFileAttributesW(native.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return true;
    if (targetExists(native, code)) return true;
  } else {
    code = GetLastError();
  }
  if (meansNotFound(code)) return false;
  error.assign(static_cast<int>(code), std::system_category());
  return false;
}

std::filesystem::path makeAbsolute(const std::filesystem::path& value,
                                   const std::filesystem::path& directory, std::error_code& error) {
  error.clear();
  const std::wstring& text = value.native();
  // Both separators are native here: an absolute value is used exactly as written.
  if (isWindowsAbsolute(text)) return value;
  const std::wstring joined = joinWindowsPaths(directory.native(), text);
  // The system resolves `.` and `..`, unifies the separators and, for a value with a drive of
  // its own (E:cards), starts from that drive's current folder.
  std::wstring full(MAX_PATH, L'\0');
  // The needed length is asked for again only if the current folder changed in between.
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD size = static_cast<DWORD>(full.size());
    const DWORD length = GetFullPathNameW(joined.c_str(), size, full.data(), nullptr);
    if (length == 0) {
      DWORD code = GetLastError();
      if (code == ERROR_SUCCESS) code = ERROR_INVALID_NAME;
      error.assign(static_cast<int>(code), std::system_category());
      return {};
    }
    if (length < size) {
      full.resize(length);
      return std::filesystem::path(full);
    }
    full.resize(length);  // the length needed, with its terminating NUL
  }
  error.assign(ERROR_FILENAME_EXCED_RANGE, std::system_category());
  return {};
}

}  // namespace tims::platform
