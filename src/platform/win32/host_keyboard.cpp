#include "platform/host_keyboard.h"

#include <windows.h>

namespace tims::platform {

bool threadKeyStateAvailable() {
  return true;
}

bool setThreadKeyState(int virtualKey, bool down) {
  if (virtualKey < 0 || virtualKey > 255) return false;
  // The whole 256-key state is read and written back: GetKeyState answers from it on this thread.
  BYTE keys[256] = {};
  if (!GetKeyboardState(keys)) return false;
  keys[virtualKey] = down ? 0x80 : 0x00;
  return SetKeyboardState(keys) != FALSE;
}

}  // namespace tims::platform
