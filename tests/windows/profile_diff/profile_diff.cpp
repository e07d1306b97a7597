// Differential test of the profile-file reader and writer: every question of a corpus of tricky
// files is asked of the system's profile functions and of ours, and every write is made by both;
// the answers must agree. Written files are compared by the values read back, not by their
// bytes: our writer keeps every other byte of a file, the system's may reformat it.
//   profile-diff <empty work folder>
// Exits 1 when any answer differs, 2 without a work folder.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/profile.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;  // "..."s keeps embedded NULs
using tims::platform::readProfileInt;
using tims::platform::readProfileString;
using tims::platform::writeProfileString;

// A file as it lies on disk (none: there is no file), the questions asked of it as
// "section/key|section/key...", and the writes "section/key=value|...", each made on a fresh
// copy and followed by every question again.
struct Case {
  const char* name;
  std::optional<std::string> bytes;
  std::string queries, writes;
};

// One key per rule of the integer reader: signs, white space, 0x/0o/0b, wrapping at 32 bits, the
// reader's 30-character buffer, and text that is no number.
Case numbers() {
  // clang-format off
  const char* const values[][2] = {
      {"plain", "123"}, {"negative", "-45"}, {"plus", "+67"}, {"leading", "   89"}, {"tabbed", "\t5"},
      {"hex", "0x1F"}, {"hexUpper", "0X1F"}, {"hexCaps", "0x1f2A"}, {"octal", "0o17"},
      {"binary", "0b101"}, {"negHex", " -0x10"}, {"bareHex", "0x"}, {"bareSign", "-"},
      {"plusOnly", "+"}, {"wrap32", "4294967296"}, {"wrap31", "2147483648"},
      {"below", "-2147483649"}, {"huge", "99999999999999999999"}, {"max", "2147483647"},
      {"min", "-2147483648"}, {"trailing", "12abc"}, {"letters", "abc"}, {"fraction", "1.5"},
      {"zeros", "00012"}, {"zero", "0"}, {"quoted", "\"42\""}, {"single", "'7'"}, {"empty", ""},
      {"spaced", "1 2"}, {"long", "000000000000000000000000000012345"}, {"signSpace", "- 5"},
      {"longHex", "0x0000000000000000000000000001F"}, {"doubleSign", "--5"},
      {"octalDigits", "0o19"}, {"binaryDigits", "0b1012"}, {"hexPlus", "+0x10"},
      {"leadingZeroX", "00x10"}};
  // clang-format on
  Case c{"numbers", "[N]\r\n", "N/missing", "N/plain=-7|N/added=0x10"};
  for (const auto& [key, value] : values) {
    *c.bytes += std::string(key) + "=" + value + "\r\n";
    c.queries += "|N/"s + key;
  }
  return c;
}

