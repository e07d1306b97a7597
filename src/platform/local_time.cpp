// The pin of the milliseconds field is the same on every platform; only the clock differs.
#include "platform/local_time.h"

namespace tims::platform {
namespace {
int pinnedMilliseconds = -1;  // -1: read the clock
}

void pinLocalMilliseconds(int milliseconds) {
  if (milliseconds >= -1 && milliseconds <= 999) pinnedMilliseconds = milliseconds;
}

LocalTime currentLocalTime() {
  LocalTime now = systemLocalTime();
  if (pinnedMilliseconds >= 0) now.milliseconds = static_cast<uint16_t>(pinnedMilliseconds);
  return now;
}

}  // namespace tims::platform
