#include "platform/host_keyboard.h"

namespace tims::platform {

// Without a windowing system's per-thread key state there is nothing a host could press; the
// plug-in's TimsHostSetKeyState adapter takes its place.
bool threadKeyStateAvailable() {
  return false;
}

bool setThreadKeyState(int, bool) {
  return false;
}

}  // namespace tims::platform
