// The Windows platform layer under a system whose code page is not 932.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/host_keyboard.h"
#include "platform/keyboard.h"
#include "platform/local_time.h"
#include "support/temp_dir.h"

namespace tims::platform {
namespace {

namespace fs = std::filesystem;

// Cards with prefix characters must load on any Windows, not only on a Japanese one; only the
// unreadable bytes become U+FFFD, as on the other platforms.
TEST(Win32CodePage, ReadsShiftJisWhateverTheSystemsCodePage) {
  ASSERT_NE(GetACP(), 932u) << "run this test with a non-Japanese system code page";
  // clang-format off
  const std::pair<std::string, std::string> texts[] = {
      {"\x89\xD7" "2340M", "荷2340M"}, {"\x8C\xBB\x94\x7A", "現配"}, {"\xB1\xB2", "ｱｲ"},
      {"A\x85\x40" "B", "A\uFFFDB"}, {"\x89\xD7\x85\x40\x89\xD7", "荷\uFFFD荷"},  // unassigned pair
      {"\x81 x", "\uFFFD x"}, {"x\x89", "x\uFFFD"}, {"\x81\x89", "♂"},  // lead bytes
      {std::string("a\0b", 3), std::string("a\0b", 3)}, {"", ""}};
  // clang-format on
  for (const auto& [bytes, utf8] : texts) EXPECT_EQ(utf8FromShiftJis(bytes), utf8) << bytes;
  // 0x5C is a separator, also as the second byte of a pair: "構" is 0x8D 0x5C.
  EXPECT_EQ(pathFromShiftJis("cards\\\x8D\x5C\x89\xF1").native(), L"cards\\構回");
  // What code page 932 lacks is one '?': no best-fit letters, one for a pair of surrogates.
  EXPECT_EQ(shiftJisFromUtf8("荷é🚃x"), "\x89\xD7??x");
  std::string longText;  // no length limit
  for (int i = 0; i < 50000; ++i) longText += "\x89\xD7";
  EXPECT_EQ(utf16FromShiftJis(longText + "\x81"), std::u16string(50000, u'荷') + u'\uFFFD');
}

TEST(Win32FileSystem, AnswersNotFoundWithoutAnErrorAndMakesFullPaths) {
  tims::testing::TempDir dir;
  std::error_code error;
  EXPECT_TRUE(pathExists(dir.write(L"荷2340M.csv", "x"), error));
  EXPECT_TRUE(pathExists(dir.path(), error));
  for (const fs::path& missing :
       {dir.path() / "missing", dir.path() / "no" / "such" / "folder", dir.path() / "bad<name>",
        fs::path(std::wstring(L"a\0b", 3)), fs::path()}) {
    EXPECT_FALSE(pathExists(missing, error)) << missing;
    EXPECT_FALSE(error) << missing;
  }
  // Relative values resolve without a length limit; absolute ones stay as written.
  wchar_t driveE[MAX_PATH] = {};  // E:cards starts from drive E's current folder
  ASSERT_GT(GetFullPathNameW(L"E:cards", MAX_PATH, driveE, nullptr), 0u);
  const std::wstring deep = L"C:\\" + std::wstring(400, L'd') + L"\\";
  const std::tuple<const wchar_t*, std::wstring, std::wstring> cases[] = {
      {L"cards\\express", L"C:\\plug\\in\\", L"C:\\plug\\in\\cards\\express"},
      {L"..\\c/./d", L"C:\\plug\\in\\", L"C:\\plug\\c\\d"},
      {L"\\root\\c", L"C:\\plug\\in\\", L"C:\\root\\c"},
      {L"", L"C:\\plug\\in\\", L"C:\\plug\\in\\"},
      {L"D:/cards/../local", L"C:\\plug\\in\\", L"D:/cards/../local"},
      {L"\\\\server\\share\\x", L"C:\\plug\\in\\", L"\\\\server\\share\\x"},
      {L"E:cards", L"C:\\plug\\in\\", driveE},
      {L"x\\..\\card", deep, deep + L"card"}};
  for (const auto& [value, folder, full] : cases) {
    EXPECT_EQ(makeAbsolute(value, folder, error).native(), full) << value;
    EXPECT_FALSE(error);
  }
}

TEST(Win32KeyboardAndClock, AreTheThreadsKeyStateAndTheSystemsLocalTime) {
  ASSERT_TRUE(threadKeyStateAvailable());
  ASSERT_TRUE(setThreadKeyState(kVirtualKeyBackspace, true));
  EXPECT_TRUE(isKeyDown(kVirtualKeyBackspace));
  EXPECT_FALSE(isKeyDown('A'));
  ASSERT_TRUE(setThreadKeyState(kVirtualKeyBackspace, false));
  EXPECT_FALSE(isKeyDown(kVirtualKeyBackspace));
  setHostKeyState(kVirtualKeyBackspace, true);  // the adapter: Windows has a real keyboard
  EXPECT_FALSE(isKeyDown(kVirtualKeyBackspace));
  EXPECT_FALSE(setThreadKeyState(256, true));
  EXPECT_FALSE(isKeyDown(-1));
  // The clock is the system's local time, unless the milliseconds are pinned.
  SYSTEMTIME before{};
  GetLocalTime(&before);
  const LocalTime now = currentLocalTime();
  EXPECT_EQ(std::pair(now.year, now.month), std::pair(before.wYear, before.wMonth));
  pinLocalMilliseconds(999);
  EXPECT_EQ(currentLocalTime().milliseconds, 999);
  pinLocalMilliseconds(1000);  // out of range: ignored
  EXPECT_EQ(currentLocalTime().milliseconds, 999);
  pinLocalMilliseconds(-1);
}

}  // namespace
}  // namespace tims::platform
