#include <array>

#include "platform/keyboard.h"

namespace tims::platform {
namespace {
std::array<bool, 256> keysDown{};  // virtual-key codes are 0..255
}

bool isKeyDown(int virtualKey) {
  return virtualKey >= 0 && virtualKey < 256 && keysDown[static_cast<std::size_t>(virtualKey)];
}

void setHostKeyState(int virtualKey, bool down) {
  if (virtualKey >= 0 && virtualKey < 256) keysDown[static_cast<std::size_t>(virtualKey)] = down;
}

}  // namespace tims::platform
