// `tims-host drive`: drives the train through a whole IC card as a careful driver would and
// reports the trip (docs/harness.md).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "tims-host/host_options.h"
#include "tims-host/run_observer.h"
#include "tims-host/trip_driver.h"

namespace tims::host {

struct DriveOptions : RunOptions {
  std::filesystem::path vehicle = ".";
  std::optional<int32_t> cardIndex;
  std::string trainName;          // UTF-8
  std::optional<int32_t> beacon;  // instead of the card index and train name
  DriveSettings settings;  // its beacon value is filled in by runDrive
};

struct ParsedDriveOptions {
  DriveOptions options;
  std::string error;  // empty when the command line was understood
};

extern const char* const kDriveUsage;

// `argv[0]` is the word "drive".
ParsedDriveOptions parseDriveOptions(int argc, const char* const* argv);

struct DriveResult {
  int exitStatus;  // 0 every check held, 1 some failed
  TripReport report;
};

// Prepares the working folder, loads the plug-in, drives the card and prints the views and the
// report to `out`. Throws std::runtime_error when the set-up fails (no library, no card file).
DriveResult runDrive(const DriveOptions& options, std::ostream& out,
                     RunObserver* observer = nullptr);

// The whole subcommand: options, run, messages; returns the exit status (2: set-up errors).
int driveCommand(int argc, const char* const* argv);

}  // namespace tims::host
