// Loading a shared library at run time and finding its functions by name, as a host loads a
// plug-in. Only tools use this; the plug-in itself never loads other libraries.
#pragma once

#include <filesystem>
#include <string>

namespace tims::platform {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;

  // Loads the library file at `path` through the system loader (closing any library held).
  // Returns false and keeps the loader's explanation in errorText() when it cannot.
  bool open(const std::filesystem::path& path);

  // The address of the exported symbol `name`, or nullptr when the library has none (or none is
  // open).
  void* symbol(const char* name) const;

  // Unloads the library; its symbols must not be used afterwards.
  void close();

  bool isOpen() const { return handle_ != nullptr; }
  const std::string& errorText() const { return error_; }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace tims::platform
