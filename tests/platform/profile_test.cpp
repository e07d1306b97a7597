// Settings files read and written as the Windows profile functions do. Each row of the read table
// is one lookup in a file of its own: the text read (fallback "NULL", 260 bytes unless the row
// says otherwise) and the integer read (fallback -1).
#include "platform/profile.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace tims::platform {
namespace {

using namespace std::string_literals;
using tims::testing::TempDir;

// "[A]\r\nk=12\r\nn=荷\r\n" and "[A]\r\nk=1\r\n" saved as UTF-16LE with their mark.
std::string utf16(const std::string& ascii, const std::string& tail = "") {
  std::string out = "\xFF\xFE";
  for (const char c : ascii) out += std::string{c, '\0'};
  return out + tail;
}

TEST(ProfileRead, FindsValuesByTheWindowsRules) {
  const std::string x300(300, 'x');
  struct Read {
    std::string file;
    const char *section, *key;
    std::string text;
    int32_t number;
    std::size_t buffer = 260;
    std::string fallback = "NULL";
  } const reads[] = {
      // Names match without case; spaces around names and values do not count.
      {"[ Disp ]\r\n  d01abnum  =   3  \r\n", "DISP", "D01ABnum", "3", 3},
      {"[D]\r\nKey\t=\tvalue text \r\n", "d", "KEY", "value text", 0},
      // The first section of a name, and the first key in it, win.
      {"[C]\nN=4\nN=6\n[c]\nN=7\nu=1\n", "C", "N", "4", 4},
      {"[C]\nN=4\n[c]\nu=1\n", "C", "u", "NULL", -1},
      // Missing sections and keys, and empty values, give the fallback.
      {"[A]\nx=1\n", "B", "x", "NULL", -1},
      {"[A]\nempty=\n", "A", "empty", "", -1},
      {"[A]\nblank=   \n", "A", "blank", "", -1},
      // A comment line is a key whose name starts with ';'.
      {"[A]\n; x=9\nk=3\n", "A", "x", "NULL", -1},
      {"[A]\n;k=1\n  ; x = 2\n", "A", "; x", "2", 2},
      {"[A]\n;k=1\nk=3\n", "A", ";k", "1", 1},
      {"[A]\n;k=1\nk=3\n", "A", "k", "3", 3},
      // Lines before the first header form the nameless section, which comes first.
      {"\xEF\xBB\xBFk=1\n[A]\nk=2\n[]\nk=3\nj=4\n", "  ", "k", "1", 1},
      {"k=1\n[A]\nk=2\n[]\nk=3\nj=4\n", "", "j", "NULL", -1},
      // A header needs its closing bracket and ends at the last one.
      {"[A\nk=1\n", "A", "k", "NULL", -1},
      {"[A\nk=1\n", "", "k", "1", 1},
      {"[[B]]\nk=2\n", "[B]", "k", "2", 2},
      {"[C]junk\nk=3\n", "C", "k", "3", 3},
      // A bare key reads as missing, and the first match decides.
      {"[A]\nbare\nbare=5\n", "A", "bare", "NULL", -1},
      // Vertical tab, form feed and the DOS end of file are white space; other controls are not.
      {"\v[A]\f\n\x1Ak\v=\f12\x1A\n", "A", "k", "12", 12},
      {"[A]\n\x1Ck=1\n", "A", "k", "NULL", -1},
      // A value ends at a NUL byte.
      {"[A]\nk=12\0"
       "34\n"s,
       "A", "k", "12", 12},
      // Strings are cut to the buffer and lose one pair of quotes, which costs a byte more.
      {"[S]\nq=\"quoted value\"\n", "S", "q", "quoted value", 0},
      {"[S]\nq=\"open\n", "S", "q", "\"open", 0},
      {"[S]\nq=" + x300, "S", "q", std::string(259, 'x'), 0},
      {"[S]\n", "S", "q", std::string(259, 'd'), -1, 260, std::string(300, 'd')},
      {"[Q]\nq=\"1234567\"\n", "Q", "q", "123456", 1234567, 8},
      {"[Q]\nq=\"1234567\"\n", "Q", "q", "1234567", 1234567, 9},
      {"[Q]\nq=\"1234567\"\n", "Q", "q", "123", 1234567, 4},
      {"[Q]\nq='7'\n", "Q", "q", "", 7, 2},
      {"[Q]\nq='7'\n", "Q", "q", "7", 7, 3},
      // The fallback loses trailing spaces and its quotes when the file exists.
      {"[A]\n", "A", "k", "  x", -1, 260, "  x  "},
      {"[A]\n", "A", "k", "q", -1, 260, "\"q\""},
      // Eight-bit values stay as they are; Unicode files hand their values over in Shift-JIS.
      {"[I]\n0=\x89\xD7\\cards\n", "I", "0", "\x89\xD7\\cards", 0},
      {"\xEF\xBB\xBF[I]\n0=\xE8\x8D\xB7\\cards\n", "I", "0", "\x89\xD7\\cards", 0},
      {"\xEF\xBB\xBF[I]\n1=\xF0\x9F\x9A\x83\n", "I", "1", "?", 0},  // no Shift-JIS form
      {utf16("[A]\r\nk=12\r\n"), "A", "k", "12", 12},
      {utf16("[A]\r\nn=", "\x77\x83\r\0\n\0"s), "A", "n", "\x89\xD7", 0},
  };
  TempDir dir;
  for (const Read& r : reads) {
    SCOPED_TRACE(r.file);
    const auto file = dir.write("a.ini", r.file);
    EXPECT_EQ(readProfileString(file, r.section, r.key, r.fallback, r.buffer), r.text);
    EXPECT_EQ(readProfileInt(file, r.section, r.key, -1), r.number);
  }
  // Without a file the fallback loses its trailing spaces but keeps its quotes.
  EXPECT_EQ(readProfileString(dir.path() / "none.ini", "A", "k", "\"q\"  ", 260), "\"q\"");
  EXPECT_EQ(readProfileInt(dir.path() / "none.ini", "A", "k", -1), -1);
}

TEST(ProfileRead, IntegersStopAtTheFirstNonDigitAndWrapLikeTheWindowsConversion) {
  // clang-format off
  const std::pair<std::string, int32_t> cases[] = {
      {"12km", 12}, {"  -7", -7}, {"+8", 8}, {"abc", 0}, {"- 5", 0}, {"0x1F", 31},
      {"0X1F", 0},  // only the lower-case prefixes choose a base
      {"0b101", 5}, {"0o17", 15}, {"-0x10", -16}, {"2147483647", INT32_MAX},
      {"2147483648", INT32_MIN}, {"4294967297", 1}, {"-2147483648", INT32_MIN},
      {std::string(29, '0') + "5", 0}};  // only the first 29 characters are read
  // clang-format on
  for (const auto& [text, value] : cases) EXPECT_EQ(parseProfileInt(text), value) << text;
}

TEST(ProfileWrite, ReplacesInPlaceOrAddsAtTheEndOfTheSectionKeepingEveryOtherByte) {
  const struct {
    const char *before, *section, *key, *value, *after;
  } writes[] = {
      {"; s\r\n[CSpd]\r\nEnableCSpd = -1 ; old\r\nOther=2\r\n\r\n[Disp]\r\nx=1\r\n", "cspd",
       "enablecspd", "1", "; s\r\n[CSpd]\r\nEnableCSpd = 1\r\nOther=2\r\n\r\n[Disp]\r\nx=1\r\n"},
      {"[CSpd]\nA=1\n\n[Disp]\nx=1", "CSpd", "B", "2", "[CSpd]\nA=1\nB=2\n\n[Disp]\nx=1"},
      {"[CSpd]\nA=1\n\n[Disp]\nx=1", "Disp", "y", "3", "[CSpd]\nA=1\n\n[Disp]\nx=1\ny=3\n"},
      {"[Other]\r\nk=v", "CSpd", "E", "1", "[Other]\r\nk=v\r\n[CSpd]\r\nE=1\r\n"},
      {"[A]\nbare\nbare=5\n", "A", "bare", "6", "[A]\nbare=6\nbare=5\n"},
      // The nameless section lies before the first header.
      {"[A]\nk=1\n", "", "top", "1", "top=1\n[A]\nk=1\n"},
      {"top=1\n[A]\nk=1\n", "", "next", "2", "top=1\nnext=2\n[A]\nk=1\n"},
  };
  TempDir dir;
  for (const auto& w : writes) {
    const auto file = dir.write("a.ini", w.before);
    ASSERT_TRUE(writeProfileString(file, w.section, w.key, w.value));
    EXPECT_EQ(dir.read("a.ini"), w.after) << w.before;
    EXPECT_EQ(readProfileString(file, w.section, w.key, "NULL", 260), w.value);
  }
  // A missing file is made with Windows line ends.
  const auto fresh = dir.path() / "new.ini";
  ASSERT_TRUE(writeProfileString(fresh, "CSpd", "EnableCSpd", "1"));
  ASSERT_TRUE(writeProfileString(fresh, "CSpd", "CSpdEnableSpd", "55"));
  EXPECT_EQ(dir.read("new.ini"), "[CSpd]\r\nEnableCSpd=1\r\nCSpdEnableSpd=55\r\n");
  // A UTF-16 file stays UTF-16.
  const auto wide = dir.write("w.ini", utf16("[A]\r\nk=1\r\n"));
  ASSERT_TRUE(writeProfileString(wide, "A", "k", "42"));
  EXPECT_EQ(dir.read("w.ini").substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(readProfileInt(wide, "A", "k", 0), 42);
  // Nothing is made when the folder is missing.
  EXPECT_FALSE(writeProfileString(dir.path() / "no" / "such" / "a.ini", "A", "k", "1"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "no"));
}

}  // namespace
}  // namespace tims::platform
