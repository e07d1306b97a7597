// The profile rules that a differential run against the Windows functions pinned down (the
// corpus in tests/windows/profile_diff): each case here is one the first reader got wrong.
#include <gtest/gtest.h>

#include "platform/profile.h"
#include "support/temp_dir.h"

namespace tims::platform {
namespace {

using namespace std::string_literals;
using tims::testing::TempDir;

TEST(ProfileWindowsRules, CommentLinesAreKeysWhoseNamesStartWithASemicolon) {
  TempDir dir;
  const auto file = dir.write("a.ini", "[A]\n;k=1\n  ; x = 2\nk=3\n");
  EXPECT_EQ(readProfileString(file, "A", ";k", "-", 260), "1");
  EXPECT_EQ(readProfileString(file, "A", "; x", "-", 260), "2");
  EXPECT_EQ(readProfileInt(file, "A", "k", 0), 3);  // never the commented-out value
}

TEST(ProfileWindowsRules, LinesBeforeTheFirstHeaderFormTheNamelessSection) {
  TempDir dir;
  const auto file = dir.write("a.ini", "\xEF\xBB\xBFk=1\n[A]\nk=2\n[]\nk=3\nj=4\n");
  EXPECT_EQ(readProfileInt(file, "", "k", 0), 1);
  EXPECT_EQ(readProfileInt(file, "  ", "k", 0), 1);
  // Only the first section of a name is searched, and the nameless one comes first.
  EXPECT_EQ(readProfileInt(file, "", "j", 0), 0);
  EXPECT_EQ(readProfileInt(file, "A", "k", 0), 2);
}

TEST(ProfileWindowsRules, AHeaderNeedsItsClosingBracketAndEndsAtTheLastOne) {
  TempDir dir;
  const auto file = dir.write("a.ini", "[A\nk=1\n[[B]]\nk=2\n[C]junk\nk=3\n");
  EXPECT_EQ(readProfileInt(file, "A", "k", -1), -1);
  EXPECT_EQ(readProfileInt(file, "", "k", -1), 1);  // "[A" is a key of the nameless section
  EXPECT_EQ(readProfileInt(file, "[B]", "k", -1), 2);
  EXPECT_EQ(readProfileInt(file, "C", "k", -1), 3);
}

TEST(ProfileWindowsRules, ABareKeyReadsAsMissingUntilAWriteGivesItAValue) {
  TempDir dir;
  const auto file = dir.write("a.ini", "[A]\nbare\nbare=5\n");
  EXPECT_EQ(readProfileString(file, "A", "bare", "NULL", 260), "NULL");
  EXPECT_EQ(readProfileInt(file, "A", "bare", 7), 7);  // the first match decides
  ASSERT_TRUE(writeProfileString(file, "A", "bare", "6"));
  EXPECT_EQ(dir.read("a.ini"), "[A]\nbare=6\nbare=5\n");
}

TEST(ProfileWindowsRules, WhiteSpaceIncludesVerticalTabFormFeedAndDosEndOfFile) {
  TempDir dir;
  const auto file = dir.write("a.ini", "\v[A]\f\n\x1Ak\v=\f12\x1A\n");
  EXPECT_EQ(readProfileString(file, "A", "k", "-", 260), "12");
  // Other control characters are part of the name.
  const auto other = dir.write("b.ini", "[A]\n\x1Ck=1\n");
  EXPECT_EQ(readProfileInt(other, "A", "k", -1), -1);
}

TEST(ProfileWindowsRules, AValueEndsAtANulByte) {
  TempDir dir;
  const auto file = dir.write("a.ini",
                              "[A]\nk=12\0"
                              "34\n"s);
  EXPECT_EQ(readProfileString(file, "A", "k", "-", 260), "12");
  EXPECT_EQ(readProfileInt(file, "A", "k", 0), 12);
}

TEST(ProfileWindowsRules, AQuotedValueAsLongAsTheBufferLosesOneMoreByte) {
  TempDir dir;
  const auto file = dir.write("a.ini", "[Q]\nseven=\"1234567\"\none='7'\n");
  EXPECT_EQ(readProfileString(file, "Q", "seven", "", 8), "123456");
  EXPECT_EQ(readProfileString(file, "Q", "seven", "", 9), "1234567");
  EXPECT_EQ(readProfileString(file, "Q", "seven", "", 4), "123");  // cut, no closing quote seen
  EXPECT_EQ(readProfileString(file, "Q", "one", "", 2), "");
  EXPECT_EQ(readProfileString(file, "Q", "one", "", 3), "7");
}

TEST(ProfileWindowsRules, TheFallbackLosesTrailingSpacesAndItsQuotesOnlyWhenTheFileExists) {
  TempDir dir;
  const auto file = dir.write("a.ini", "[A]\n");
  EXPECT_EQ(readProfileString(file, "A", "k", "  x  ", 260), "  x");
  EXPECT_EQ(readProfileString(file, "A", "k", "\"q\"", 260), "q");
  EXPECT_EQ(readProfileString(dir.path() / "none.ini", "A", "k", "\"q\"  ", 260), "\"q\"");
}

TEST(ProfileWindowsRules, WritesToTheNamelessSectionGoBeforeTheFirstHeader) {
  TempDir dir;
  const auto file = dir.write("a.ini", "[A]\nk=1\n");
  ASSERT_TRUE(writeProfileString(file, "", "top", "1"));
  EXPECT_EQ(dir.read("a.ini"), "top=1\n[A]\nk=1\n");
  ASSERT_TRUE(writeProfileString(file, "", "next", "2"));
  EXPECT_EQ(dir.read("a.ini"), "top=1\nnext=2\n[A]\nk=1\n");
  EXPECT_EQ(readProfileInt(file, "", "next", 0), 2);
}

}  // namespace
}  // namespace tims::platform
