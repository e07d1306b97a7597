#include "corpus.h"

#include <string_view>

namespace profile_diff {
namespace {

using namespace std::string_literals;  // "..."s keeps embedded NULs

std::string utf16le(std::u16string_view text) {
  std::string out = "\xFF\xFE";
  for (const char16_t unit : text) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
  return out;
}

std::vector<Query> keysOf(std::string_view section, std::initializer_list<const char*> keys) {
  std::vector<Query> queries;
  for (const char* key : keys) queries.push_back({std::string(section), key});
  return queries;
}

// The number file: one key per conversion rule of the integer reader.
Case numbers() {
  Case c;
  c.name = "numbers";
  c.bytes =
      "[N]\r\n"
      "plain=123\r\nnegative=-45\r\nplus=+67\r\nleading=   89\r\ntabbed=\t5\r\n"
      "hex=0x1F\r\nhexUpper=0X1F\r\nhexCaps=0x1f2A\r\noctal=0o17\r\nbinary=0b101\r\n"
      "negHex= -0x10\r\nbareHex=0x\r\nbareSign=-\r\nplusOnly=+\r\n"
      "wrap32=4294967296\r\nwrap31=2147483648\r\nbelow=-2147483649\r\n"
      "huge=99999999999999999999\r\nmax=2147483647\r\nmin=-2147483648\r\n"
      "trailing=12abc\r\nletters=abc\r\nfraction=1.5\r\nzeros=00012\r\nzero=0\r\n"
      "quoted=\"42\"\r\nsingle='7'\r\nempty=\r\nspaced=1 "
      "2\r\nlong=000000000000000000000000000012345\r\n"
      "longHex=0x0000000000000000000000000001F\r\nsignSpace=- 5\r\ndoubleSign=--5\r\n"
      "octalDigits=0o19\r\nbinaryDigits=0b1012\r\nhexPlus=+0x10\r\nleadingZeroX=00x10\r\n";
  c.queries = keysOf(
      "N", {"plain",        "negative",  "plus",       "leading",     "tabbed",       "hex",
            "hexUpper",     "hexCaps",   "octal",      "binary",      "negHex",       "bareHex",
            "bareSign",     "plusOnly",  "wrap32",     "wrap31",      "below",        "huge",
            "max",          "min",       "trailing",   "letters",     "fraction",     "zeros",
            "zero",         "quoted",    "single",     "empty",       "spaced",       "long",
            "longHex",      "signSpace", "doubleSign", "octalDigits", "binaryDigits", "hexPlus",
            "leadingZeroX", "missing"});
  c.writes = {{"N", "plain", "-7"}, {"N", "added", "0x10"}};
  return c;
}

}  // namespace

std::vector<Case> corpus() {
  std::vector<Case> cases;

  cases.push_back({"case",
                   "[Section]\r\nKey=Value\r\nOTHER=x\r\n",
                   true,
                   {{"Section", "Key"},
                    {"SECTION", "KEY"},
                    {"sEcTiOn", "kEy"},
                    {"section", "other"},
                    {"Sectio", "Key"},
                    {"Section", "Ke"}},
                   {{"SECTION", "key", "new"}, {"section", "Third", "3"}}});

  cases.push_back({"spaces",
                   "  [ Spaced Section ]  \r\n   key with space   =   value with space   \r\n"
                   "\tTabbed\t=\tv\t\r\nk= a  b \r\n",
                   true,
                   {{"Spaced Section", "key with space"},
                    {" Spaced Section ", " key with space "},
                    {"Spaced Section", "Tabbed"},
                    {"Spaced Section", "k"},
                    {"SpacedSection", "k"},
                    {"Spaced  Section", "k"}},
                   {{"Spaced Section", "k", "  padded  "}, {"Spaced Section", " new key ", "v"}}});

  cases.push_back({"duplicates",
                   "[A]\nk=1\nk=2\n[B]\nk=3\n[A]\nk=4\nj=5\n[a]\nm=6\n",
                   true,
                   {{"A", "k"}, {"A", "j"}, {"B", "k"}, {"a", "m"}, {"A", "m"}},
                   {{"A", "k", "first"}, {"A", "j", "second"}, {"a", "n", "new"}}});

  cases.push_back({"comments",
                   "; leading comment\n[A]\n;k=1\nk=2\n  ;x=3\n#y=4\nz=5 ; trailing\n"
                   "[B] ; after header\nw=6\n;[C]\nv=7\n",
                   true,
                   {{"A", "k"},
                    {"A", ";k"},
                    {"A", "x"},
                    {"A", ";x"},
                    {"A", "#y"},
                    {"A", "y"},
                    {"A", "z"},
                    {"B", "w"},
                    {"B", "v"},
                    {"C", "v"}},
                   {{"A", "z", "9"}, {"B", "v", "8"}, {"C", "v", "new"}}});

  cases.push_back({"no section",
                   "k=1\n[A]\nk=2\n[]\nj=3\n",
                   true,
                   {{"A", "k"}, {"", "k"}, {"B", "k"}, {"", "j"}, {" ", "k"}},
                   {{"A", "k", "3"}, {"B", "k", "4"}, {"", "k", "5"}, {"", "new", "6"}}});

  cases.push_back({"header first",
                   "[A]\nk=2\n[]\nj=3\n",
                   true,
                   {{"A", "k"}, {"", "j"}},
                   {{"", "j", "5"}, {"", "new", "6"}}});

  cases.push_back({"utf-8 mark",
                   "\xEF\xBB\xBF[A]\r\nk=1\r\n[B]\r\nk=\xE2\x82\xAC\r\n",
                   true,
                   {{"A", "k"}, {"B", "k"}},
                   {{"A", "k", "2"}, {"C", "n", "new"}}});

  cases.push_back({"utf-8 mark, key first",
                   "\xEF\xBB\xBFk=0\r\n[A]\r\nk=1\r\n",
                   true,
                   {{"A", "k"}, {"", "k"}},
                   {{"A", "k", "2"}}});

  cases.push_back({"utf-16 mark",
                   utf16le(u"[A]\r\nk=1\r\nascii=plain text\r\ne=\u00E9\r\n"),
                   true,
                   {{"A", "k"}, {"A", "ascii"}, {"A", "missing"}, {"A", "e"}},
                   {{"A", "k", "2"}, {"A", "added", "3"}, {"New", "n", "4"}}});

  cases.push_back({"line ends, LF",
                   "[A]\nk=1\nj=2\n[B]\nk=3",
                   true,
                   {{"A", "k"}, {"A", "j"}, {"B", "k"}},
                   {{"A", "added", "x"}, {"B", "added", "y"}, {"C", "n", "z"}}});

  cases.push_back({"line ends, CR only",
                   "[A]\rk=1\rj=2\r[B]\rk=3\r",
                   true,
                   {{"A", "k"}, {"A", "j"}, {"B", "k"}},
                   {{"A", "j", "new"}, {"B", "added", "y"}}});

  cases.push_back({"line ends, mixed",
                   "[A]\r\nk=1\nj=2\r\n\r\n[B]\n\nk=3\r\n",
                   true,
                   {{"A", "k"}, {"A", "j"}, {"B", "k"}},
                   {{"A", "added", "x"}, {"B", "k", "4"}}});

  cases.push_back(
      {"no final line end", "[A]\r\nk=1", true, {{"A", "k"}}, {{"A", "j", "2"}, {"B", "j", "3"}}});

  const std::string longValue(1000, 'v');
  cases.push_back({"long line",
                   "[A]\r\nlong=" + longValue + "\r\nafter=1\r\n",
                   true,
                   {{"A", "long"}, {"A", "after"}},
                   {{"A", "long", std::string(600, 'w')}}});

  cases.push_back(numbers());

  cases.push_back({"empty values",
                   "[A]\r\nempty=\r\nbare\r\nspaces=   \r\n=novalue\r\n",
                   true,
                   {{"A", "empty"}, {"A", "bare"}, {"A", "spaces"}, {"A", ""}},
                   {{"A", "empty", "1"}, {"A", "bare", "2"}, {"A", "spaces", ""}}});

  cases.push_back({"quotes",
                   "[Q]\r\na=\"quoted\"\r\nb='single'\r\nc=\"mismatch'\r\nd=\"\"\r\n"
                   "e=\"a\"b\"\r\nf=  \"  spaced  \"  \r\ng=\"\r\nh='\r\ni=\"open\r\n",
                   true,
                   {{"Q", "a"},
                    {"Q", "b"},
                    {"Q", "c"},
                    {"Q", "d"},
                    {"Q", "e"},
                    {"Q", "f"},
                    {"Q", "g"},
                    {"Q", "h"},
                    {"Q", "i"}},
                   {{"Q", "a", "\"x\""}, {"Q", "new", "'y'"}}});

  cases.push_back({"odd headers",
                   "[A\r\nk=1\r\n[B]junk\r\nk=2\r\n[[C]]\r\nk=3\r\n[D]]\r\nk=4\r\n[]\r\nk=5\r\n",
                   true,
                   {{"A", "k"},
                    {"B", "k"},
                    {"[C", "k"},
                    {"C", "k"},
                    {"[C]", "k"},
                    {"D", "k"},
                    {"D]", "k"},
                    {"", "k"}},
                   {{"B", "k", "new"}, {"D]", "k", "x"}}});

  cases.push_back({"shift-jis",
                   "[ICCard]\r\n0=\x89\xd7\\cards\r\n1=\x95\x5C\r\n2=\x83\x5C=x\r\n",
                   true,
                   {{"ICCard", "0"}, {"ICCard", "1"}, {"ICCard", "2"}},
                   {{"ICCard", "3", "\x95\x5C\\\x89\xd7"}}});

  cases.push_back({"equals in value",
                   "[A]\r\nk=a=b\r\nj = = c\r\n",
                   true,
                   {{"A", "k"}, {"A", "j"}},
                   {{"A", "k", "x=y"}}});

  cases.push_back(
      {"embedded NUL", "[A]\r\nk=ab\0cd\r\nj=2\r\n"s, true, {{"A", "k"}, {"A", "j"}}, {}});

  cases.push_back({"other white space",
                   "\v[A]\f\r\n\vk\f=\v1\f\r\n\x1Aj\x1A=\x1A"
                   "2\x1A\r\n\x1C" "fs\x1D=\x1E" "4\x1F\r\nnbsp=\xA0"
                   "3\xA0\r\n",
                   true,
                   {{"A", "k"}, {"A", "j"}, {"A", "fs"}, {"A", "nbsp"}, {"\vA", "\vk"}},
                   {{"A", "k", "5"}}});

  // Quoted values exactly as long as the buffer: the system drops one more character.
  cases.push_back({"quotes at the buffer's length",
                   "[Q]\r\nseven=\"1234567\"\r\nsix='123456'\r\none=\"1\"\r\n"
                   "int=\"" +
                       std::string(28, '0') + "12\"\r\n",
                   true,
                   {{"Q", "seven"}, {"Q", "six"}, {"Q", "one"}, {"Q", "int"}},
                   {}});

  cases.push_back({"blank lines",
                   "\r\n\r\n[A]\r\n\r\nk=1\r\n\r\n\r\n[B]\r\nj=2\r\n\r\n",
                   true,
                   {{"A", "k"}, {"B", "j"}},
                   {{"A", "added", "x"}, {"B", "added", "y"}}});

  cases.push_back({"empty file", "", true, {{"A", "k"}}, {{"A", "k", "1"}}});

  cases.push_back({"white space only", "  \r\n\t\r\n", true, {{"A", "k"}}, {{"A", "k", "1"}}});

  cases.push_back(
      {"missing file", "", false, {{"A", "k"}}, {{"CSpd", "EnableCSpd", "1"}, {"A", "k", "v"}}});

  // The shape of the plug-in's own settings file after its defaults were written back.
  cases.push_back({"settings file",
                   "[Disp]\r\nD01ABnum=1\r\nDispType=2\r\n\r\n[CSpd]\r\nEnableCSpd=1\r\n"
                   "CSpdEnableSpd=55\r\n",
                   true,
                   {{"Disp", "D01ABnum"},
                    {"Disp", "DispType"},
                    {"CSpd", "EnableCSpd"},
                    {"CSpd", "CSpdLowNotch"},
                    {"Spec", "PilotLampIndex"}},
                   {{"CSpd", "CSpdLowNotch", "1"},
                    {"CSpd", "EnableCSpd", "0"},
                    {"Spec", "PilotLampIndex", "120"}}});

  return cases;
}

const char* knownDeviation(const std::string& caseName, const Query& query) {
  // A file with a byte-order mark holds Unicode text; the system hands its values to 8-bit
  // callers in the system's own code page, so the same file reads differently from one system
  // to the next. Ours keeps UTF-8 as UTF-8 and turns UTF-16 into UTF-8: ASCII values, the only
  // ones the settings hold, read the same either way.
  constexpr const char* kUnicodeFile =
      "non-ASCII text of a file with a byte-order mark: the system converts it to its code page";
  if (caseName == "utf-8 mark" && query.section == "B" && query.key == "k") return kUnicodeFile;
  if (caseName == "utf-16 mark" && query.section == "A" && query.key == "e") return kUnicodeFile;
  return nullptr;
}

}  // namespace profile_diff
