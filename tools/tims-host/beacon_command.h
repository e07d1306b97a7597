// `tims-host beacon decode TYPE DATA` and `tims-host beacon encode card INDEX TRAIN`: what the
// plug-in makes of a beacon, and the type-1000 value that selects a card file.
#pragma once

#include <ostream>
#include <span>
#include <string>

namespace tims::host {

// Exit status: 0 done, 1 no value selects the card, 2 a wrong command line.
int runBeaconCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace tims::host
