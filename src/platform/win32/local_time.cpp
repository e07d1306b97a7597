#include "platform/local_time.h"

#include <windows.h>

namespace tims::platform {
namespace {
int pinnedMilliseconds = -1;  // -1: read the clock
}

void pinLocalMilliseconds(int milliseconds) {
  if (milliseconds >= -1 && milliseconds <= 999) pinnedMilliseconds = milliseconds;
}

LocalTime currentLocalTime() {
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
  result.milliseconds =
      pinnedMilliseconds >= 0 ? static_cast<uint16_t>(pinnedMilliseconds) : now.wMilliseconds;
  return result;
}

}  // namespace tims::platform
