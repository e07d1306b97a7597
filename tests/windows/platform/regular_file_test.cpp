// Settings and card files on Windows: only files on disk are read, and the write-back respects
// the read-only attribute.
#include "platform/regular_file.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/profile.h"
#include "support/temp_dir.h"

namespace tims::platform {
namespace {

TEST(Win32RegularFile, ReadsOnlyFilesOnDiskAndLeavesAReadOnlyFileAlone) {
  tims::testing::TempDir dir;
  bool missing = false;
  std::filesystem::create_directory(dir.path() / "folder.ini");
  EXPECT_FALSE(readRegularFile(dir.path() / "folder.ini", &missing));
  EXPECT_FALSE(missing);
  EXPECT_FALSE(readRegularFile(L"\\\\.\\pipe\\tims-no-such-pipe", &missing));
  EXPECT_FALSE(readRegularFile(dir.path() / "none.ini", &missing));
  EXPECT_TRUE(missing);

  const auto guarded = dir.write("guarded.ini", "[A]\nx=1\n");
  const auto plain = dir.write("plain.ini", "[A]\nx=1\n");
  ASSERT_TRUE(SetFileAttributesW(guarded.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(writeProfileString(guarded, "A", "y", "2"));
  EXPECT_TRUE(writeProfileString(plain, "A", "y", "2"));  // through ReplaceFileW
  EXPECT_EQ(dir.read("guarded.ini"), "[A]\nx=1\n");
  EXPECT_EQ(dir.read("plain.ini"), "[A]\nx=1\ny=2\n");
  EXPECT_TRUE(GetFileAttributesW(guarded.c_str()) & FILE_ATTRIBUTE_READONLY);
  SetFileAttributesW(guarded.c_str(), FILE_ATTRIBUTE_NORMAL);  // so the folder can go
}

}  // namespace
}  // namespace tims::platform
