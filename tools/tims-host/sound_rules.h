// The host's side of the sound array: which sounds start, loop, change volume and stop, judged
// from the slots whose value changed since the previous frame.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tims::host {

inline constexpr int kSoundSlots = 256;
inline constexpr int32_t kSoundStop = -10000;
inline constexpr int32_t kSoundPlayOnce = 1;
inline constexpr int32_t kSoundContinue = 2;

enum class SoundAction { PlayOnce, PlayLoop, ChangeVolume, Stop };

struct SoundEvent {
  int32_t timeMs;
  int slot;
  SoundAction action;
  double volume;  // 0..1 for PlayLoop and ChangeVolume
};

// A value the host cannot interpret: the plug-in would be rejected for it.
struct SoundViolation {
  int32_t timeMs;
  int slot;
  int32_t value;
};

class SoundRules {
 public:
  // The array starts silent.
  SoundRules();

  // Reacts to one frame's sound array as the plug-in left it: every slot whose value differs
  // from the previous frame's starts, stops or re-levels its sound. A slot set to play once is
  // written back to "continue", as the host does, so that the next change can play it again.
  // Returns the events of this frame; violations are collected.
  std::vector<SoundEvent> react(int32_t timeMs, int32_t* sound);

  // The value the array holds after the last reaction (for the next frame's comparison).
  int32_t previous(int slot) const { return previous_[static_cast<std::size_t>(slot)]; }
  bool looping(int slot) const { return looping_[static_cast<std::size_t>(slot)]; }

  const std::vector<SoundViolation>& violations() const { return violations_; }

 private:
  std::array<int32_t, kSoundSlots> previous_{};
  std::array<bool, kSoundSlots> looping_{};
  std::vector<SoundViolation> violations_;
};

std::string describe(const SoundEvent& event);
std::string describe(const SoundViolation& violation);

}  // namespace tims::host
