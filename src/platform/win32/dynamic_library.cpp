#include "platform/dynamic_library.h"

#include <windows.h>

#include <string>

namespace tims::platform {
namespace {

std::string utf8FromWide(const wchar_t* text, int length) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
  return out;
}

// The system's own words for an error code, without the line end it appends.
std::string describeError(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::string message;
  if (length > 0 && text != nullptr) {
    message = utf8FromWide(text, static_cast<int>(length));
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
      message.pop_back();
    }
  }
  if (text != nullptr) LocalFree(text);
  if (message.empty()) message = "the library could not be loaded";
  return message + " (error " + std::to_string(code) + ")";
}

}  // namespace

bool DynamicLibrary::open(const std::filesystem::path& path) {
  close();
  error_.clear();
  // A bare file name would make the loader search the system paths; a host names a file.
  std::filesystem::path file = path;
  if (!file.has_parent_path()) file = std::filesystem::path(L".") / file;
  // Show no error box: a tool reports the failure itself.
  const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryW(file.c_str());
  const DWORD code = GetLastError();
  SetErrorMode(previousMode);
  if (module == nullptr) {
    error_ = describeError(code);
    return false;
  }
  handle_ = reinterpret_cast<void*>(module);
  return true;
}

void* DynamicLibrary::symbol(const char* name) const {
  if (handle_ == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void DynamicLibrary::close() {
  if (handle_ != nullptr) {
    FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
  }
}

}  // namespace tims::platform
