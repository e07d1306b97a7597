// A plug-in ready for a run: its working folder prepared, its library loaded from there and its
// exports found; undone again (library closed, temporary folder removed) when the session ends.
#pragma once

#include <filesystem>
#include <fstream>
#include <ostream>

#include "platform/dynamic_library.h"
#include "tims-host/plugin_exports.h"
#include "tims-host/working_folder.h"

namespace tims::host {

class PluginSession {
 public:
  // See prepareWorkingFolder for `writeThrough`. With `keep`, a temporary folder stays and its
  // place is written to `out` at the end. Throws std::runtime_error with an explanation when the
  // folder cannot be prepared, the library cannot be loaded or lacks a required export.
  PluginSession(const std::filesystem::path& vehicle, const std::filesystem::path& library,
                bool writeThrough, bool keep, std::ostream& out);
  ~PluginSession();
  PluginSession(const PluginSession&) = delete;
  PluginSession& operator=(const PluginSession&) = delete;

  const WorkingFolder& working() const { return working_; }
  const PluginExports& exports() const { return exports_; }

 private:
  WorkingFolder working_;
  platform::DynamicLibrary library_;
  PluginExports exports_;
  bool keep_;
  std::ostream& out_;
};

// Opens the CSV trace file (truncating it); throws std::runtime_error when it cannot be written.
std::ofstream openTraceFile(const std::filesystem::path& path);

}  // namespace tims::host
