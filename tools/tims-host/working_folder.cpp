#include "tims-host/working_folder.h"

#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace tims::host {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(const std::string& what, const fs::path& path, const std::error_code& e) {
  throw std::runtime_error(what + " " + path.string() + ": " + e.message());
}

fs::path freshTemporaryFolder() {
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);
  if (error) fail("cannot find the temporary directory", fs::path(), error);
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path candidate = base / ("tims-host-" + std::to_string(random()));
    // create_directory reports false for a folder that exists: another run owns it.
    if (fs::create_directory(candidate, error)) return candidate;
    if (error) fail("cannot create", candidate, error);
  }
  throw std::runtime_error("cannot find a free temporary folder name under " + base.string());
}

}  // namespace

WorkingFolder prepareWorkingFolder(const fs::path& vehicleFolder, const fs::path& library,
                                   bool writeThrough) {
  std::error_code error;
  if (!fs::is_directory(vehicleFolder, error)) {
    throw std::runtime_error("the vehicle folder " + vehicleFolder.string() + " does not exist");
  }
  if (!fs::is_regular_file(library, error)) {
    throw std::runtime_error("the plug-in library " + library.string() + " does not exist");
  }
  WorkingFolder working;
  if (writeThrough) {
    working.folder = fs::absolute(vehicleFolder, error);
    if (error) fail("cannot resolve", vehicleFolder, error);
    working.library = working.folder / library.filename();
    if (fs::equivalent(working.library, library, error)) return working;
    if (fs::exists(working.library, error)) {
      throw std::runtime_error("the vehicle folder already holds " + working.library.string() +
                               "; load that one with --plugin or move it away");
    }
    fs::copy_file(library, working.library, error);
    if (error) fail("cannot place the library into", working.folder, error);
    working.placedLibrary = true;
    return working;
  }
  working.folder = freshTemporaryFolder();
  working.temporary = true;
  fs::copy(vehicleFolder, working.folder, fs::copy_options::recursive, error);
  if (!error) {
    working.library = working.folder / library.filename();
    fs::copy_file(library, working.library, fs::copy_options::overwrite_existing, error);
  }
  if (error) {
    releaseWorkingFolder(working);
    fail("cannot copy the vehicle folder into", working.folder, error);
  }
  return working;
}

void releaseWorkingFolder(WorkingFolder& working) {
  std::error_code ignored;
  if (working.temporary && !working.folder.empty()) fs::remove_all(working.folder, ignored);
  if (working.placedLibrary) fs::remove(working.library, ignored);
  working.temporary = false;
  working.placedLibrary = false;
}

}  // namespace tims::host
