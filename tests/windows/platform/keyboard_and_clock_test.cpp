#include <gtest/gtest.h>
#include <windows.h>

#include "platform/host_keyboard.h"
#include "platform/keyboard.h"
#include "platform/local_time.h"

namespace tims::platform {
namespace {

TEST(Win32Keyboard, ReadsTheThreadsKeyStateThatAHostSets) {
  ASSERT_TRUE(threadKeyStateAvailable());
  ASSERT_TRUE(setThreadKeyState(kVirtualKeyBackspace, true));
  EXPECT_TRUE(isKeyDown(kVirtualKeyBackspace));
  EXPECT_FALSE(isKeyDown('A'));
  ASSERT_TRUE(setThreadKeyState(kVirtualKeyBackspace, false));
  EXPECT_FALSE(isKeyDown(kVirtualKeyBackspace));
}

TEST(Win32Keyboard, TheHostAdapterAddsNothingToARealKeyboard) {
  setHostKeyState(kVirtualKeyBackspace, true);
  EXPECT_FALSE(isKeyDown(kVirtualKeyBackspace));
  setHostKeyState(kVirtualKeyBackspace, false);
}

TEST(Win32Keyboard, KeyCodesOutOfRangeAreNeitherPressedNorRead) {
  EXPECT_FALSE(setThreadKeyState(256, true));
  EXPECT_FALSE(setThreadKeyState(-1, true));
  EXPECT_FALSE(isKeyDown(256));
  EXPECT_FALSE(isKeyDown(-1));
}

TEST(Win32LocalTime, IsTheSystemsLocalTimeUnlessTheMillisecondsArePinned) {
  SYSTEMTIME before{};
  GetLocalTime(&before);
  const LocalTime now = currentLocalTime();
  EXPECT_EQ(now.year, before.wYear);
  EXPECT_EQ(now.month, before.wMonth);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.hour, 23);

  pinLocalMilliseconds(123);
  EXPECT_EQ(currentLocalTime().milliseconds, 123);
  pinLocalMilliseconds(1000);  // out of range: ignored
  EXPECT_EQ(currentLocalTime().milliseconds, 123);
  pinLocalMilliseconds(-1);
}

}  // namespace
}  // namespace tims::platform
