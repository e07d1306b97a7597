// Differential test of the profile reader and writer: every question of a corpus of awkward files
// is asked of the system's profile functions and of ours, and every write is made by both. Written
// files are compared by the values read back, not by bytes: our writer keeps every other byte of
// a file, the system's rewrites its layout.
//   profile-diff <work folder>    exits 1 when any answer differs, 2 without a folder
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/profile.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;  // "..."s keeps embedded NULs

// A file as it lies on disk (none: there is no file), its questions "section/key|...", its writes
// "section/key=value|..." (each made on a fresh copy, then every question asked again), and the
// question whose answer differs on purpose, if any.
struct Case {
  const char* name;
  std::optional<std::string> bytes;
  std::string queries, writes, known = "";
};

std::vector<std::string> split(const std::string& text) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, '|');) parts.push_back(part);
  return parts;
}

// "section/key" or "section/key=value" cut at the first `at`.
std::pair<std::string, std::string> cut(const std::string& text, char at) {
  const std::size_t i = text.find(at);
  return {text.substr(0, i), text.substr(i + 1)};
}

// One key per rule of the integer reader: signs, white space, 0x/0o/0b, wrapping at 32 bits, the
// reader's 30-character buffer, and text that is no number.
Case numbers() {
  Case c{"numbers", "[N]\r\n", "N/missing", "N/plain=-7|N/added=0x10"};
  for (const std::string& line :
       split("plain=123|negative=-45|plus=+67|leading=   89|tabbed=\t5|hex=0x1F|hexUpper=0X1F|"
             "hexCaps=0x1f2A|octal=0o17|binary=0b101|negHex= -0x10|bareHex=0x|bareSign=-|"
             "plusOnly=+|wrap32=4294967296|wrap31=2147483648|below=-2147483649|"
             "huge=99999999999999999999|max=2147483647|min=-2147483648|trailing=12abc|letters=abc|"
             "fraction=1.5|zeros=00012|zero=0|quoted=\"42\"|single='7'|empty=|spaced=1 2|"
             "long=000000000000000000000000000012345|signSpace=- 5|"
             "longHex=0x0000000000000000000000000001F|doubleSign=--5|octalDigits=0o19|"
             "binaryDigits=0b1012|hexPlus=+0x10|leadingZeroX=00x10")) {
    *c.bytes += line + "\r\n";
    c.queries += "|N/" + line.substr(0, line.find('='));
  }
  return c;
}

// A file with a byte-order mark holds Unicode text, which the system hands to 8-bit callers in
// its own code page and ours in Shift-JIS: non-ASCII values read differently on this 1252 system
// (the known deviations). Settings values are ASCII, where both agree.
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
       "A/k=2|C/n=new", "B/k"},
      {"utf-8 mark, key first", "\xEF\xBB\xBFk=0\r\n[A]\r\nk=1\r\n", "A/k|/k", "A/k=2"},
      {"utf-16 mark", utf16, "A/k|A/ascii|A/missing|A/e", "A/k=2|A/added=3|New/n=4", "A/e"},
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

// The system's answer and ours to "section/key" in `file`: the string through a buffer of `size`
// characters, or with size 0 the integer.
std::pair<std::string, std::string> answers(const fs::path& file, const std::string& question,
                                            DWORD size = 1024,
                                            const char* fallback = "(fallback)") {
  const auto [section, key] = cut(question, '/');
  const std::string path = file.string();
  if (size == 0) {
    const auto system = GetPrivateProfileIntA(section.c_str(), key.c_str(), -12345, path.c_str());
    return {std::to_string(static_cast<int>(system)),
            std::to_string(tims::platform::readProfileInt(file, section, key, -12345))};
  }
  std::string system(size, '\0');
  system.resize(GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback, system.data(),
                                         size, path.c_str()));
  return {system, tims::platform::readProfileString(file, section, key, fallback, size)};
}

int comparisons = 0, differences = 0, deviations = 0;

void compare(const Case& c, const std::string& question, const std::string& how,
             const std::pair<std::string, std::string>& answers) {
  ++comparisons;
  if (answers.first == answers.second) return;
  const bool known = question == c.known;
  ++(known ? deviations : differences);
  std::printf("%s [%s] %s%s\n", known ? "KNOWN" : "DIFF", c.name, question.c_str(), how.c_str());
  for (const auto& [who, answer] :
       {std::pair("system", answers.first), {"ours  ", answers.second}}) {
    std::printf("  %s: \"", who);
    for (const unsigned char byte : answer.substr(0, 70)) {
      std::printf(byte >= 0x20 && byte < 0x7F && byte != '\\' ? "%c" : "\\x%02X", byte);
    }
    std::printf("\"%s\n", answer.size() > 70 ? "..." : "");
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
    const Case& c = cases[i];
    const auto prepare = [&](const std::string& name) {  // a copy of the file, when there is one
      const fs::path file = folder / ("case" + std::to_string(i) + name + ".ini");
      if (c.bytes) std::ofstream(file, std::ios::binary).write(c.bytes->data(), c.bytes->size());
      return file;
    };
    // Strings through the plug-in's buffer, one that cuts values and the shortest that holds any
    // text; the integer; a fallback whose trailing spaces the system drops.
    const fs::path file = prepare("");
    for (const std::string& question : split(c.queries)) {
      for (const DWORD size : {260, 8, 2, 0}) {
        const std::string how = size ? " string/" + std::to_string(size) : " int";
        compare(c, question, how, answers(file, question, size));
      }
      compare(c, question, " spaced fallback", answers(file, question, 64, "  spaced fallback  "));
    }
    // The same write made by each side on its own copy; then every question is answered from the
    // system's copy by the system (the reference) and checked against the three other readings.
    const auto writes = split(c.writes);
    for (std::size_t w = 0; w < writes.size(); ++w) {
      const auto [target, value] = cut(writes[w], '=');
      const auto [section, key] = cut(target, '/');
      const std::string copy = "-write" + std::to_string(w);
      const fs::path system = prepare(copy + "-system"), ours = prepare(copy + "-ours");
      const bool systemWrote = WritePrivateProfileStringA(section.c_str(), key.c_str(),
                                                          value.c_str(), system.string().c_str());
      const bool weWrote = tims::platform::writeProfileString(ours, section, key, value);
      compare(c, "write " + writes[w], "",
              {systemWrote ? "written" : "failed", weWrote ? "written" : "failed"});
      for (const std::string& question : split(c.queries + "|" + target)) {
        const auto [reference, weReadTheSystems] = answers(system, question);
        const auto [systemReadsOurs, weReadOurs] = answers(ours, question);
        const std::string after = " after write " + writes[w];
        compare(c, question, after + " (system reads ours)", {reference, systemReadsOurs});
        compare(c, question, after + " (we read ours)", {reference, weReadOurs});
        compare(c, question, after + " (we read the system's)", {reference, weReadTheSystems});
      }
    }
  }
  std::printf("profile-diff: %zu files, %d comparisons, %d differences, %d known deviations\n",
              cases.size(), comparisons, differences, deviations);
  return differences == 0 ? 0 : 1;
}
