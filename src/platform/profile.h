// Profile (.ini) files, read and written by the rules of the Windows profile functions so that
// every platform reads the same settings the same way. Files are handled as bytes: values keep
// their 8-bit encoding (Shift-JIS in practice) untouched.
//
// Rules:
// - section and key names match without regard to ASCII case; white space (space, tab, vertical
//   tab, form feed, ^Z) around names and values is ignored; the first matching section and the
//   first matching key in it win;
// - the lines before the first section header form a section named ""; a header ends at its
//   line's last ']', and a line with '[' but no ']' is no header;
// - a UTF-8 or UTF-16LE byte-order mark is accepted: such a file's values are read in Shift-JIS;
// - lines end with LF, CR LF or CR; a line starting with ';' is no special case: it is a key
//   whose name starts with ';', so a comment never matches a real key name;
// - a bare key without '=' reads as missing; a value ends at a NUL byte;
// - a value wrapped in one pair of matching quotes loses them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tims::platform {

// Where a read found its value, for tools that explain a file to its author.
struct ProfileLookup {
  bool found = false;    // false: the fallback was used
  std::size_t line = 0;  // 1-based line of the key that was read
  std::string value;     // the value as the caller's buffer took it
};

// Reads an integer like GetPrivateProfileIntA: missing file, section or key gives `fallback`;
// an empty value also gives `fallback`. Otherwise, as the Windows conversion does: leading white
// space, an optional sign, a base prefix 0x, 0o or 0b (else decimal), then digits up to the first
// other character, within the first 29 characters. A value without digits reads as 0 and a value
// beyond the 32-bit range wraps modulo 2^32.
// `lookup`, when given, tells where the value came from.
int32_t readProfileInt(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, int32_t fallback, ProfileLookup* lookup = nullptr);

// Reads a string like GetPrivateProfileStringA into a buffer of `bufferSize` bytes: the result is
// at most bufferSize - 1 bytes long; missing file, section or key gives `fallback` (cut likewise,
// without its trailing spaces). Like the Windows function, a quoted value whose inside is exactly
// bufferSize - 1 bytes long loses its last byte as well.
std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view fallback,
                              std::size_t bufferSize, ProfileLookup* lookup = nullptr);

// Writes like WritePrivateProfileStringA: replaces the first matching key's value in place, adds a
// missing key at the end of its section, creates a missing section (at the end) or file. Every
// other byte of the file stays as it was. Returns false when the file cannot be written.
bool writeProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);

// The pure parts, exposed for tests and for tools that hold a file's text already.
// `used`, when given, receives how many characters formed the number: 0 when it had no digits.
int32_t parseProfileInt(std::string_view value, std::size_t* used = nullptr);
bool findProfileValue(std::string_view text, std::string_view section, std::string_view key,
                      std::string& value);
std::string replaceProfileValue(std::string_view text, std::string_view section,
                                std::string_view key, std::string_view value);
// Decodes a file's bytes: strips a UTF-8 mark, converts UTF-16LE (with its mark) to UTF-8.
std::string decodeProfileBytes(std::string_view bytes);

// For tools that explain a file: how it was saved, its text as the readers see it (nothing when
// it cannot be read), and every key line with its section.
enum class ProfileEncoding { bytes, utf8Mark, utf16Mark };
ProfileEncoding profileEncoding(std::string_view bytes);
std::optional<std::string> readProfileText(const std::filesystem::path& file);
struct ProfileKeyLine {
  std::string section;
  std::string key;
  std::size_t line;  // 1-based
  bool hasValue;     // false for a bare name without '='
};
std::vector<ProfileKeyLine> listProfileKeys(std::string_view text);

}  // namespace tims::platform
