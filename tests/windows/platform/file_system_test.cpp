#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "support/temp_dir.h"

namespace tims::platform {
namespace {

namespace fs = std::filesystem;
using tims::testing::TempDir;

TEST(Win32FileSystem, AnswersNotFoundWithoutAnError) {
  TempDir dir;
  const auto file = dir.write("file", "x");
  std::error_code error;
  EXPECT_TRUE(pathExists(file, error));
  EXPECT_TRUE(pathExists(dir.path(), error));
  EXPECT_FALSE(error);
  EXPECT_FALSE(pathExists(dir.path() / "missing", error));
  EXPECT_FALSE(error);
  EXPECT_FALSE(pathExists(dir.path() / "no" / "such" / "folder", error));
  EXPECT_FALSE(error);
  EXPECT_FALSE(pathExists(dir.path() / "bad<name>", error));  // invalid name
  EXPECT_FALSE(error);
  EXPECT_FALSE(pathExists(fs::path(std::wstring(L"a\0b", 3)), error));
  EXPECT_FALSE(error);
  EXPECT_FALSE(pathExists(fs::path(), error));
  EXPECT_FALSE(error);
}

TEST(Win32FileSystem, FindsFilesWithJapaneseNames) {
  TempDir dir;
  const auto file = dir.path() / L"荷2340M.csv";
  { std::ofstream(file) << "x"; }
  std::error_code error;
  EXPECT_TRUE(pathExists(file, error));
  EXPECT_FALSE(error);
}

TEST(Win32FileSystem, ResolvesRelativeValuesAndKeepsAbsoluteOnesAsWritten) {
  std::error_code error;
  const fs::path folder = L"C:\\plug\\in\\";
  EXPECT_EQ(makeAbsolute(L"cards\\express", folder, error).native(),
            L"C:\\plug\\in\\cards\\express");
  EXPECT_EQ(makeAbsolute(L"..\\c/./d", folder, error).native(), L"C:\\plug\\c\\d");
  EXPECT_EQ(makeAbsolute(L"\\root\\c", folder, error).native(), L"C:\\root\\c");
  EXPECT_EQ(makeAbsolute(L"", folder, error).native(), L"C:\\plug\\in\\");
  EXPECT_EQ(makeAbsolute(L"D:/cards/../local", folder, error).native(), L"D:/cards/../local");
  EXPECT_EQ(makeAbsolute(L"\\\\server\\share\\x", folder, error).native(), L"\\\\server\\share\\x");
  EXPECT_FALSE(error);
}

TEST(Win32FileSystem, GivesAValueWithItsOwnDriveThatDrivesCurrentFolder) {
  std::error_code error;
  // E:cards is relative to the current folder of drive E:, whatever the plug-in folder.
  wchar_t expected[MAX_PATH] = {};
  ASSERT_GT(GetFullPathNameW(L"E:cards", MAX_PATH, expected, nullptr), 0u);
  EXPECT_EQ(makeAbsolute(L"E:cards", L"C:\\plug\\in\\", error).native(), expected);
  EXPECT_FALSE(error);
}

TEST(Win32FileSystem, HasNoLengthLimitForFullPaths) {
  std::error_code error;
  const std::wstring deep = L"C:\\" + std::wstring(400, L'd') + L"\\";
  const fs::path full = makeAbsolute(L"x\\..\\card", deep, error);
  EXPECT_FALSE(error);
  EXPECT_EQ(full.native(), deep + L"card");
}

}  // namespace
}  // namespace tims::platform
