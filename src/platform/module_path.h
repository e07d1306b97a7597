// Where the plug-in library itself lies.
#pragma once

#include <filesystem>

namespace tims::platform {

// The directory of the loaded library file that holds this code, with no length limit.
// Empty when the system cannot tell.
std::filesystem::path libraryDirectory();

}  // namespace tims::platform
