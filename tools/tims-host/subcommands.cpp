#include "tims-host/subcommands.h"

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "tims-host/beacon_command.h"
#include "tims-host/check_command.h"

namespace tims::host {

std::optional<int> runSubcommand(int argc, const char* const* argv) {
  if (argc < 2) return std::nullopt;
  const std::string_view word = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (word == "check") return runCheckCommand(args, std::cout, std::cerr);
  if (word == "beacon") return runBeaconCommand(args, std::cout, std::cerr);
  return std::nullopt;
}

}  // namespace tims::host
