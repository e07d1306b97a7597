#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <string>

namespace tims::platform {
namespace {

struct Text {
  const char* shiftJis;
  const char* utf8;
};

// The prefix texts of card file names and train numbers, and the two-byte suffix texts.
constexpr Text kPrefixTexts[] = {
    {"\x89\xD7", "荷"},           {"\x8D\xAC", "混"},           {"\x89\xF1", "回"},
    {"\x8E\x8E", "試"},           {"\x8D\x48", "工"},           {"\x90\xE1", "雪"},
    {"\x8B\x7E", "救"},           {"\x94\x7A", "配"},           {"\x92\x50", "単"},
    {"\x8E\x8E\x92\x50", "試単"}, {"\x89\x84", "延"},           {"\x89\x84\x89\xD7", "延荷"},
    {"\x89\x84\x8D\xAC", "延混"}, {"\x89\x84\x89\xF1", "延回"}, {"\x89\x84\x8E\x8E", "延試"},
    {"\x89\x84\x8D\x48", "延工"}, {"\x89\x84\x94\x7A", "延配"}, {"\x89\x84\x92\x50", "延単"},
    {"\x82\xA4", "う"},           {"\x82\xA4\x89\xD7", "う荷"}, {"\x82\xA4\x89\xF1", "う回"},
    {"\x8D\x5C\x89\xF1", "構回"}, {"\x8D\x5C\x92\x50", "構単"}, {"\x8D\x5C\x89\xDD", "構貨"},
    {"\x8E\x8E\x90\xE1", "試雪"}, {"\x89\xF1\x90\xE1", "回雪"}, {"\x8D\x5C\x94\x7A", "構配"},
    {"\x93\xFC", "入"},           {"\x8F\x6F", "出"},           {"\x8D\xDD", "在"},
    {"\x93\x5D", "転"},           {"\x8C\xBB", "現"},           {"\x8C\xBB\x92\x50", "現単"},
    {"\x8C\xBB\x89\xF1", "現回"}, {"\x8C\xBB\x8E\x8E", "現試"}, {"\x8C\xBB\x94\x7A", "現配"},
    {"\x89\xFC", "改"},           {"\x89\xFC\x92\x50", "改単"}, {"\x89\xFC\x89\xF1", "改回"},
    {"\x89\xFC\x8E\x8E", "改試"}, {"\x89\xFC\x94\x7A", "改配"}, {"\x82\xA4\x92\x50", "う単"},
    {"\x8D\x5C\x8E\x8E", "構試"},
};

constexpr Text kTwoByteSuffixTexts[] = {
    {"\x8D\x62", "甲"}, {"\x89\xB3", "乙"}, {"\x95\xB8", "丙"},
    {"\x83\x66", "デ"}, {"\x93\xFC", "入"}, {"\x92\xCA", "通"},
};

TEST(ShiftJisConversion, GivesTheUnicodeFormOfEveryPrefixAndTwoByteSuffix) {
  ASSERT_EQ(std::size(kPrefixTexts), 43u);
  for (const Text& text : kPrefixTexts) EXPECT_EQ(utf8FromShiftJis(text.shiftJis), text.utf8);
  for (const Text& text : kTwoByteSuffixTexts)
    EXPECT_EQ(utf8FromShiftJis(text.shiftJis), text.utf8);
  EXPECT_EQ(utf16FromShiftJis("\x89\xD7"
                              "2340M"),
            u"荷2340M");
  EXPECT_EQ(utf16FromShiftJis("\x8C\xBB\x94\x7A"), u"現配");
}

TEST(ShiftJisConversion, NamesCardFilesInUtf8) {
  EXPECT_EQ(pathFromShiftJis("\x89\xD7"
                             "2340M.csv")
                .native(),
            "荷2340M.csv");
  // 0x5C is the path separator, not a yen sign.
  EXPECT_EQ(pathFromShiftJis("cards\\\x8D\x62").native(), "cards\\甲");
}

TEST(ShiftJisConversion, ReplacesUnreadableBytesAndKeepsGoing) {
  const std::string replacement = "\xEF\xBF\xBD";
  EXPECT_EQ(utf8FromShiftJis("\x80"
                             "A"),
            replacement + "A");
  EXPECT_EQ(utf8FromShiftJis("A\x85\x40"
                             "B"),
            "A" + replacement + "B");                         // unassigned pair
  EXPECT_EQ(utf8FromShiftJis("\x81 x"), replacement + " x");  // no trail byte after the lead
  EXPECT_EQ(utf8FromShiftJis("x\x89"), "x" + replacement);    // cut after the lead byte
  EXPECT_EQ(utf8FromShiftJis("\xFF\xFD"), replacement + replacement);
  EXPECT_EQ(utf16FromShiftJis("\xA0\xB1"), u"\uFFFD\uFF71");  // half-width katakana stays
  EXPECT_EQ(utf8FromShiftJis(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(ShiftJisConversion, HasNoLengthLimit) {
  std::string text;
  std::string expected;
  std::u16string expected16;
  for (int i = 0; i < 100000; ++i) {
    text += "\x89\xD7";
    expected += "荷";
    expected16 += u"荷";
  }
  text += "\x80";
  expected += "\xEF\xBF\xBD";
  expected16 += u"\uFFFD";
  // Compared whole: a run lost at a buffer's end would read as a replacement of equal length.
  EXPECT_TRUE(utf8FromShiftJis(text) == expected);
  EXPECT_TRUE(utf16FromShiftJis(text) == expected16);
}

}  // namespace
}  // namespace tims::platform
