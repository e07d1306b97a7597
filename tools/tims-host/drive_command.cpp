#include "tims-host/drive_command.h"

#include <charconv>
#include <iostream>
#include <stdexcept>
#include <string_view>

#include "iccard/card_reader.h"
#include "platform/host_keyboard.h"
#include "tims-host/beacon_value.h"
#include "tims-host/card_names.h"
#include "tims-host/host_options.h"
#include "tims-host/plugin_session.h"
#include "tims-host/scenario.h"
#include "tims-host/trip_page.h"
#include "tims-host/trip_report.h"

namespace tims::host {
namespace {

constexpr int32_t kLongestFrameMs = 60000;

template <typename Number>
std::optional<Number> parseNumber(std::string_view text) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// "20s", "1.5min", or a plain number of seconds.
std::optional<int32_t> parseSeconds(std::string_view text) {
  if (parseNumber<double>(text)) return parseDuration(std::string(text) + "s");
  return parseDuration(text);
}

}  // namespace

const char* const kDriveUsage =
    "usage: tims-host drive [FOLDER] --card INDEX --train NAME [options]\n"
    "       tims-host drive [FOLDER] --beacon DATA [options]\n"
    "Drives the train through a whole IC card of the vehicle folder FOLDER (default: the\n"
    "current folder) as a careful driver would, prints the monitor at each stop and a trip\n"
    "report at the end, and checks what the card asks for.\n"
    "\n"
    "  --card INDEX      card index of TIMS_ICCard.ini (0..21)\n"
    "  --train NAME      train name as the card file is named, e.g. 1523K or 荷2340M\n"
    "  --beacon DATA     the data value of the type-1000 beacon, instead of the two above\n"
    "  --spec B,S        service brake notches and start brake notch (default 8,4)\n"
    "  --start CODE      Initialize's start code (default -1, service brake)\n"
    "  --time HH:MM:SS   the clock at the start (default a minute before the first departure)\n"
    "  --line-speed KMH  the highest speed between stations (default 80)\n"
    "  --acceleration R  km/h per second in power (default 2.5)\n"
    "  --deceleration R  km/h per second braking (default 3.0)\n"
    "  --dwell TIME      the shortest stop, e.g. 20s (default 20s)\n"
    "  --step TIME       the frame length, e.g. 16ms (default 16ms)\n"
    "  --plugin FILE     the plug-in library (default: the one in the vehicle folder, else the\n"
    "                    one built with this tool)\n"
    "  --write-through   run in the vehicle folder itself (default: a temporary copy)\n"
    "  --trace FILE      write a CSV trace of every frame\n"
    "  --html FILE       write a trip page: the monitor drawn at the start and at each stop,\n"
    "                    plots of the run and its checks, in one self-contained HTML file\n"
    "  --keep            keep the temporary working folder and print where it is\n"
    "  --quiet           print no monitor views, only failures and the report\n"
    "  --help            this text\n"
    "\n"
    "Exit status: 0 all checks held, 1 some failed, 2 the options or the set-up are wrong.\n";

ParsedDriveOptions parseDriveOptions(int argc, const char* const* argv) {
  ParsedDriveOptions parsed;
  DriveOptions& o = parsed.options;
  DriveSettings& s = o.settings;
  bool vehicleGiven = false;
  for (int i = 1; i < argc && parsed.error.empty(); ++i) {
    const std::string_view arg = argv[i];
    // The option's value, or nullopt (with the error set) when it is missing.
    const OptionValue value = [&]() -> std::optional<std::string_view> {
      if (i + 1 < argc) return std::string_view(argv[++i]);
      parsed.error = std::string(arg) + " needs a value";
      return std::nullopt;
    };
    auto number = [&]<typename Number>(Number& target, auto valid) {
      const auto text = value();
      if (!text) return;
      const auto n = parseNumber<Number>(*text);
      if (n && valid(*n)) {
        target = *n;
      } else {
        parsed.error = std::string(arg) + " does not take '" + std::string(*text) + "'";
      }
    };
    auto positive = [](double v) { return v > 0.0 && v < 1000.0; };
    auto any = [](auto) { return true; };
    if (arg == "--card") {
      int32_t index = 0;
      number(index, any);
      o.cardIndex = index;
    } else if (arg == "--train") {
      if (const auto text = value()) o.trainName = *text;
    } else if (arg == "--beacon") {
      int32_t data = 0;
      number(data, any);
      o.beacon = data;
    } else if (arg == "--spec") {
      const auto text = value();
      const std::size_t comma = text ? text->find(',') : std::string_view::npos;
      const auto brakes = text ? parseNumber<int32_t>(text->substr(0, comma)) : std::nullopt;
      const auto start =
          comma != std::string_view::npos ? parseNumber<int32_t>(text->substr(comma + 1)) : 0;
      if (text && (!brakes || !start || *brakes < 1 || *start < 0 || *start > *brakes)) {
        parsed.error = "--spec wants BRAKES,START with 0 <= START <= BRAKES, e.g. 8,4";
      } else if (text) {
        s.brakeNotches = *brakes;
        s.startBrakeNotch = *start;
      }
    } else if (arg == "--start") {
      number(s.startCode, any);
    } else if (arg == "--time") {
      const auto text = value();
      if (text && !(s.startTimeMs = parseTimeOfDay(*text))) {
        parsed.error = "--time wants HH:MM:SS, found '" + std::string(*text) + "'";
      }
    } else if (arg == "--line-speed") {
      number(s.lineSpeed, positive);
    } else if (arg == "--acceleration") {
      number(s.acceleration, positive);
    } else if (arg == "--deceleration") {
      number(s.deceleration, positive);
    } else if (arg == "--dwell" || arg == "--step") {
      const auto text = value();
      const auto ms = text ? parseSeconds(*text) : std::nullopt;
      const bool step = arg == "--step";
      if (text && (!ms || (step && (*ms < 1 || *ms > kLongestFrameMs)))) {
        parsed.error = std::string(arg) + " does not take '" + std::string(*text) + "'";
      } else if (text) {
        (step ? s.stepMs : s.dwellMs) = *ms;
      }
    } else if (takeRunOption(arg, value, o)) {
      // the plug-in and the run's outputs, shared by scenarios and drives
    } else if (arg.starts_with("-")) {
      parsed.error = "unknown option " + std::string(arg);
    } else if (!vehicleGiven) {
      o.vehicle = arg;
      vehicleGiven = true;
    } else {
      parsed.error = "more than one vehicle folder given";
    }
  }
  if (!parsed.error.empty() || o.help) return parsed;
  const bool byName = o.cardIndex || !o.trainName.empty();
  if (o.beacon && byName) {
    parsed.error = "give --beacon or --card with --train, not both";
  } else if (!o.beacon && (!o.cardIndex || o.trainName.empty())) {
    parsed.error = "which card? give --card INDEX --train NAME, or --beacon DATA";
  } else if (o.cardIndex) {
    const auto encoded = cardBeaconValue(*o.cardIndex, o.trainName);
    if (const auto* problem = std::get_if<std::string>(&encoded)) {
      parsed.error = *problem;
    } else {
      o.beacon = std::get<int32_t>(encoded);
    }
  }
  return parsed;
}

DriveResult runDrive(const DriveOptions& options, std::ostream& out, RunObserver* observer) {
  const auto library = pluginLibraryFor(options.plugin, options.vehicle);
  PluginSession session(options.vehicle, library, options.writeThrough, options.keepWorkingFolder,
                        out);
  const WorkingFolder& working = session.working();
  const int32_t beacon = options.beacon.value_or(0);

  // The same file the plug-in reads; the drive only needs its rows.
  const auto cardFile = cardFileFor(working.folder, beacon);
  IcCardCatalogue card;
  if (!readCardFile(card, cardFile)) {
    // The message names the user's folder rather than the temporary copy.
    std::filesystem::path shown = cardFile;
    const auto inCopy = cardFile.lexically_relative(working.folder);
    if (working.temporary && !inCopy.empty() && *inCopy.begin() != "..") {
      shown = options.vehicle / inCopy;
    }
    throw std::runtime_error("beacon value " + std::to_string(beacon) + " names the card file " +
                             shown.string() + ", which cannot be read");
  }
  const TripPlan plan = planTrip(card);
  std::string title = plan.trainName.empty() ? cardFile.filename().string() : plan.trainName;
  title += " (beacon " + std::to_string(beacon) + ")";
  if (!plan.rows.empty()) {
    title += ", " + rowLabel(plan.rows.front()) + " to " + rowLabel(plan.rows.back());
  }

  std::ofstream traceFile;
  if (!options.tracePath.empty()) traceFile = openTraceFile(options.tracePath);
  if (!options.quiet) {
    out << "tims-host: drive " << title << " with " << working.library.filename().string()
        << " (version " << session.exports().getPluginVersion() << ") in "
        << working.folder.string() << "\n";
  }
  HostEnvironment environment;
  environment.pluginFolder = working.folder;
  environment.settingsEditable = !options.writeThrough;
  environment.out = &out;
  environment.trace = traceFile.is_open() ? &traceFile : nullptr;
  environment.printViews = !options.quiet;
  environment.pressKey = platform::setThreadKeyState;
  environment.observer = observer;
  std::unique_ptr<TripPage> page;
  if (!options.htmlPath.empty()) {
    page = attachTripPage(environment,
                          {"drive " + title, options.vehicle.lexically_normal(), options.htmlPath});
  }

  DriveSettings settings = options.settings;
  settings.beaconData = beacon;
  DriveResult result{kExitPassed, driveTrip(session.exports(), environment, plan, settings)};
  session.exports().dispose();
  if (page) finishTripPage(*page);
  printTripReport(out, title, result.report);
  if (page && !options.quiet) out << "tims-host: trip page " << options.htmlPath.string() << "\n";
  if (!result.report.failures.empty() || result.report.commandFailures > 0) {
    result.exitStatus = kExitFailed;
  }
  return result;
}

int driveCommand(int argc, const char* const* argv) {
  try {
    const ParsedDriveOptions parsed = parseDriveOptions(argc, argv);
    if (!parsed.error.empty()) {
      std::cerr << "tims-host drive: " << parsed.error << "\n\n" << kDriveUsage;
      return kExitError;
    }
    if (parsed.options.help) {
      std::cout << kDriveUsage;
      return kExitPassed;
    }
    return runDrive(parsed.options, std::cout).exitStatus;
  } catch (const std::exception& error) {
    std::cerr << "tims-host drive: " << error.what() << "\n";
  }
  return kExitError;
}

}  // namespace tims::host