std::vector<Case> corpus() {
  const std::string longValue(1000, 'v');
  static constexpr char16_t kUtf16[] = u"\uFEFF[A]\r\nk=1\r\nascii=plain text\r\ne=\u00E9\r\n";
  const std::string utf16(reinterpret_cast<const char*>(kUtf16), sizeof kUtf16 - 2);  // LE
  return {
      {"case", "[Section]\r\nKey=Value\r\nOTHER=x\r\n",
       "Section/Key|SECTION/KEY|sEcTiOn/kEy|section/other|Sectio/Key|Section/Ke",
       "SECTION/key=new|section/Third=3"},
      {"spaces",
       "  [ Spaced Section ]  \r\n   key with space   =   value with space   \r\n"
       "\tTabbed\t=\tv\t\r\nk= a  b \r\n",
       "Spaced Section/key with space| Spaced Section / key with space |Spaced Section/Tabbed|"
       "Spaced Section/k|SpacedSection/k|Spaced  Section/k",
       "Spaced Section/k=  padded  |Spaced Section/ new key =v"},
      {"duplicates", "[A]\nk=1\nk=2\n[B]\nk=3\n[A]\nk=4\nj=5\n[a]\nm=6\n", "A/k|A/j|B/k|a/m|A/m",
       "A/k=first|A/j=second|a/n=new"},
      {"comments",
       "; leading comment\n[A]\n;k=1\nk=2\n  ;x=3\n#y=4\nz=5 ; trailing\n[B] ; after header\n"
       "w=6\n;[C]\nv=7\n",
       "A/k|A/;k|A/x|A/;x|A/#y|A/y|A/z|B/w|B/v|C/v", "A/z=9|B/v=8|C/v=new"},
      {"no section", "k=1\n[A]\nk=2\n[]\nj=3\n", "A/k|/k|B/k|/j| /k", "A/k=3|B/k=4|/k=5|/new=6"},
      {"header first", "[A]\nk=2\n[]\nj=3\n", "A/k|/j", "/j=5|/new=6"},
      {"utf-8 mark", "\xEF\xBB\xBF[A]\r\nk=1\r\n[B]\r\nk=\xE2\x82\xAC\r\n", "A/k|B/k",
       "A/k=2|C/n=new"},
      {"utf-8 mark, key first", "\xEF\xBB\xBFk=0\r\n[A]\r\nk=1\r\n", "A/k|/k", "A/k=2"},
      {"utf-16 mark", utf16, "A/k|A/ascii|A/missing|A/e", "A/k=2|A/added=3|New/n=4"},
      {"line ends, LF", "[A]\nk=1\nj=2\n[B]\nk=3", "A/k|A/j|B/k", "A/added=x|B/added=y|C/n=z"},
      {"line ends, CR only", "[A]\rk=1\rj=2\r[B]\rk=3\r", "A/k|A/j|B/k", "A/j=new|B/added=y"},
      {"line ends, mixed", "[A]\r\nk=1\nj=2\r\n\r\n[B]\n\nk=3\r\n", "A/k|A/j|B/k",
       "A/added=x|B/k=4"},
      {"no final line end", "[A]\r\nk=1", "A/k", "A/j=2|B/j=3"},
      {"long line", "[A]\r\nlong=" + longValue + "\r\nafter=1\r\n", "A/long|A/after",
       "A/long=" + std::string(600, 'w')},
      numbers(),
      {"empty values", "[A]\r\nempty=\r\nbare\r\nspaces=   \r\n=novalue\r\n",
       "A/empty|A/bare|A/spaces|A/", "A/empty=1|A/bare=2|A/spaces="},
      {"quotes",
       "[Q]\r\na=\"quoted\"\r\nb='single'\r\nc=\"mismatch'\r\nd=\"\"\r\ne=\"a\"b\"\r\n"
       "f=  \"  spaced  \"  \r\ng=\"\r\nh='\r\ni=\"open\r\n",
       "Q/a|Q/b|Q/c|Q/d|Q/e|Q/f|Q/g|Q/h|Q/i", "Q/a=\"x\"|Q/new='y'"},
      // Quoted values exactly as long as the buffer: the system drops one more character.
      {"quotes at the buffer's length",
       "[Q]\r\nseven=\"1234567\"\r\nsix='123456'\r\none=\"1\"\r\nint=\"" + std::string(28, '0') +
           "12\"\r\n",
       "Q/seven|Q/six|Q/one|Q/int", ""},
      {"odd headers", "[A\r\nk=1\r\n[B]junk\r\nk=2\r\n[[C]]\r\nk=3\r\n[D]]\r\nk=4\r\n[]\r\nk=5\r\n",
       "A/k|B/k|[C/k|C/k|[C]/k|D/k|D]/k|/k", "B/k=new|D]/k=x"},
      {"shift-jis", "[ICCard]\r\n0=\x89\xd7\\cards\r\n1=\x95\x5C\r\n2=\x83\x5C=x\r\n",
       "ICCard/0|ICCard/1|ICCard/2", "ICCard/3=\x95\x5C\\\x89\xd7"},
      {"equals in value", "[A]\r\nk=a=b\r\nj = = c\r\n", "A/k|A/j", "A/k=x=y"},
      {"embedded NUL", "[A]\r\nk=ab\0cd\r\nj=2\r\n"s, "A/k|A/j", ""},
      // Vertical tab, form feed and ^Z (octal 032) are white space; 034..037 and 0xA0 are not.
      {"other white space",
       "\v[A]\f\r\n\vk\f=\v1\f\r\n\032j\032=\0322\032\r\n\034fs\035=\0364\037\r\nnbsp="
       "\2403\240\r\n",
       "A/k|A/j|A/fs|A/nbsp|\vA/\vk", "A/k=5"},
      {"blank lines", "\r\n\r\n[A]\r\n\r\nk=1\r\n\r\n\r\n[B]\r\nj=2\r\n\r\n", "A/k|B/j",
       "A/added=x|B/added=y"},
      {"empty file", "", "A/k", "A/k=1"},
      {"white space only", "  \r\n\t\r\n", "A/k", "A/k=1"},
      {"missing file", std::nullopt, "A/k", "CSpd/EnableCSpd=1|A/k=v"},
      // The shape of the plug-in's own settings file after its defaults were written back.
      {"settings file",
       "[Disp]\r\nD01ABnum=1\r\nDispType=2\r\n\r\n[CSpd]\r\nEnableCSpd=1\r\nCSpdEnableSpd=55\r\n",
       "Disp/D01ABnum|Disp/DispType|CSpd/EnableCSpd|CSpd/CSpdLowNotch|Spec/PilotLampIndex",
       "CSpd/CSpdLowNotch=1|CSpd/EnableCSpd=0|Spec/PilotLampIndex=120"},
  };
}

// A file with a byte-order mark holds Unicode text, which the system hands to 8-bit callers in
// its own code page and ours in Shift-JIS: non-ASCII values read differently on this 1252 system.
// Settings values are ASCII, where both agree.
bool knownDeviation(const std::string& caseName, const std::string& question) {
  return (caseName == "utf-8 mark" && question == "B/k") ||
         (caseName == "utf-16 mark" && question == "A/e");
}

