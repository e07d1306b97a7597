#include "tims-host/sound_rules.h"

#include <cstdio>

#include "tims-host/scenario.h"

namespace tims::host {

SoundRules::SoundRules() {
  previous_.fill(kSoundStop);
}

std::vector<SoundEvent> SoundRules::react(int32_t timeMs, int32_t* sound) {
  std::vector<SoundEvent> events;
  for (int slot = 0; slot < kSoundSlots; ++slot) {
    const auto i = static_cast<std::size_t>(slot);
    const int32_t value = sound[i];
    if (value == previous_[i]) continue;
    if (value == kSoundStop) {
      // Stops a loop, or a single play that may still be sounding.
      events.push_back({timeMs, slot, SoundAction::Stop, 0.0});
      looping_[i] = false;
    } else if (value > kSoundStop && value <= 0) {
      // -9999..0 is a looping sound at a volume; a sound already looping only changes level.
      const double volume = (value - kSoundStop) / 10000.0;
      events.push_back(
          {timeMs, slot, looping_[i] ? SoundAction::ChangeVolume : SoundAction::PlayLoop, volume});
      looping_[i] = true;
    } else if (value == kSoundPlayOnce) {
      events.push_back({timeMs, slot, SoundAction::PlayOnce, 1.0});
      looping_[i] = false;
      sound[i] = kSoundContinue;
    } else if (value == kSoundContinue) {
      // Whatever plays goes on.
    } else {
      violations_.push_back({timeMs, slot, value});
    }
    previous_[i] = sound[i];
  }
  return events;
}

std::string describe(const SoundEvent& event) {
  char text[96];
  switch (event.action) {
    case SoundAction::PlayOnce:
      std::snprintf(text, sizeof text, "sound %d plays once", event.slot);
      break;
    case SoundAction::PlayLoop:
      std::snprintf(text, sizeof text, "sound %d loops at volume %.2f", event.slot, event.volume);
      break;
    case SoundAction::ChangeVolume:
      std::snprintf(text, sizeof text, "sound %d volume %.2f", event.slot, event.volume);
      break;
    case SoundAction::Stop:
      std::snprintf(text, sizeof text, "sound %d stops", event.slot);
      break;
  }
  return formatTimeOfDay(event.timeMs) + " " + text;
}

std::string describe(const SoundViolation& violation) {
  return "sound slot " + std::to_string(violation.slot) + " holds " +
         std::to_string(violation.value) + " at " + formatTimeOfDay(violation.timeMs) +
         ": the host accepts only -10000..0, 1 and 2";
}

}  // namespace tims::host
