#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace tims::platform {

bool DynamicLibrary::open(const std::filesystem::path& path) {
  close();
  error_.clear();
  // A bare file name would make the loader search the system paths; a host names a file.
  std::filesystem::path file = path;
  if (!file.has_parent_path()) file = std::filesystem::path(".") / file;
  // Symbols stay local so that two plug-ins (or the tool's own code) never bind to each other.
  handle_ = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* text = ::dlerror();
    error_ = text ? text : "the library could not be loaded";
    return false;
  }
  return true;
}

void* DynamicLibrary::symbol(const char* name) const {
  if (handle_ == nullptr || name == nullptr) return nullptr;
  return ::dlsym(handle_, name);
}

void DynamicLibrary::close() {
  if (handle_ != nullptr) {
    ::dlclose(handle_);
    handle_ = nullptr;
  }
}

}  // namespace tims::platform
