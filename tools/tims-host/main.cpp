// tims-host: runs the plug-in library the way the host simulator does, driven by a scenario file,
// and shows the cab monitor as text. See docs/harness.md.
#include <exception>
#include <fstream>
#include <iostream>
#include <string_view>

#include "platform/host_keyboard.h"
#include "tims-host/drive_command.h"
#include "tims-host/host_options.h"
#include "tims-host/plugin_session.h"
#include "tims-host/runner.h"
#include "tims-host/subcommands.h"
#include "tims-host/trip_page.h"

namespace {

using namespace tims;
using namespace tims::host;

int runHost(const HostOptions& options) {
  const Scenario scenario = loadScenario(options.scenario);
  const std::filesystem::path vehicle = vehicleFolderFor(options, scenario);
  const std::filesystem::path library = pluginLibraryFor(options.plugin, vehicle);

  PluginSession session(vehicle, library, options.writeThrough, options.keepWorkingFolder,
                        std::cout);
  const WorkingFolder& working = session.working();
  const PluginExports& exports = session.exports();
  std::ofstream traceFile;
  if (!options.tracePath.empty()) traceFile = openTraceFile(options.tracePath);

  if (!options.quiet) {
    std::cout << "tims-host: " << scenario.file << " with " << working.library.filename().string()
              << " (version " << exports.getPluginVersion() << ") in " << working.folder.string()
              << "\n";
  }
  HostEnvironment environment;
  environment.pluginFolder = working.folder;
  environment.settingsEditable = !options.writeThrough;
  environment.out = &std::cout;
  environment.trace = traceFile.is_open() ? &traceFile : nullptr;
  environment.printViews = !options.quiet;
  environment.pressKey = platform::setThreadKeyState;
  std::unique_ptr<TripPage> page;
  if (!options.htmlPath.empty()) {
    page = attachTripPage(
        environment, {"scenario " + scenario.file, vehicle.lexically_normal(), options.htmlPath});
  }
  environment.seed = options.seed;

  int failures = 0;
  {
    ScenarioRunner runner(exports, environment);
    runner.run(scenario);
    if (!options.quiet) std::cout << "---- end of scenario ----\n";
    // Quiet prints no view, but a trip page still wants the end.
    runner.showMonitor("end");
    exports.dispose();
    if (page) finishTripPage(*page);
    failures = runner.failures();
    std::cout << "tims-host: " << scenario.file << ": " << runner.framesRun() << " frames, "
              << runner.expectationsChecked() << " checks, " << failures << " failed\n";
    if (page && !options.quiet) {
      std::cout << "tims-host: trip page " << options.htmlPath.string() << "\n";
    }
  }
  return failures == 0 ? kExitPassed : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string_view(argv[1]) == "drive") return driveCommand(argc - 1, argv + 1);
  try {
    if (const auto status = runSubcommand(argc, argv)) return *status;
    const ParsedOptions parsed = parseHostOptions(argc, argv);
    if (!parsed.error.empty()) {
      std::cerr << "tims-host: " << parsed.error << "\n\n" << kHostUsage;
      return kExitError;
    }
    if (parsed.options.help) {
      std::cout << kHostUsage;
      return kExitPassed;
    }
    return runHost(parsed.options);
  } catch (const ScenarioError& error) {
    std::cerr << error.what() << "\n";
  } catch (const std::exception& error) {
    std::cerr << "tims-host: " << error.what() << "\n";
  }
  return kExitError;
}
