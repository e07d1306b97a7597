// Inserting an IC card chosen by a type-1000 beacon value.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "unit/tims_unit.h"

namespace tims {

// Splits the beacon value, reads the card file and, on success, puts the card in force.
void insertCard(TimsUnit& unit, int32_t data);

// The card file path that a beacon value names.
std::filesystem::path cardPath(const IcCardCatalogue& card, int32_t data);

// Converts a train-number text (Shift-JIS bytes) into six display codes; writes
// unit.beaconKind10Flag and reads unit.useLegacyDisp.
SixCodes convertTrainNumber(TimsUnit& unit, std::string_view text);

}  // namespace tims
