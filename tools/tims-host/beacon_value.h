// The data value of a type-1000 beacon that inserts an IC card, built from the card index and the
// train name the way the plug-in splits it again (index, prefix code, number, suffix code).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace tims::host {

// The highest card index a beacon value can carry: 22 * 10^8 lies beyond 32 bits.
inline constexpr int32_t kMaxBeaconCardIndex = 21;

// `trainName` is UTF-8 or Shift-JIS, as typed: an optional prefix from the prefix table (荷, 試単,
// ...), the number (0..9999, no leading zeros, since the file name carries it without them) and an
// optional suffix from the suffix table (K, M, 甲, KR, ...). Returns the beacon value, or an
// explanation of what does not fit.
std::variant<int32_t, std::string> cardBeaconValue(int32_t cardIndex, std::string_view trainName);

}  // namespace tims::host
