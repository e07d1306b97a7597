#include "tims-host/host_options.h"

#include <charconv>
#include <stdexcept>
#include <string_view>

namespace tims::host {

const char* const kHostUsage =
    "usage: tims-host [options] SCENARIO\n"
    "       tims-host drive [FOLDER] --card INDEX --train NAME   (see tims-host drive --help)\n"
    "Runs the plug-in library as the host simulator does, driven by a scenario file, and\n"
    "prints the cab monitor at each `show` line and at the end.\n"
    "\n"
    "  --plugin FILE     the plug-in library (default: the one in the vehicle folder, else the\n"
    "                    one built with this tool)\n"
    "  --vehicle FOLDER  the vehicle folder (default: the scenario's `vehicle` line)\n"
    "  --write-through   run in the vehicle folder itself, so the plug-in's write-back reaches\n"
    "                    the original TIMS_Spec.ini (default: a temporary copy)\n"
    "  --trace FILE      write a CSV trace of every frame\n"
    "  --html FILE       write a trip page: the monitor drawn at each `show` and at the end,\n"
    "                    plots of the run and its checks, in one self-contained HTML file\n"
    "  --seed MS         pin the meters' seed (0..999, the clock's milliseconds) for every\n"
    "                    start, as a `seed` line does; a later `seed` line still changes it\n"
    "  --keep            keep the temporary working folder and print where it is\n"
    "  --quiet           print no monitor views, only failures and the summary\n"
    "  --help            this text\n"
    "\n"
    "Exit status: 0 all expectations held, 1 some failed, 2 the scenario or the set-up is wrong.\n"
    "\n"
    "       tims-host check [FOLDER] [--json] [--explain]   what the plug-in makes of a vehicle\n"
    "       tims-host beacon decode TYPE DATA | encode card INDEX TRAIN\n"
    "A scenario file named like a subcommand runs as ./check.\n";

namespace {

// 0..999 written in decimal, else -1 with `error` set.
int millisecondsIn(const std::string& text, std::string& error) {
  int value = 0;
  const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (code != std::errc{} || end != text.data() + text.size() || value < 0 || value > 999) {
    error = "--seed needs milliseconds 0..999, not \"" + text + "\"";
    return -1;
  }
  return value;
}

}  // namespace

bool takeRunOption(std::string_view arg, const OptionValue& value, RunOptions& o) {
  auto path = [&](std::filesystem::path& target) {
    if (const auto text = value()) target = *text;
  };
  if (arg == "--plugin") {
    path(o.plugin);
  } else if (arg == "--trace") {
    path(o.tracePath);
  } else if (arg == "--html") {
    path(o.htmlPath);
  } else if (arg == "--write-through") {
    o.writeThrough = true;
  } else if (arg == "--keep") {
    o.keepWorkingFolder = true;
  } else if (arg == "--quiet") {
    o.quiet = true;
  } else if (arg == "--help" || arg == "-h") {
    o.help = true;
  } else {
    return false;
  }
  return true;
}

ParsedOptions parseHostOptions(int argc, const char* const* argv) {
  ParsedOptions parsed;
  HostOptions& o = parsed.options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const OptionValue value = [&]() -> std::optional<std::string_view> {
      if (i + 1 < argc) return std::string_view(argv[++i]);
      parsed.error = std::string(arg) + " needs a value";
      return std::nullopt;
    };
    if (takeRunOption(arg, value, o)) {
      // the plug-in and the run's outputs, shared by scenarios and drives
    } else if (arg == "--vehicle") {
      if (const auto text = value()) o.vehicle = *text;
    } else if (arg == "--seed") {
      if (const auto text = value()) o.seed = millisecondsIn(std::string(*text), parsed.error);
    } else if (arg.starts_with("-")) {
      parsed.error = "unknown option " + std::string(arg);
    } else if (o.scenario.empty()) {
      o.scenario = arg;
    } else {
      parsed.error = "more than one scenario given";
    }
    if (!parsed.error.empty()) return parsed;
  }
  if (o.scenario.empty() && !o.help) parsed.error = "no scenario given";
  return parsed;
}

const char* pluginFileName() {
#if defined(_WIN32) && (defined(_WIN64) || defined(__x86_64__))
  return "tims_x64.dll";
#elif defined(_WIN32)
  return "tims_x86.dll";
#else
  return "libtims.so";
#endif
}

std::filesystem::path vehicleFolderFor(const HostOptions& options, const Scenario& scenario) {
  if (!options.vehicle.empty()) return options.vehicle;
  for (const Command& command : scenario.commands) {
    if (const auto* vehicle = std::get_if<VehicleFolder>(&command.body)) {
      return options.scenario.parent_path() / vehicle->folder;
    }
  }
  throw std::runtime_error("no vehicle folder: add a `vehicle` line to " +
                           options.scenario.string() + " or pass --vehicle");
}

std::filesystem::path pluginLibraryFor(const std::filesystem::path& plugin,
                                       const std::filesystem::path& vehicle) {
  std::error_code error;
  if (!plugin.empty()) return plugin;
  const auto beside = vehicle / pluginFileName();
  if (std::filesystem::is_regular_file(beside, error)) return beside;
#ifdef TIMS_HOST_BUILT_PLUGIN
  const std::filesystem::path built = TIMS_HOST_BUILT_PLUGIN;
  if (std::filesystem::is_regular_file(built, error)) return built;
#endif
  throw std::runtime_error(std::string("no plug-in library: pass --plugin or put ") +
                           pluginFileName() + " into " + vehicle.string());
}

}  // namespace tims::host
