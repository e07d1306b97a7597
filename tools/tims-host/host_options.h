// The command line of tims-host and where it finds the vehicle folder and the library.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "tims-host/scenario.h"

namespace tims::host {

// Exit statuses of every tims-host command.
inline constexpr int kExitPassed = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitError = 2;  // the options, the input or the set-up are wrong

// What a scenario run and a drive share: where the plug-in comes from and what the run writes.
struct RunOptions {
  std::filesystem::path plugin;  // empty: see pluginLibraryFor
  std::filesystem::path tracePath;
  std::filesystem::path htmlPath;  // the trip page, when wanted
  bool writeThrough = false;
  bool keepWorkingFolder = false;
  bool quiet = false;
  bool help = false;
};

// The value of the option being parsed, or nullopt after reporting that it is missing.
using OptionValue = std::function<std::optional<std::string_view>()>;

// Takes `arg` into `options` when it is one of the shared options; false for any other argument.
bool takeRunOption(std::string_view arg, const OptionValue& value, RunOptions& options);

struct HostOptions : RunOptions {
  std::filesystem::path scenario;
  std::filesystem::path vehicle;  // empty: the scenario's vehicle line
  int seed = -1;  // 0..999: the meters' seed for every start; -1: the scenario's or the clock's
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
