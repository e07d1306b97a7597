// Settings files: the input is five names, one a line (section, key, value, then a second section
// and key), followed by the file's bytes. Any file must be read and updated without harm, in text
// and on disk (where Unicode files are written back in their own form); with plain names, a value
// written must be the value read back, and no other key may change.
#include "platform/profile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "fuzz_input.h"
#include "platform/code_page.h"

namespace {

using namespace tims::platform;

// A name without anything the file format gives a meaning: no white space, line ends, NUL,
// brackets, '=', quotes or ';'. Plain values may hold more, but not at their ends.
bool isPlainName(std::string_view name) {
  if (name.empty()) return false;
  for (const char c : name) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool digit = c >= '0' && c <= '9';
    if (!letter && !digit && c != '_' && c != '.' && c != '-') return false;
  }
  return true;
}

bool isPlainValue(std::string_view value) {
  if (value.empty()) return true;
  if (value.front() == ' ' || value.back() == ' ') return false;
  for (const char c : value) {
    if (!isPlainName(std::string_view(&c, 1)) && c != ' ' && c != '=' && c != '[' && c != ']' &&
        c != ';' && c != ',') {
      return false;
    }
  }
  return true;
}

bool equalNames(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view takeLine(std::string_view& input) {
  const std::size_t end = input.find('\n');
  const std::string_view line = input.substr(0, end);
  input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
  return line;
}

struct Lookup {
  bool found = false;
  std::string value;
  bool operator==(const Lookup&) const = default;
};

Lookup lookUp(std::string_view text, std::string_view section, std::string_view key) {
  Lookup result;
  result.found = findProfileValue(text, section, key, result.value);
  return result;
}

// Integers written the way a settings author writes them read back as written.
void checkIntegers(int32_t number) {
  const std::string decimal = std::to_string(number);
  TIMS_FUZZ_CHECK(parseProfileInt(decimal) == number);
  TIMS_FUZZ_CHECK(parseProfileInt(" \t" + decimal + "x") == number);
  if (number >= 0) TIMS_FUZZ_CHECK(parseProfileInt("+" + decimal) == number);
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(number));
  TIMS_FUZZ_CHECK(parseProfileInt(hex) == number);
}

struct Names {
  std::string_view section, key, value, otherSection, otherKey;

  bool plain() const { return isPlainName(section) && isPlainName(key) && isPlainValue(value); }
  // The other key is plain too and is not the one written.
  bool otherPlain() const {
    return isPlainName(otherSection) && isPlainName(otherKey) &&
           !(equalNames(section, otherSection) && equalNames(key, otherKey));
  }
};

void checkText(std::string_view bytes, const Names& n) {
  // What a file read does with the raw bytes: decode, and hand Unicode files over in Shift-JIS.
  const std::string text = decodeProfileBytes(bytes);
  if (bytes.size() < 2 || !(bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE"))) {
    TIMS_FUZZ_CHECK(text == bytes);
  }
  shiftJisFromUtf8(text);

  const Lookup before = lookUp(text, n.section, n.key);
  if (before.found) parseProfileInt(before.value);
  const std::string updated = replaceProfileValue(text, n.section, n.key, n.value);
  if (!n.plain()) return;
  TIMS_FUZZ_CHECK((lookUp(updated, n.section, n.key) == Lookup{true, std::string(n.value)}));
  // Writing the value that is there already changes nothing.
  TIMS_FUZZ_CHECK(replaceProfileValue(updated, n.section, n.key, n.value) == updated);
  if (n.otherPlain()) {
    TIMS_FUZZ_CHECK(lookUp(text, n.otherSection, n.otherKey) ==
                    lookUp(updated, n.otherSection, n.otherKey));
  }
}

// The same through a file, as the settings write-back does it: a file saved as UTF-16 or with a
// UTF-8 mark is written back in its own form, and read back in Shift-JIS.
void checkFile(const std::filesystem::path& file, std::string_view bytes, const Names& n) {
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    TIMS_FUZZ_CHECK(out.good());
  }
  const auto read = [&](std::string_view section, std::string_view key) {
    return readProfileString(file, section, key, "\x01missing", std::size_t{1} << 16);
  };
  const std::string otherBefore = read(n.otherSection, n.otherKey);
  TIMS_FUZZ_CHECK(writeProfileString(file, n.section, n.key, n.value));
  if (!n.plain()) return;
  TIMS_FUZZ_CHECK(read(n.section, n.key) == n.value);
  if (n.otherPlain()) TIMS_FUZZ_CHECK(read(n.otherSection, n.otherKey) == otherBefore);

  std::ifstream in(file, std::ios::binary);
  char mark[3] = {};
  in.read(mark, sizeof mark);
  const std::string_view written(mark, static_cast<std::size_t>(in.gcount()));
  for (const std::string_view bom : {"\xEF\xBB\xBF", "\xFF\xFE"}) {
    if (bytes.starts_with(bom) && bytes.size() >= 2) TIMS_FUZZ_CHECK(written.starts_with(bom));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const tims::fuzz::ScratchFolder folder("profile");
  std::string_view input(reinterpret_cast<const char*>(data), size);
  Names names;
  names.section = takeLine(input);
  names.key = takeLine(input);
  names.value = takeLine(input);
  names.otherSection = takeLine(input);
  names.otherKey = takeLine(input);

  checkText(input, names);
  checkFile(folder.path() / "TIMS_Spec.ini", input, names);

  int32_t number = 0;
  std::memcpy(&number, data, std::min(size, sizeof number));
  checkIntegers(number);
  return 0;
}
