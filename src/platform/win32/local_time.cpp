#include "platform/local_time.h"

#include <windows.h>

namespace tims::platform {
LocalTime systemLocalTime() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  LocalTime result{};
  result.year = now.wYear;
  result.month = now.wMonth;
  result.dayOfWeek = now.wDayOfWeek;
  result.day = now.wDay;
  result.hour = now.wHour;
  result.minute = now.wMinute;
  result.second = now.wSecond;
  result.milliseconds = now.wMilliseconds;
  return result;
}

}  // namespace tims::platform
