// Local wall-clock time, as the plug-in takes it at the start of a run.
#pragma once

#include <cstdint>

namespace tims::platform {

// Calendar date and time of day down to milliseconds: the eight 16-bit fields of Windows'
// SYSTEMTIME, in its order.
struct LocalTime {
  uint16_t year;
  uint16_t month;
  uint16_t dayOfWeek;
  uint16_t day;
  uint16_t hour;
  uint16_t minute;
  uint16_t second;
  uint16_t milliseconds;
};

// The local time, with the milliseconds field pinned when a host asked for it.
LocalTime currentLocalTime();

// The system's local clock itself (one implementation per platform).
LocalTime systemLocalTime();

// Host adapter for builds without the Windows clock: milliseconds 0..999 pins the milliseconds
// field that currentLocalTime() reports; -1 (the start value) reads the system clock again.
// Other values are ignored.
void pinLocalMilliseconds(int milliseconds);

}  // namespace tims::platform
