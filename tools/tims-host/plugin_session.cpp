#include "tims-host/plugin_session.h"

#include <stdexcept>
#include <string>

namespace tims::host {

PluginSession::PluginSession(const std::filesystem::path& vehicle,
                             const std::filesystem::path& library, bool writeThrough, bool keep,
                             std::ostream& out)
    : working_(prepareWorkingFolder(vehicle, library, writeThrough)),
      keep_(keep && working_.temporary),
      out_(out) {
  std::string problem;
  if (!library_.open(working_.library)) {
    problem = "cannot load " + working_.library.string() + ": " + library_.errorText();
  } else if (const auto missing = resolveExports(library_, exports_); !missing.empty()) {
    problem = working_.library.string() + " lacks the export";
    for (const auto& name : missing) problem += " " + name;
  }
  if (!problem.empty()) {
    // The destructor does not run for a half-built session.
    library_.close();
    releaseWorkingFolder(working_);
    throw std::runtime_error(problem);
  }
}

PluginSession::~PluginSession() {
  library_.close();
  if (keep_) {
    out_ << "tims-host: the working folder stays at " << working_.folder.string() << "\n";
  } else {
    releaseWorkingFolder(working_);
  }
}

std::ofstream openTraceFile(const std::filesystem::path& path) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) throw std::runtime_error("cannot write the trace " + path.string());
  return file;
}

}  // namespace tims::host
