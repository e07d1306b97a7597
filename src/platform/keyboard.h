// Key state as the host's message queue last saw it.
#pragma once

namespace tims::platform {

inline constexpr int kVirtualKeyBackspace = 8;

// True while the key is held down (GetKeyState's high-order bit on Windows).
bool isKeyDown(int virtualKey);

// Host adapter for builds without a Windows keyboard: the key reads as down while the last call
// for it said down. All keys start up.
void setHostKeyState(int virtualKey, bool down);

}  // namespace tims::platform
