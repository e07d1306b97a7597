// Where the plug-in runs: a vehicle folder with the library file beside its settings and cards.
#pragma once

#include <filesystem>

namespace tims::host {

struct WorkingFolder {
  std::filesystem::path folder;   // the plug-in's directory: settings, catalogue, cards
  std::filesystem::path library;  // the library file to load, inside `folder`
  bool temporary = false;         // a copy made for this run, removed afterwards
  bool placedLibrary = false;     // the library was copied into a user's folder for this run
};

// Without write-through: copies the vehicle folder (everything below it) into a fresh folder
// under the system's temporary directory and places a copy of the library there, keeping its
// file name, so that whatever the plug-in writes back lands in the copy.
// With write-through: the plug-in runs in the vehicle folder itself; a library that does not
// already lie there is copied in for the run (never over an existing file of that name).
// Throws std::runtime_error with an explanation when the folders or files cannot be prepared.
WorkingFolder prepareWorkingFolder(const std::filesystem::path& vehicleFolder,
                                   const std::filesystem::path& library, bool writeThrough);

// Removes what prepareWorkingFolder created (the temporary copy, or a library placed in the
// user's folder). Never throws.
void releaseWorkingFolder(WorkingFolder& working);

}  // namespace tims::host
