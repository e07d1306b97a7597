#include "platform/module_path.h"

#include <windows.h>

#include <string>

namespace tims::platform {
namespace {

// The handle of the module that holds this code: the DLL when built as the plug-in, the program
// when linked statically into one. The reference count stays as it is.
HMODULE thisModule() {
  HMODULE module = nullptr;
  const DWORD flags =
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  if (!GetModuleHandleExW(flags, reinterpret_cast<LPCWSTR>(&thisModule), &module)) return nullptr;
  return module;
}

}  // namespace

std::filesystem::path libraryDirectory() {
  const HMODULE module = thisModule();
  if (module == nullptr) return {};
  // A path may exceed MAX_PATH (long-path prefixes, long-path aware systems): grow the buffer
  // until the name fits, up to the longest path the system has.
  constexpr DWORD kLongestPath = 32768;
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD size = static_cast<DWORD>(name.size());
    const DWORD length = GetModuleFileNameW(module, name.data(), size);
    if (length == 0) return {};
    if (length < size) {
      name.resize(length);
      break;
    }
    if (size >= kLongestPath) return {};
    name.resize(static_cast<std::size_t>(size) * 2);
  }
  return std::filesystem::path(name).parent_path();
}

}  // namespace tims::platform
