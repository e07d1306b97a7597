// Inserting an IC card chosen by a type-1000 beacon value.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "unit/tims_unit.h"

namespace tims {

// A type-1000 beacon value read as decimal groups I·PP·NNNN·SS, with truncating division so
// that a negative value gives negative pieces.
struct CardSelection {
  int32_t cardIndex;
  int32_t prefixCode;
  int32_t number;
  int32_t suffixCode;
};
CardSelection splitCardValue(int32_t data);

// The card file name as Shift-JIS bytes: prefix text, number, suffix text, ".csv". Codes that no
// table row carries (negative ones included) add no text.
std::string cardFileName(const CardSelection& selection);

// A beacon value is at most 2147483647, so its card index at most 21.
inline constexpr int32_t kMaxBeaconCardIndex = 21;
// The suffix code a value carries for a name without a suffix: none of 33..99 has a text.
inline constexpr int32_t kNoSuffixFileCode = 99;

// The type-1000 beacon value that selects `fileName` (Shift-JIS, with ".csv") of card
// `cardIndex`, or why no value can.
struct CardValueEncoding {
  std::optional<int32_t> value;
  std::string whyNot;
};
CardValueEncoding encodeCardValue(int32_t cardIndex, std::string_view fileName);

// Splits the beacon value, reads the card file and, on success, puts the card in force.
void insertCard(TimsUnit& unit, int32_t data);

// The card file path that a beacon value names.
std::filesystem::path cardPath(const IcCardCatalogue& card, int32_t data);

// Converts a train-number text (Shift-JIS bytes) into six display codes; writes
// unit.beaconKind10Flag and reads unit.useLegacyDisp.
SixCodes convertTrainNumber(TimsUnit& unit, std::string_view text);

}  // namespace tims
