#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/file_system.h"
#include "platform/windows_paths.h"
#include "support/temp_dir.h"

namespace tims::platform {
namespace {

namespace fs = std::filesystem;
using tims::testing::TempDir;

TEST(WindowsPaths, AreAbsoluteWithADriveAndSeparatorOrAUncOrDeviceRoot) {
  for (const char* path : {"E:\\cards", "e:/cards", "\\\\server\\share", "//server/share",
                           "\\\\?\\C:\\x", "\\\\.\\pipe\\x"}) {
    EXPECT_TRUE(isWindowsAbsolute(path)) << path;
  }
  for (const char* path : {"E:cards", "E:", "\\cards", "/cards", "cards", "", "1:\\x", "\\\\"}) {
    EXPECT_FALSE(isWindowsAbsolute(path)) << path;
  }
}

TEST(WindowsPaths, JoinByTheWindowsRules) {
  struct Case {
    const char* base;
    const char* relative;
    const char* joined;
  };
  const Case cases[] = {
      {"C:\\p\\", "cards", "C:\\p\\cards"},
      {"C:\\p", "cards\\x", "C:\\p\\cards\\x"},
      {"C:\\p\\", "\\x", "C:\\x"},     // a leading separator keeps only the drive
      {"C:\\p\\", "E:x", "E:x"},       // another drive replaces the base
      {"C:\\p\\", "c:x", "C:\\p\\x"},  // the same drive, in either case, is appended
      {"C:\\p\\", "D:\\x", "D:\\x"},   // absolute
      {"C:", "x", "C:x"},
      {"\\\\srv\\share", "x", "\\\\srv\\share\\x"},
      {"\\\\srv\\share\\p\\", "\\x", "\\\\srv\\share\\x"},
      {"/plug/in/", "\\x", "\\x"},
      {"/plug/in/", "", "/plug/in/"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(joinWindowsPaths(c.base, c.relative), c.joined) << c.base << " + " << c.relative;
  }
}

TEST(WindowsPaths, NormaliseDotsAndSeparatorsByTheTextAlone) {
  EXPECT_EQ(normaliseWindowsPath("C:\\p\\.\\a\\..\\b\\", '\\'), "C:\\p\\b\\");
  EXPECT_EQ(normaliseWindowsPath("C:/p/a/..", '\\'), "C:\\p");
  EXPECT_EQ(normaliseWindowsPath("C:\\..\\..\\x", '\\'), "C:\\x");
  EXPECT_EQ(normaliseWindowsPath("\\\\srv\\share\\..\\x", '\\'), "\\\\srv\\share\\x");
  EXPECT_EQ(normaliseWindowsPath("/p//a\\.\\b", '/'), "/p/a/b");
  EXPECT_EQ(normaliseWindowsPath("a\\..\\..\\b", '/'), "../b");
  EXPECT_EQ(normaliseWindowsPath("/..", '/'), "/");
}

TEST(MakeAbsolute, JoinsRelativeValuesToTheFolderAndKeepsAbsoluteOnesAsWritten) {
  std::error_code error;
  const fs::path folder = "/plug/in/";
  EXPECT_EQ(makeAbsolute("cards\\express", folder, error), "/plug/in/cards/express");
  EXPECT_EQ(makeAbsolute("..\\c\\.", folder, error), "/plug/c");
  EXPECT_EQ(makeAbsolute("\\root\\c", folder, error), "/root/c");
  EXPECT_EQ(makeAbsolute("", folder, error), "/plug/in/");
  EXPECT_EQ(makeAbsolute("/abs\\x/../y", folder, error), "/abs/x/../y");
  EXPECT_EQ(makeAbsolute("D:\\cards\\..\\local", folder, error), "D:/cards/../local");
  EXPECT_EQ(makeAbsolute("\\\\server\\share", folder, error), "//server/share");
  EXPECT_FALSE(error);
  EXPECT_EQ(makeAbsolute("E:cards", folder, error), fs::current_path() / "E:cards");
  EXPECT_EQ(makeAbsolute("a\\b", "rel/", error), fs::current_path() / "rel/a/b");
  EXPECT_FALSE(error);
}

TEST(PathExists, AnswersNotFoundWithoutAnErrorAndOtherFailuresWithOne) {
  TempDir dir;
  const auto file = dir.write("file", "x");
  fs::create_symlink("file", dir.path() / "link");
  fs::create_symlink("nothing", dir.path() / "dangling");
  fs::create_symlink("loop", dir.path() / "loop");
  std::error_code error;
  EXPECT_TRUE(pathExists(file, error));
  EXPECT_TRUE(pathExists(dir.path(), error));
  EXPECT_TRUE(pathExists(dir.path() / "link", error));
  EXPECT_FALSE(pathExists(dir.path() / "dangling", error));
  EXPECT_FALSE(error);
  EXPECT_FALSE(pathExists(dir.path() / "missing", error));
  EXPECT_FALSE(error);
  EXPECT_FALSE(pathExists(file / "child", error));  // a file on the way
  EXPECT_FALSE(error);
  EXPECT_FALSE(pathExists(dir.path() / std::string(300, 'n'), error));
  EXPECT_FALSE(error);
  EXPECT_FALSE(pathExists(fs::path(std::string("a\0b", 3)), error));
  EXPECT_FALSE(error);
  EXPECT_FALSE(pathExists(dir.path() / "loop", error));
  EXPECT_EQ(error.value(), ELOOP);
  EXPECT_TRUE(pathExists(file, error));
  EXPECT_FALSE(error);  // cleared by the next answer
}

}  // namespace
}  // namespace tims::platform
