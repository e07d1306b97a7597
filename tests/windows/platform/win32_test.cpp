// The Windows platform layer, and the plug-in DLL through the Windows loader, on a system whose
// code page is not 932.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/code_page.h"
#include "platform/dynamic_library.h"
#include "platform/file_system.h"
#include "platform/host_keyboard.h"
#include "platform/keyboard.h"
#include "platform/local_time.h"
#include "platform/profile.h"
#include "platform/regular_file.h"
#include "plugin/export_decl.h"
#include "state/records.h"
#include "support/temp_dir.h"

namespace tims::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

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
  TempDir dir;
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
  const std::wstring in = L"C:\\plug\\in\\", deep = L"C:\\" + std::wstring(400, L'd') + L"\\";
  const std::tuple<const wchar_t*, std::wstring, std::wstring> cases[] = {
      {L"cards\\express", in, in + L"cards\\express"},
      {L"..\\c/./d", in, L"C:\\plug\\c\\d"},
      {L"\\root\\c", in, L"C:\\root\\c"},
      {L"", in, in},
      {L"D:/cards/../local", in, L"D:/cards/../local"},
      {L"\\\\server\\share\\x", in, L"\\\\server\\share\\x"},
      {L"E:cards", in, driveE},
      {L"x\\..\\card", deep, deep + L"card"}};
  for (const auto& [value, folder, full] : cases) {
    EXPECT_EQ(makeAbsolute(value, folder, error).native(), full) << value;
    EXPECT_FALSE(error);
  }
}

// Only a file on disk is read (a folder or a pipe is no settings file), and the write-back leaves a
// read-only file alone.
TEST(Win32RegularFile, ReadsOnlyFilesOnDiskAndLeavesAReadOnlyFileAlone) {
  TempDir dir;
  bool missing = false;
  fs::create_directory(dir.path() / "folder.ini");
  EXPECT_FALSE(readRegularFile(dir.path() / "folder.ini", &missing));
  EXPECT_FALSE(missing);
  EXPECT_FALSE(readRegularFile(L"\\\\.\\pipe\\tims-no-such-pipe", &missing));
  EXPECT_FALSE(readRegularFile(dir.path() / "none.ini", &missing));
  EXPECT_TRUE(missing);
  // (The portable profile tests, built into this program too, write through ReplaceFileW.)
  const auto guarded = dir.write("guarded.ini", "[A]\nx=1\n");
  ASSERT_TRUE(SetFileAttributesW(guarded.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(writeProfileString(guarded, "A", "y", "2"));
  EXPECT_EQ(dir.read("guarded.ini"), "[A]\nx=1\n");
  EXPECT_TRUE(GetFileAttributesW(guarded.c_str()) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW(guarded.c_str(), FILE_ATTRIBUTE_NORMAL);  // so the folder can go
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

// Calls an export of the DLL as a host declares it.
template <typename Result = void, typename... Args>
Result call(const DynamicLibrary& dll, const char* name, Args... args) {
  return reinterpret_cast<Result(TIMS_CALL*)(Args...)>(dll.symbol(name))(args...);
}

// The DLL as a host sees it: loaded from a folder whose path is longer than the old 260-character
// limit (or explained when it cannot load). The harness's runs of every scenario under Wine call
// every export with records by value and compare the frames with the Linux library's.
TEST(Win32PluginDll, LoadsFromALongPathAndFindsItsSettingsBesideItself) {
  DynamicLibrary dll;
  EXPECT_FALSE(dll.open(L"C:\\no\\such\\plugin.dll"));
  EXPECT_NE(dll.errorText().find("(error 126)"), std::string::npos) << dll.errorText();
  std::wstring self(32768, L'\0');
  self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
  const fs::path built = fs::path(self).parent_path() / TIMS_DLL_RELATIVE;
  TempDir dir;
  const fs::path top = dir.path() / std::string(150, 'v'), folder = top / std::string(150, 'w');
  fs::create_directories(folder);
  fs::copy_file(built, folder / built.filename());
  ASSERT_TRUE(dll.open(folder / built.filename())) << dll.errorText();
  EXPECT_EQ(call<int>(dll, "GetPluginVersion"), 131072);
  call(dll, "Load");
  call(dll, "SetVehicleSpec", VehicleSpec{8, -1, -1, 3, -1});
  call(dll, "Initialize", 0);
  // The default write-back lands beside the DLL: it found its own folder through the long path.
  EXPECT_TRUE(fs::exists(folder / "TIMS_Spec.ini"));
  call(dll, "Dispose");
  dll.close();
  // The C runtime's file functions stop at 260 characters; the system's take the long-path form.
  for (const fs::path& made : {folder / built.filename(), folder / "TIMS_Spec.ini", folder, top}) {
    const std::wstring longForm = L"\\\\?\\" + made.native();
    made.has_extension() ? DeleteFileW(longForm.c_str()) : RemoveDirectoryW(longForm.c_str());
  }
}

}  // namespace
}  // namespace tims::platform
