#include <ctime>

#include <chrono>

#include "platform/local_time.h"

namespace tims::platform {
LocalTime systemLocalTime() {
  const auto now = std::chrono::system_clock::now();
  const auto sinceEpoch = now.time_since_epoch();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000;
  LocalTime result{};
  result.year = static_cast<uint16_t>(local.tm_year + 1900);
  result.month = static_cast<uint16_t>(local.tm_mon + 1);
  result.dayOfWeek = static_cast<uint16_t>(local.tm_wday);
  result.day = static_cast<uint16_t>(local.tm_mday);
  result.hour = static_cast<uint16_t>(local.tm_hour);
  result.minute = static_cast<uint16_t>(local.tm_min);
  result.second = static_cast<uint16_t>(local.tm_sec);
  result.milliseconds = static_cast<uint16_t>(ms < 0 ? 0 : ms);
  return result;
}

}  // namespace tims::platform
