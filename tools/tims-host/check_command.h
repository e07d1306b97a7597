// `tims-host check [FOLDER] [--json] [--explain]`: what the plug-in will make of a vehicle
// folder's files, as compiler-style diagnostics.
#pragma once

#include <ostream>
#include <span>
#include <string>

namespace tims::host {

// Exit status: 0 no errors, 1 errors found, 2 the folder cannot be read (or a wrong command line).
int runCheckCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace tims::host
