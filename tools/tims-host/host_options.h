// The command line of tims-host and where it finds the vehicle folder and the library.
#pragma once

#include <filesystem>
#include <string>

#include "tims-host/scenario.h"

namespace tims::host {

struct HostOptions {
  std::filesystem::path scenario;
  std::filesystem::path plugin;   // empty: see pluginLibraryFor
  std::filesystem::path vehicle;  // empty: the scenario's vehicle line
  std::filesystem::path tracePath;
  std::filesystem::path htmlPath;  // the trip page, when wanted
  int seed = -1;  // 0..999: the meters' seed for every start; -1: the scenario's or the clock's
  bool writeThrough = false;
  bool keepWorkingFolder = false;
  bool quiet = false;
  bool help = false;
};

struct ParsedOptions {
  HostOptions options;
  std::string error;  // empty when the command line was understood
};

extern const char* const kHostUsage;

ParsedOptions parseHostOptions(int argc, const char* const* argv);

// The library's file name on this platform, as the host expects to find it.
const char* pluginFileName();

// --vehicle, else the scenario's vehicle line (relative to the scenario's folder). Throws
// std::runtime_error when neither names one.
std::filesystem::path vehicleFolderFor(const HostOptions& options, const Scenario& scenario);

// --plugin, else the library file in the vehicle folder, else the library built with this tool.
// Throws std::runtime_error when none exists.
std::filesystem::path pluginLibraryFor(const std::filesystem::path& plugin,
                                       const std::filesystem::path& vehicle);

}  // namespace tims::host
