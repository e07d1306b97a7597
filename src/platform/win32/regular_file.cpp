#include "platform/regular_file.h"

#include <windows.h>

#include <algorithm>
#include <string>

namespace tims::platform {
namespace {

constexpr std::intptr_t kNoHandle = -1;  // INVALID_HANDLE_VALUE

HANDLE asHandle(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

bool meansMissing(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
         code == ERROR_BAD_NETPATH || code == ERROR_INVALID_NAME;
}

// Opens the file a path names, through any links. Without backup semantics a folder does not
// open; a busy pipe fails at once instead of waiting.
HANDLE openExisting(const std::wstring& path, DWORD access) {
  if (path.empty() || path.find(L'\0') != std::wstring::npos) {
    SetLastError(ERROR_INVALID_NAME);  // the system cannot even be asked about such a name
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A file on a disk, not a pipe, console or other device, and no folder.
bool isRegularFile(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
  return GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The path of the file a handle holds, links resolved.
std::wstring finalPath(HANDLE handle) {
  std::wstring path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD size = static_cast<DWORD>(path.size());
    const DWORD length = GetFinalPathNameByHandleW(handle, path.data(), size, FILE_NAME_NORMALIZED);
    if (length == 0) return {};
    if (length < size) {
      path.resize(length);
      return path;
    }
    path.resize(length);
  }
  return {};
}

bool writeAll(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), part, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

// A new file beside `target` that no one else uses; its name is left in `name`.
HANDLE createBeside(const std::wstring& target, std::wstring& name) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = target + L".tmp-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(counter++);
    const HANDLE handle = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return handle;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

RegularFileReader::RegularFileReader(const std::filesystem::path& path) : handle_(kNoHandle) {
  const HANDLE handle = openExisting(path.native(), GENERIC_READ);
  if (handle == INVALID_HANDLE_VALUE) {
    opened_ = meansMissing(GetLastError()) ? Opened::missing : Opened::refused;
    return;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!isRegularFile(handle, info)) {
    CloseHandle(handle);
    opened_ = Opened::refused;
    return;
  }
  handle_ = reinterpret_cast<std::intptr_t>(handle);
  opened_ = Opened::yes;
}

RegularFileReader::~RegularFileReader() {
  if (handle_ != kNoHandle) CloseHandle(asHandle(handle_));
}

std::size_t RegularFileReader::read(char* buffer, std::size_t size) {
  if (handle_ == kNoHandle || failed_) return 0;
  const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  DWORD got = 0;
  if (!ReadFile(asHandle(handle_), buffer, part, &got, nullptr)) {
    failed_ = true;
    return 0;
  }
  return got;
}

bool replaceRegularFile(const std::filesystem::path& path, std::string_view bytes) {
  std::wstring target = path.native();
  if (target.empty() || target.find(L'\0') != std::wstring::npos) return false;
  bool replacing = false;
  const HANDLE existing = openExisting(target, 0);
  if (existing != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION info{};
    const bool usable =
        isRegularFile(existing, info) && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
    if (usable) target = finalPath(existing);
    CloseHandle(existing);
    if (!usable || target.empty()) return false;
    replacing = true;
  } else if (!meansMissing(GetLastError())) {
    return false;
  }

  std::wstring temporary;
  const HANDLE handle = createBeside(target, temporary);
  if (handle == INVALID_HANDLE_VALUE) return false;
  bool written = writeAll(handle, bytes) && FlushFileBuffers(handle);
  written = CloseHandle(handle) && written;
  // The replacement takes over the replaced file's attributes and security (owner included).
  const bool placed =
      written &&
      (replacing ? ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                 : MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH));
  if (placed) return true;
  DeleteFileW(temporary.c_str());
  return false;
}

}  // namespace tims::platform
