// A careful driver for a whole IC card: starts a run as a host does, inserts the card by beacon,
// then drives from station to station through the scenario runner's own commands, answers the EB
// alarm, and checks that the monitor did what the card asks for. docs/harness.md describes the
// driver model and the report.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tims-host/runner.h"
#include "tims-host/trip_plan.h"

namespace tims::host {

struct DriveSettings {
  int32_t beaconData = 0;  // of the type-1000 beacon that inserts the card
  int32_t brakeNotches = 8;
  int32_t startBrakeNotch = 4;  // also the notch the driver brakes and stands with (at least 1)
  int32_t startCode = -1;
  std::optional<int32_t> startTimeMs;  // none: a minute before the first departure
  double lineSpeed = 80.0;             // km/h
  double acceleration = 2.5;           // km/h per second, in power
  double deceleration = 3.0;           // km/h per second, braking
  int32_t dwellMs = 20000;             // the shortest stop
  int32_t stepMs = 16;                 // frame length
};

struct RowOutcome {
  TripRow row;
  bool reached = false;
  std::optional<int32_t> arrivedMs;  // a pass has the same arrival and departure
  std::optional<int32_t> departedMs;
  std::vector<int> sounds;  // slots that started from the previous row until the list moved on
  // The monitor's next-stop and terminal station numbers as the train reaches the row; none when
  // the layout does not show the field.
  std::optional<int32_t> nextStopShown;
  std::optional<int32_t> terminalShown;
};

struct DriveFailure {
  int row;  // card row, -1 for the set-up
  int32_t timeMs;
  std::string message;
};

struct TripReport {
  std::vector<RowOutcome> rows;
  double distanceM = 0.0;
  int32_t runningMs = 0;  // from the first departure to the last arrival
  int64_t frames = 0;
  int rejectedSoundValues = 0;
  int ebAlarms = 0;  // alarms the driver answered
  int ebApplied = 0;
  int checksPassed = 0;
  std::vector<DriveFailure> failures;
  int commandFailures = 0;  // runner commands refused (none in a sound drive), reported by it
};

// Drives the plan on a runner built from `exports` and `environment` (its observer, if any, is
// told of every frame, sound and moment, of a monitor view at each stop and of every check).
// Failures are written to environment.out as they happen.
TripReport driveTrip(const PluginExports& exports, HostEnvironment environment,
                     const TripPlan& plan, const DriveSettings& settings);

}  // namespace tims::host
