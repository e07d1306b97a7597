// The words that make tims-host do something other than run a scenario. A subcommand word wins
// over a scenario file of the same name (run such a file as ./check).
#pragma once

#include <optional>

namespace tims::host {

// The exit status of the subcommand that argv[1] names, or nothing when it names none.
std::optional<int> runSubcommand(int argc, const char* const* argv);

}  // namespace tims::host
