#include "platform/keyboard.h"

#include <windows.h>

namespace tims::platform {

bool isKeyDown(int virtualKey) {
  if (virtualKey < 0 || virtualKey > 255) return false;
  // The high-order bit is the key's state as the calling thread's message queue last saw it.
  return (static_cast<unsigned short>(GetKeyState(virtualKey)) & 0x8000u) != 0;
}

// Windows has a keyboard: a host, or a test harness, sets the thread's key state itself
// (SetKeyboardState), so the adapter has nothing to add and a key it "presses" stays up.
void setHostKeyState(int, bool) {}

}  // namespace tims::platform
