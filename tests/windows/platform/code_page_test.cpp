#include "platform/code_page.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace tims::platform {
namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

// Cards with prefix characters must load on any Windows, not only on a Japanese one.
TEST(Win32CodePage, ConvertsShiftJisOnANonJapaneseSystem) {
  ASSERT_NE(GetACP(), 932u) << "run this test with a non-Japanese system code page";
  EXPECT_EQ(utf8FromShiftJis("\x89\xD7"
                             "2340M"),
            "荷2340M");
  EXPECT_EQ(utf8FromShiftJis("\x8C\xBB\x94\x7A"), "現配");
  EXPECT_EQ(utf8FromShiftJis("\x8D\x62\x89\xB3\x95\xB8"), "甲乙丙");
  EXPECT_EQ(utf16FromShiftJis("\x82\xA4\x92\x50"), u"う単");
  EXPECT_EQ(utf16FromShiftJis("\xB1\xB2"), u"\uFF71\uFF72");  // half-width katakana
  EXPECT_EQ(utf8FromShiftJis(""), "");
}

TEST(Win32CodePage, MakesWideFileNamesAndKeepsTheSeparator) {
  EXPECT_EQ(pathFromShiftJis("\x89\xD7"
                             "2340M.csv")
                .native(),
            L"荷2340M.csv");
  // 0x5C is a separator, also as the second byte of a pair it is not: "構" is 0x8D 0x5C.
  EXPECT_EQ(pathFromShiftJis("cards\\\x8D\x5C\x89\xF1").native(), L"cards\\構回");
}

TEST(Win32CodePage, ReplacesOnlyTheUnreadableBytesLikeTheOtherPlatforms) {
  EXPECT_EQ(utf8FromShiftJis("A\x85\x40"
                             "B"),
            "A" + kReplacement + "B");                         // unassigned pair: one character
  EXPECT_EQ(utf8FromShiftJis("\x81 x"), kReplacement + " x");  // lead byte without its pair
  EXPECT_EQ(utf8FromShiftJis("x\x89"), "x" + kReplacement);    // cut after the lead byte
  EXPECT_EQ(utf8FromShiftJis("\x89\xD7\x85\x40\x89\xD7"), "荷" + kReplacement + "荷");
  EXPECT_EQ(utf8FromShiftJis("\x81\x89"), "♂");  // a pair, not a bad byte and a lead byte
  EXPECT_EQ(utf8FromShiftJis(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Win32CodePage, HasNoLengthLimit) {
  std::string text;
  for (int i = 0; i < 50000; ++i) text += "\x89\xD7";
  const std::u16string wide = utf16FromShiftJis(text + "\x81");
  ASSERT_EQ(wide.size(), 50001u);
  EXPECT_EQ(wide.front(), u'荷');
  EXPECT_EQ(wide.back(), u'\uFFFD');
}

}  // namespace
}  // namespace tims::platform
