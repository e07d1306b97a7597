#include "tims-host/sound_rules.h"

#include <gtest/gtest.h>

#include <array>

namespace tims::host {
namespace {

struct SoundArray {
  std::array<int32_t, kSoundSlots> slots;
  SoundArray() { slots.fill(kSoundStop); }
};

TEST(SoundRules, UnchangedSlotsRaiseNothing) {
  SoundRules rules;
  SoundArray sound;
  EXPECT_TRUE(rules.react(0, sound.slots.data()).empty());
  sound.slots[14] = 0;
  EXPECT_EQ(rules.react(16, sound.slots.data()).size(), 1u);
  EXPECT_TRUE(rules.react(32, sound.slots.data()).empty());  // still 0: keeps looping
}

TEST(SoundRules, PlayOnceIsWrittenBackAsContinue) {
  SoundRules rules;
  SoundArray sound;
  sound.slots[14] = kSoundPlayOnce;
  const auto events = rules.react(100, sound.slots.data());
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].action, SoundAction::PlayOnce);
  EXPECT_EQ(events[0].slot, 14);
  EXPECT_EQ(events[0].timeMs, 100);
  EXPECT_EQ(sound.slots[14], kSoundContinue);
  // The plug-in writing 2 next is no change; writing 1 again plays again.
  EXPECT_TRUE(rules.react(116, sound.slots.data()).empty());
  sound.slots[14] = kSoundPlayOnce;
  ASSERT_EQ(rules.react(132, sound.slots.data()).size(), 1u);
}

TEST(SoundRules, LoopVolumeFollowsTheValue) {
  SoundRules rules;
  SoundArray sound;
  sound.slots[16] = -5000;
  auto events = rules.react(0, sound.slots.data());
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].action, SoundAction::PlayLoop);
  EXPECT_DOUBLE_EQ(events[0].volume, 0.5);
  EXPECT_TRUE(rules.looping(16));
  sound.slots[16] = 0;
  events = rules.react(16, sound.slots.data());
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].action, SoundAction::ChangeVolume);  // no restart
  EXPECT_DOUBLE_EQ(events[0].volume, 1.0);
  sound.slots[16] = -9999;
  EXPECT_DOUBLE_EQ(rules.react(32, sound.slots.data()).at(0).volume, 0.0001);
  sound.slots[16] = kSoundStop;
  events = rules.react(48, sound.slots.data());
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].action, SoundAction::Stop);
  EXPECT_FALSE(rules.looping(16));
}

TEST(SoundRules, ContinueChangesNothing) {
  SoundRules rules;
  SoundArray sound;
  sound.slots[60] = kSoundContinue;
  EXPECT_TRUE(rules.react(0, sound.slots.data()).empty());
  EXPECT_TRUE(rules.violations().empty());
  EXPECT_EQ(rules.previous(60), kSoundContinue);
}

TEST(SoundRules, ValuesTheHostRejectsAreReportedWithSlotValueAndTime) {
  SoundRules rules;
  SoundArray sound;
  sound.slots[15] = 3;
  sound.slots[200] = -10001;
  EXPECT_TRUE(rules.react(5000, sound.slots.data()).empty());
  ASSERT_EQ(rules.violations().size(), 2u);
  EXPECT_EQ(rules.violations()[0].slot, 15);
  EXPECT_EQ(rules.violations()[0].value, 3);
  EXPECT_EQ(rules.violations()[1].slot, 200);
  EXPECT_EQ(describe(rules.violations()[0]),
            "sound slot 15 holds 3 at 00:00:05.000: the host accepts only -10000..0, 1 and 2");
  // A value that stays is not reported again; a new bad value is.
  rules.react(5016, sound.slots.data());
  EXPECT_EQ(rules.violations().size(), 2u);
  sound.slots[15] = 7;
  rules.react(5032, sound.slots.data());
  EXPECT_EQ(rules.violations().size(), 3u);
}

TEST(SoundRules, DescribesEvents) {
  EXPECT_EQ(describe(SoundEvent{1000, 14, SoundAction::PlayOnce, 1.0}),
            "00:00:01.000 sound 14 plays once");
  EXPECT_EQ(describe(SoundEvent{0, 16, SoundAction::PlayLoop, 0.25}),
            "00:00:00.000 sound 16 loops at volume 0.25");
}

}  // namespace
}  // namespace tims::host