std::vector<std::string> split(const std::string& text) {
  std::vector<std::string> parts;
  for (std::size_t start = 0, bar = 0; !text.empty() && bar != std::string::npos; start = bar + 1) {
    bar = text.find('|', start);
    parts.push_back(text.substr(start, bar - start));
  }
  return parts;
}

// "section/key" as the two names the functions take.
std::pair<std::string, std::string> namesOf(const std::string& question) {
  const std::size_t slash = question.find('/');
  return {question.substr(0, slash), question.substr(slash + 1)};
}

constexpr const char* kFallback = "(fallback)";
int comparisons = 0, differences = 0, deviations = 0;

void compare(const std::string& where, const std::string& system, const std::string& ours,
             bool known) {
  ++comparisons;
  if (system == ours) return;
  ++(known ? deviations : differences);
  std::printf("%s %s\n", known ? "KNOWN" : "DIFF", where.c_str());
  for (const std::string* answer : {&system, &ours}) {
    std::printf("  %s \"", answer == &system ? "system:" : "ours:  ");
    for (const unsigned char c : answer->substr(0, 70)) {
      std::printf(c >= 0x20 && c < 0x7F && c != '\\' ? "%c" : "\\x%02X", c);
    }
    std::printf("\"%s\n", answer->size() > 70 ? "..." : "");
  }
}

std::string systemString(const fs::path& file, const std::string& question, const char* fallback,
                         DWORD size) {
  const auto [section, key] = namesOf(question);
  std::string buffer(size, '\0');
  buffer.resize(GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback, buffer.data(),
                                         size, file.string().c_str()));
  return buffer;
}

std::string ourString(const fs::path& file, const std::string& question, const char* fallback,
                      std::size_t size) {
  const auto [section, key] = namesOf(question);
  return readProfileString(file, section, key, fallback, size);
}

fs::path prepare(const Case& c, const fs::path& file) {
  if (c.bytes) std::ofstream(file, std::ios::binary).write(c.bytes->data(), c.bytes->size());
  return file;
}

// One question of both readers: strings through the plug-in's buffer, one that cuts values and
// the shortest that holds any text; the integer; a fallback whose trailing spaces the system drops.
void compareReads(const Case& c, const std::string& question, const fs::path& file) {
  const std::string where = "["s + c.name + "] " + question;
  const bool known = knownDeviation(c.name, question);
  for (const DWORD size : {260, 8, 2}) {
    compare(where + " string/" + std::to_string(size),
            systemString(file, question, kFallback, size),
            ourString(file, question, kFallback, size), known);
  }
  const auto [section, key] = namesOf(question);
  const auto systemInt = static_cast<int>(
      GetPrivateProfileIntA(section.c_str(), key.c_str(), -12345, file.string().c_str()));
  compare(where + " int", std::to_string(systemInt),
          std::to_string(readProfileInt(file, section, key, -12345)), known);
  compare(where + " spaced fallback", systemString(file, question, "  spaced fallback  ", 64),
          ourString(file, question, "  spaced fallback  ", 64), known);
}

// The same write made by each side on its own copy; then every question is answered from the
// system's copy by the system (the reference) and checked against the three other ways to read.
void compareWrite(const Case& c, const std::string& write, const std::string& stem) {
  const std::string target = write.substr(0, write.find('='));
  const std::string value = write.substr(target.size() + 1);
  const auto [section, key] = namesOf(target);
  const fs::path systemFile = prepare(c, stem + "-system.ini"),
                 ours = prepare(c, stem + "-ours.ini");
  const bool systemWrote = WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                                      systemFile.string().c_str());
  const std::string what = "["s + c.name + "] write " + write;
  compare(what, systemWrote ? "written" : "failed",
          writeProfileString(ours, section, key, value) ? "written" : "failed", false);
  for (const std::string& question : split(c.queries + "|" + target)) {
    const bool known = knownDeviation(c.name, question);
    const std::string where = what + ", then " + question;
    const std::string reference = systemString(systemFile, question, kFallback, 1024);
    compare(where + " (system reads ours)", reference,
            systemString(ours, question, kFallback, 1024), known);
    compare(where + " (we read ours)", reference, ourString(ours, question, kFallback, 1024),
            known);
    compare(where + " (we read the system's)", reference,
            ourString(systemFile, question, kFallback, 1024), known);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::error_code error;
  // The system's functions take a full path; a bare name would mean the Windows folder.
  const fs::path folder = fs::absolute(argv[1], error);
  fs::create_directories(folder, error);
  const auto cases = corpus();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const std::string stem = (folder / ("case" + std::to_string(i))).string();
    const fs::path file = prepare(cases[i], stem + ".ini");
    for (const std::string& question : split(cases[i].queries))
      compareReads(cases[i], question, file);
    const auto writes = split(cases[i].writes);
    for (std::size_t w = 0; w < writes.size(); ++w) {
      compareWrite(cases[i], writes[w], stem + "-write" + std::to_string(w));
    }
  }
  std::printf("profile-diff: %zu files, %d comparisons, %d differences, %d known deviations\n",
              cases.size(), comparisons, differences, deviations);
  return differences == 0 ? 0 : 1;
}
