// Pressing keys the way a host's window would: in the calling thread's real keyboard state, which
// is what the plug-in's key poll reads on platforms that have one.
#pragma once

namespace tims::platform {

// True when setThreadKeyState can reach the key state the plug-in polls.
bool threadKeyStateAvailable();

// Marks `virtualKey` (0..255) as held down or released in the calling thread's keyboard state.
// Returns false when this platform has no such state (the caller then uses the plug-in's
// host-adapter function instead) or when the key code is out of range.
bool setThreadKeyState(int virtualKey, bool down);

}  // namespace tims::platform
