// tims-host: runs the plug-in library the way the host simulator does, driven by a scenario file,
// and shows the cab monitor as text. See docs/harness.md.
#include <exception>
#include <fstream>
#include <iostream>

#include "platform/host_keyboard.h"
#include "tims-host/host_options.h"
#include "tims-host/runner.h"
#include "tims-host/working_folder.h"

namespace {

using namespace tims;
using namespace tims::host;

constexpr int kExitPassed = 0;
constexpr int kExitFailed = 1;
constexpr int kExitError = 2;

int runHost(const HostOptions& options) {
  const Scenario scenario = loadScenario(options.scenario);
  const std::filesystem::path vehicle = vehicleFolderFor(options, scenario);
  const std::filesystem::path library = pluginLibraryFor(options, vehicle);

  WorkingFolder working = prepareWorkingFolder(vehicle, library, options.writeThrough);
  struct Release {
    WorkingFolder& working;
    bool keep;
    ~Release() {
      if (keep) {
        std::cout << "tims-host: the working folder stays at " << working.folder.string() << "\n";
      } else {
        releaseWorkingFolder(working);
      }
    }
  } release{working, options.keepWorkingFolder && working.temporary};

  platform::DynamicLibrary plugin;
  if (!plugin.open(working.library)) {
    std::cerr << "tims-host: cannot load " << working.library.string() << ": " << plugin.errorText()
              << "\n";
    return kExitError;
  }
  PluginExports exports;
  const auto missing = resolveExports(plugin, exports);
  if (!missing.empty()) {
    std::cerr << "tims-host: " << working.library.string() << " lacks the export";
    for (const auto& name : missing) std::cerr << " " << name;
    std::cerr << "\n";
    return kExitError;
  }

  std::ofstream traceFile;
  if (!options.tracePath.empty()) {
    traceFile.open(options.tracePath, std::ios::binary | std::ios::trunc);
    if (!traceFile) {
      std::cerr << "tims-host: cannot write the trace " << options.tracePath.string() << "\n";
      return kExitError;
    }
  }

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
  environment.seed = options.seed;

  int failures = 0;
  {
    ScenarioRunner runner(exports, environment);
    runner.run(scenario);
    if (!options.quiet) {
      std::cout << "---- end of scenario ----\n";
      runner.showMonitor("end");
    }
    exports.dispose();
    failures = runner.failures();
    std::cout << "tims-host: " << scenario.file << ": " << runner.framesRun() << " frames, "
              << runner.expectationsChecked() << " checks, " << failures << " failed\n";
  }
  plugin.close();
  return failures == 0 ? kExitPassed : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  try {
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
