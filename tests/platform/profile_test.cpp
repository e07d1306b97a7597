#include <gtest/gtest.h>

#include "platform/profile.h"
#include "support/temp_dir.h"

namespace tims::platform {
namespace {

using tims::testing::TempDir;

TEST(ProfileRead, MatchesNamesWithoutCaseAndIgnoresSpacesAroundNamesAndValues) {
  TempDir dir;
  const auto file = dir.write("a.ini", "[ Disp ]\r\n  d01abnum  =   3  \r\nKey\t=\tvalue text \r\n");
  EXPECT_EQ(readProfileInt(file, "DISP", "D01ABnum", 5), 3);
  EXPECT_EQ(readProfileString(file, "disp", "KEY", "x", 260), "value text");
}

TEST(ProfileRead, FirstMatchingSectionAndFirstMatchingKeyWin) {
  TempDir dir;
  const auto file = dir.write("a.ini",
                              "[CSpd]\nCSpdNotch=4\nCSpdNotch=6\n[cspd]\nCSpdNotch=7\nuseCSpd=1\n");
  EXPECT_EQ(readProfileInt(file, "CSpd", "CSpdNotch", 5), 4);
  // Only the first section of that name is searched.
  EXPECT_EQ(readProfileInt(file, "CSpd", "useCSpd", 0), 0);
}

TEST(ProfileRead, MissingFileSectionOrKeyAndEmptyValuesGiveTheDefault) {
  TempDir dir;
  const auto file = dir.write("a.ini", "[A]\nempty=\nblank=   \n; x=9\n");
  EXPECT_EQ(readProfileInt(dir.path() / "none.ini", "A", "x", -1), -1);
  EXPECT_EQ(readProfileInt(file, "B", "x", 17), 17);
  EXPECT_EQ(readProfileInt(file, "A", "x", 17), 17);  // a comment is no key
  EXPECT_EQ(readProfileInt(file, "A", "empty", 17), 17);
  EXPECT_EQ(readProfileInt(file, "A", "blank", 17), 17);
  EXPECT_EQ(readProfileString(file, "A", "empty", "NULL", 260), "");
  EXPECT_EQ(readProfileString(file, "A", "missing", "NULL", 260), "NULL");
}

TEST(ProfileRead, IntegersStopAtTheFirstNonDigitAndWrapLikeTheWindowsConversion) {
  EXPECT_EQ(parseProfileInt("12km"), 12);
  EXPECT_EQ(parseProfileInt("  -7"), -7);
  EXPECT_EQ(parseProfileInt("+8"), 8);
  EXPECT_EQ(parseProfileInt("abc"), 0);
  EXPECT_EQ(parseProfileInt("- 5"), 0);
  EXPECT_EQ(parseProfileInt("0x1F"), 31);
  EXPECT_EQ(parseProfileInt("0X1F"), 0);  // only the lower-case prefixes choose a base
  EXPECT_EQ(parseProfileInt("0b101"), 5);
  EXPECT_EQ(parseProfileInt("0o17"), 15);
  EXPECT_EQ(parseProfileInt("-0x10"), -16);
  EXPECT_EQ(parseProfileInt("2147483647"), 2147483647);
  EXPECT_EQ(parseProfileInt("2147483648"), INT32_MIN);
  EXPECT_EQ(parseProfileInt("4294967297"), 1);
  EXPECT_EQ(parseProfileInt("-2147483648"), INT32_MIN);
  // Only the first 29 characters are read.
  EXPECT_EQ(parseProfileInt(std::string(29, '0') + "5"), 0);
}

TEST(ProfileRead, StringsAreCutToTheBufferAndLoseOnePairOfQuotes) {
  TempDir dir;
  const auto file =
      dir.write("a.ini", "[S]\nq=\"quoted value\"\nmixed=\"open\nlong=" + std::string(300, 'x'));
  EXPECT_EQ(readProfileString(file, "S", "q", "", 260), "quoted value");
  EXPECT_EQ(readProfileString(file, "S", "mixed", "", 260), "\"open");
  EXPECT_EQ(readProfileString(file, "S", "long", "", 260), std::string(259, 'x'));
  EXPECT_EQ(readProfileString(file, "S", "none", std::string(300, 'd'), 260), std::string(259, 'd'));
}

TEST(ProfileRead, KeepsEightBitValuesAndReadsUnicodeFilesAsShiftJis) {
  TempDir dir;
  const auto plain = dir.write("plain.ini", "[ICCard]\n0=\x89\xD7\\cards\n");
  EXPECT_EQ(readProfileString(plain, "ICCard", "0", "NULL", 260), "\x89\xD7\\cards");
  // 荷 (U+8377) saved as UTF-8 with its mark reads as its Shift-JIS bytes 89 D7.
  const auto utf8 = dir.write("u8.ini", "\xEF\xBB\xBF[ICCard]\n0=\xE8\x8D\xB7\\cards\n1=\xF0\x9F\x9A\x83\n");
  EXPECT_EQ(readProfileString(utf8, "ICCard", "0", "NULL", 260), "\x89\xD7\\cards");
  EXPECT_EQ(readProfileString(utf8, "ICCard", "1", "NULL", 260), "?");  // no Shift-JIS form
  // The same as UTF-16LE with its mark: "[A]\r\nk=12\r\nn=荷\r\n".
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("[A]\r\nk=12\r\nn=")) {
    utf16 += c;
    utf16 += '\0';
  }
  utf16 += "\x77\x83\r\0\n\0";
  const auto wide = dir.write("u16.ini", utf16);
  EXPECT_EQ(readProfileInt(wide, "A", "k", 0), 12);
  EXPECT_EQ(readProfileString(wide, "A", "n", "", 260), "\x89\xD7");
}

TEST(ProfileWrite, ReplacesAValueInPlaceAndKeepsEveryOtherByte) {
  TempDir dir;
  const std::string before =
      "; settings\r\n[CSpd]\r\nEnableCSpd = -1 ; old\r\nOther=2\r\n\r\n[Disp]\r\nx=1\r\n";
  const auto file = dir.write("a.ini", before);
  ASSERT_TRUE(writeProfileString(file, "cspd", "enablecspd", "1"));
  EXPECT_EQ(dir.read("a.ini"),
            "; settings\r\n[CSpd]\r\nEnableCSpd = 1\r\nOther=2\r\n\r\n[Disp]\r\nx=1\r\n");
}

TEST(ProfileWrite, AddsAMissingKeyAtTheEndOfItsSectionWithTheFilesLineEnds) {
  TempDir dir;
  const auto file = dir.write("a.ini", "[CSpd]\nA=1\n\n[Disp]\nx=1");
  ASSERT_TRUE(writeProfileString(file, "CSpd", "B", "2"));
  ASSERT_TRUE(writeProfileString(file, "Disp", "y", "3"));
  EXPECT_EQ(dir.read("a.ini"), "[CSpd]\nA=1\nB=2\n\n[Disp]\nx=1\ny=3\n");
}

TEST(ProfileWrite, CreatesAMissingSectionOrFile) {
  TempDir dir;
  const auto file = dir.write("a.ini", "[Other]\r\nk=v");
  ASSERT_TRUE(writeProfileString(file, "CSpd", "EnableCSpd", "1"));
  EXPECT_EQ(dir.read("a.ini"), "[Other]\r\nk=v\r\n[CSpd]\r\nEnableCSpd=1\r\n");

  const auto fresh = dir.path() / "new.ini";
  ASSERT_TRUE(writeProfileString(fresh, "CSpd", "EnableCSpd", "1"));
  ASSERT_TRUE(writeProfileString(fresh, "CSpd", "CSpdEnableSpd", "55"));
  EXPECT_EQ(dir.read("new.ini"), "[CSpd]\r\nEnableCSpd=1\r\nCSpdEnableSpd=55\r\n");
}

TEST(ProfileWrite, KeepsAUtf16FileUtf16) {
  TempDir dir;
  std::string utf16 = "\xFF\xFE";
  for (char c : std::string("[A]\r\nk=1\r\n")) {
    utf16 += c;
    utf16 += '\0';
  }
  const auto file = dir.write("w.ini", utf16);
  ASSERT_TRUE(writeProfileString(file, "A", "k", "42"));
  const std::string bytes = dir.read("w.ini");
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(readProfileInt(file, "A", "k", 0), 42);
}

TEST(ProfileWrite, FailsWithoutTouchingAnythingWhenTheFolderIsMissing) {
  TempDir dir;
  EXPECT_FALSE(writeProfileString(dir.path() / "no" / "such" / "a.ini", "A", "k", "1"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "no"));
}

}  // namespace
}  // namespace tims::platform
