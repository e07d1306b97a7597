#include "platform/profile.h"

#include <optional>
#include <system_error>
#include <vector>

#include "platform/code_page.h"
#include "platform/regular_file.h"
#include "platform/utf8.h"

namespace tims::platform {
namespace {

// The Windows functions read integers through a 30-character buffer.
constexpr std::size_t kIntBufferSize = 30;

// White space as the Windows functions trim it, DOS's end-of-file mark (^Z) included.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A'; }

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// One line of a profile file: [begin, end) is its content, [end, next) its line end.
struct Line {
  std::size_t begin;
  std::size_t end;
  std::size_t next;
};

std::vector<Line> splitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
    std::size_t next = end;
    if (next < text.size() && text[next] == '\r') ++next;
    if (next < text.size() && text[next] == '\n' && (next == end || text[end] == '\r')) ++next;
    if (next == end && next < text.size()) ++next;  // a lone LF
    lines.push_back({pos, end, next});
    pos = next;
  }
  return lines;
}

// A section header's name, or nothing when the line is no header. The name ends at the line's
// last ']'; a '[' without one opens no section, and the line is read as a key.
std::optional<std::string_view> sectionName(std::string_view content) {
  content = trim(content);
  if (content.empty() || content.front() != '[') return std::nullopt;
  content.remove_prefix(1);
  const auto close = content.rfind(']');
  if (close == std::string_view::npos) return std::nullopt;
  return trim(content.substr(0, close));
}

struct KeyLine {
  std::string_view name;
  std::size_t valueBegin;  // offsets into the whole text
  std::size_t valueEnd;
  bool hasValue;  // false for a bare name without '=': it reads as missing
};

// Every non-blank line of a section is a key, comment lines too: ";x=1" is the key ";x", which no
// real key name matches, exactly as the Windows functions see it.
std::optional<KeyLine> keyLine(std::string_view text, const Line& line) {
  std::string_view content = text.substr(line.begin, line.end - line.begin);
  const std::string_view trimmed = trim(content);
  if (trimmed.empty()) return std::nullopt;
  const auto equals = content.find('=');
  if (equals == std::string_view::npos) return KeyLine{trimmed, line.end, line.end, false};
  std::size_t valueBegin = line.begin + equals + 1;
  std::size_t valueEnd = line.end;
  while (valueBegin < valueEnd && isBlank(text[valueBegin])) ++valueBegin;
  while (valueEnd > valueBegin && isBlank(text[valueEnd - 1])) --valueEnd;
  return KeyLine{trim(content.substr(0, equals)), valueBegin, valueEnd, true};
}

bool isHeader(std::string_view text, const Line& line) {
  return sectionName(text.substr(line.begin, line.end - line.begin)).has_value();
}

// Where a section's lines lie: its header line (none for the nameless section that holds the
// lines before the first header), its first line after the header and one past its last line.
struct SectionSpan {
  std::optional<std::size_t> header;
  std::size_t firstLine;
  std::size_t endLine;
};

std::optional<SectionSpan> findSection(const std::vector<Line>& lines, std::string_view text,
                                       std::string_view section) {
  const auto sectionEnd = [&](std::size_t from) {
    while (from < lines.size() && !isHeader(text, lines[from])) ++from;
    return from;
  };
  // The lines before the first header form a section named "", always the first of that name.
  if (trim(section).empty()) return SectionSpan{std::nullopt, 0, sectionEnd(0)};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto name = sectionName(text.substr(lines[i].begin, lines[i].end - lines[i].begin));
    if (!name || !equalsIgnoringCase(*name, trim(section))) continue;
    return SectionSpan{i, i + 1, sectionEnd(i + 1)};
  }
  return std::nullopt;
}

bool isUtf16(std::string_view bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
         static_cast<unsigned char>(bytes[1]) == 0xFE;
}

