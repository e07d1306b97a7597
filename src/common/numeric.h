// Arithmetic helpers for values that come from outside (the host, settings, cards, beacons):
// conversions that saturate instead of invoking undefined behaviour, and 32-bit wrapping products.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace tims {

// Truncates toward zero and saturates to the 32-bit range; NaN gives 0.
constexpr int32_t saturatingInt32(double value) {
  if (value != value) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

// 32-bit signed product that wraps around on overflow, as the meters' random arithmetic expects.
constexpr int32_t wrappingMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

constexpr int32_t wrappingAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

constexpr int32_t wrappingSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

// Adds to a count-up millisecond timer, stopping at the largest value instead of overflowing.
constexpr int32_t saturatingAdd(int32_t timer, int32_t ms) {
  const int64_t sum = static_cast<int64_t>(timer) + ms;
  if (sum > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (sum < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(sum);
}

// Truncating division and remainder that cannot trap: INT32_MIN / -1 wraps like the hardware
// result would be expected to, instead of raising.
constexpr int32_t safeDiv(int32_t a, int32_t b) {
  if (b == 0) return 0;
  if (b == -1) return wrappingSub(0, a);
  return a / b;
}
constexpr int32_t safeMod(int32_t a, int32_t b) {
  if (b == 0 || b == -1) return 0;
  return a % b;
}

}  // namespace tims
