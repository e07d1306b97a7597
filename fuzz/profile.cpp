// Settings files: the input is five names, one a line (section, key, value, then a second section
// and key), followed by the file's text. Any text must be read and updated without harm; with
// plain names, a value written must be the value read back, and no other key may change.
#include "platform/profile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string_view section = takeLine(input);
  const std::string_view key = takeLine(input);
  const std::string_view value = takeLine(input);
  const std::string_view otherSection = takeLine(input);
  const std::string_view otherKey = takeLine(input);
  const std::string_view bytes = input;

  // What a file read does with the raw bytes: decode, and hand Unicode files over in Shift-JIS.
  const std::string text = decodeProfileBytes(bytes);
  if (bytes.size() < 2 || !(bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE"))) {
    TIMS_FUZZ_CHECK(text == bytes);
  }
  shiftJisFromUtf8(text);

  const Lookup before = lookUp(text, section, key);
  if (before.found) parseProfileInt(before.value);
  const std::string updated = replaceProfileValue(text, section, key, value);
  const Lookup otherBefore = lookUp(text, otherSection, otherKey);
  const Lookup otherAfter = lookUp(updated, otherSection, otherKey);

  if (isPlainName(section) && isPlainName(key) && isPlainValue(value)) {
    TIMS_FUZZ_CHECK((lookUp(updated, section, key) == Lookup{true, std::string(value)}));
    // Writing the value that is there already changes nothing.
    TIMS_FUZZ_CHECK(replaceProfileValue(updated, section, key, value) == updated);
    if (isPlainName(otherSection) && isPlainName(otherKey) &&
        !(equalNames(section, otherSection) && equalNames(key, otherKey))) {
      TIMS_FUZZ_CHECK(otherBefore == otherAfter);
    }
  }

  int32_t number = 0;
  std::memcpy(&number, data, std::min(size, sizeof number));
  checkIntegers(number);
  return 0;
}