void appendUtf16(std::string& out, uint32_t code) {
  auto unit = [&](uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  if (code >= 0x10000) {
    code -= 0x10000;
    unit(0xD800 | (code >> 10));
    unit(0xDC00 | (code & 0x3FF));
  } else {
    unit(code);
  }
}

// UTF-8 text back to UTF-16LE with its mark, for files that came as UTF-16LE.
std::string encodeUtf16(std::string_view text) {
  std::string out = "\xFF\xFE";
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (i + static_cast<std::size_t>(extra) >= text.size() + (extra == 0 ? 1 : 0)) extra = 0;
    uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    appendUtf16(out, code);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

std::string_view lineEndingOf(std::string_view text) {
  const auto lf = text.find('\n');
  if (lf == std::string_view::npos) {
    return text.find('\r') != std::string_view::npos ? "\r" : "\r\n";
  }
  return (lf > 0 && text[lf - 1] == '\r') ? "\r\n" : "\n";
}

bool isQuoted(std::string_view value) {
  return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
         value.back() == value.front();
}

std::string stripQuotes(std::string_view value) {
  if (isQuoted(value)) value = value.substr(1, value.size() - 2);
  return std::string(value);
}

// A value as the Windows functions copy it into a buffer of `bufferSize` bytes: they drop the
// opening quote, copy what fits, and drop the last character when the rest, closing quote
// included, fitted the buffer's length exactly or with room. So a quoted value whose inside is
// one byte shorter than the buffer loses its last real character as well.
std::string copyEntry(std::string_view value, std::size_t bufferSize) {
  bool quoted = isQuoted(value);
  if (quoted) value.remove_prefix(1);
  std::string copy(value.substr(0, std::min(value.size(), bufferSize - 1)));
  if (quoted && bufferSize >= value.size() && !copy.empty()) copy.pop_back();
  return copy;
}

struct RawValue {
  std::string_view value;
  std::size_t line;  // 0-based
};

// The first matching key's value as it stands in the file, or nothing when the key is missing
// or is a bare name. The Windows functions read a value as a C string: it ends at a NUL byte.
std::optional<RawValue> findRawEntry(std::string_view text, std::string_view section,
                                     std::string_view key) {
  const auto lines = splitLines(text);
  const auto span = findSection(lines, text, section);
  if (!span) return std::nullopt;
  for (std::size_t i = span->firstLine; i < span->endLine; ++i) {
    const auto entry = keyLine(text, lines[i]);
    if (!entry || !equalsIgnoringCase(entry->name, trim(key))) continue;
    if (!entry->hasValue) return std::nullopt;
    std::string_view value = text.substr(entry->valueBegin, entry->valueEnd - entry->valueBegin);
    return RawValue{value.substr(0, value.find('\0')), i};
  }
  return std::nullopt;
}

std::optional<std::string_view> findRawValue(std::string_view text, std::string_view section,
                                             std::string_view key) {
  const auto entry = findRawEntry(text, section, key);
  if (!entry) return std::nullopt;
  return entry->value;
}

}  // namespace

ProfileEncoding profileEncoding(std::string_view bytes) {
  if (isUtf16(bytes)) return ProfileEncoding::utf16Mark;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return ProfileEncoding::utf8Mark;
  return ProfileEncoding::bytes;
}

// The file's text as the 8-bit callers see it, or nothing when it cannot be read. A file saved
// as Unicode (with a byte-order mark) is handed over in Shift-JIS, the code page of every 8-bit
// text of the plug-in, as the Windows functions do on a Japanese system.
std::optional<std::string> readProfileText(const std::filesystem::path& file) {
  // A folder, FIFO or device reads as missing: it holds no settings, and reading it may never end.
  const auto bytes = readRegularFile(file);
  if (!bytes) return std::nullopt;
  const bool unicode = profileEncoding(*bytes) != ProfileEncoding::bytes;
  return unicode ? shiftJisFromUtf8(decodeProfileBytes(*bytes)) : decodeProfileBytes(*bytes);
}

std::vector<ProfileKeyLine> listProfileKeys(std::string_view text) {
  std::vector<ProfileKeyLine> keys;
  const auto lines = splitLines(text);
  std::string section;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view content = text.substr(lines[i].begin, lines[i].end - lines[i].begin);
    if (const auto name = sectionName(content)) {
      section = std::string(*name);
    } else if (const auto entry = keyLine(text, lines[i])) {
      keys.push_back({section, std::string(entry->name), i + 1, entry->hasValue});
    }
  }
  return keys;
}

std::string decodeProfileBytes(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
  if (!isUtf16(bytes)) return std::string(bytes);
  std::string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    uint32_t code = static_cast<unsigned char>(bytes[i]) |
                    (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
    if (code >= 0xD800 && code < 0xDC00 && i + 3 < bytes.size()) {
      const uint32_t low = static_cast<unsigned char>(bytes[i + 2]) |
                           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 3])) << 8);
      if (low >= 0xDC00 && low < 0xE000) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    appendUtf8(text, code);
  }
  return text;
}

