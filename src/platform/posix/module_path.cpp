#include <dlfcn.h>

#include <system_error>

#include "platform/module_path.h"

namespace tims::platform {

std::filesystem::path libraryDirectory() {
  Dl_info info{};
  // Any address inside this library names the shared object that holds it.
  if (dladdr(reinterpret_cast<const void*>(&libraryDirectory), &info) == 0 ||
      info.dli_fname == nullptr) {
    return {};
  }
  std::error_code error;
  std::filesystem::path file = std::filesystem::absolute(info.dli_fname, error);
  if (error) file = info.dli_fname;
  return file.parent_path();
}

}  // namespace tims::platform