int32_t parseProfileInt(std::string_view value, std::size_t* used) {
  value = value.substr(0, std::min(value.size(), kIntBufferSize - 1));
  std::size_t i = 0;
  while (i < value.size() && static_cast<unsigned char>(value[i]) <= ' ') ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  // Like the Windows conversion behind the profile functions: 0x, 0o and 0b prefixes choose
  // the base, and the accumulator wraps modulo 2^32.
  uint32_t base = 10;
  if (i + 1 < value.size() && value[i] == '0') {
    if (value[i + 1] == 'x') base = 16;
    if (value[i + 1] == 'o') base = 8;
    if (value[i + 1] == 'b') base = 2;
    if (base != 10) i += 2;
  }
  uint32_t total = 0;
  const std::size_t digitsBegin = i;
  for (; i < value.size(); ++i) {
    const char c = value[i];
    uint32_t digit = 99;
    if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
    if (c >= 'a' && c <= 'z') digit = static_cast<uint32_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'Z') digit = static_cast<uint32_t>(c - 'A' + 10);
    if (digit >= base) break;
    total = total * base + digit;
  }
  if (negative) total = 0u - total;
  if (used) *used = i > digitsBegin ? i : 0;
  return static_cast<int32_t>(total);
}

bool findProfileValue(std::string_view text, std::string_view section, std::string_view key,
                      std::string& value) {
  const auto raw = findRawValue(text, section, key);
  if (!raw) return false;
  value = stripQuotes(*raw);
  return true;
}

std::string replaceProfileValue(std::string_view text, std::string_view section,
                                std::string_view key, std::string_view value) {
  const auto lines = splitLines(text);
  const std::string_view eol = lineEndingOf(text);
  const std::string newLine = std::string(trim(key)) + "=" + std::string(value);
  std::string result(text);

  const auto span = findSection(lines, text, section);
  if (!span) {
    if (!result.empty() && result.back() != '\n' && result.back() != '\r') result += eol;
    result += '[';
    result += trim(section);
    result += ']';
    result += eol;
    result += newLine;
    result += eol;
    return result;
  }

  std::optional<std::size_t> lastContent = span->header;
  for (std::size_t i = span->firstLine; i < span->endLine; ++i) {
    const auto entry = keyLine(text, lines[i]);
    if (entry && equalsIgnoringCase(entry->name, trim(key))) {
      if (!entry->hasValue) {
        // A bare key: give it its value.
        result.replace(lines[i].begin, lines[i].end - lines[i].begin, newLine);
      } else {
        result.replace(entry->valueBegin, entry->valueEnd - entry->valueBegin, value);
      }
      return result;
    }
    if (entry) lastContent = i;
  }

  // The nameless section before the first header, still empty: the key opens the file.
  if (!lastContent) return newLine + std::string(eol) + result;

  // A new key goes after the section's last non-blank line.
  const Line& after = lines[*lastContent];
  std::string insert;
  if (after.next == after.end) insert += eol;  // the last line of the file had no line end
  insert += newLine;
  insert += eol;
  result.insert(after.next, insert);
  return result;
}

int32_t readProfileInt(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, int32_t fallback, ProfileLookup* lookup) {
  // As the Windows function does: the value read as a string into its buffer, empty meaning
  // missing.
  const std::string value = readProfileString(file, section, key, "", kIntBufferSize, lookup);
  if (value.empty()) return fallback;
  return parseProfileInt(value);
}

std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view fallback,
                              std::size_t bufferSize, ProfileLookup* lookup) {
  if (lookup) *lookup = {};
  if (bufferSize == 0) return {};
  // The Windows functions drop the fallback's trailing spaces; they copy it like a value when
  // the file exists, and as it is when it does not.
  while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
  const auto text = readProfileText(file);
  if (!text) return std::string(fallback.substr(0, std::min(fallback.size(), bufferSize - 1)));
  const auto entry = findRawEntry(*text, section, key);
  std::string value = copyEntry(entry ? entry->value : fallback, bufferSize);
  if (lookup && entry) *lookup = {true, entry->line + 1, value};
  return value;
}

bool writeProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value) {
  bool missing = false;
  const auto existing = readRegularFile(file, &missing);
  // Never replace what could not be read whole, nor what is no regular file.
  if (!existing && !missing) return false;
  const std::string bytes = existing.value_or(std::string());
  std::string updated;
  if (isUtf16(bytes)) {
    updated = encodeUtf16(replaceProfileValue(decodeProfileBytes(bytes), section, key, value));
  } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    updated = "\xEF\xBB\xBF" + replaceProfileValue(std::string_view(bytes).substr(3), section, key, value);
  } else {
    updated = replaceProfileValue(bytes, section, key, value);
  }
  if (updated == bytes) return true;
  return replaceRegularFile(file, updated);
}

}  // namespace tims::platform
