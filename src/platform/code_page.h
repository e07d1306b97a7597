// 8-bit texts of cards, catalogue values and card file names are Shift-JIS (code page 932) on
// every platform, whatever the system's locale.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tims::platform {

// Shift-JIS bytes to UTF-8 (for display and for file names on systems whose names are UTF-8).
// Bytes that do not form a valid character are replaced by U+FFFD; never throws.
std::string utf8FromShiftJis(std::string_view bytes);

// Shift-JIS bytes to UTF-16 code units.
std::u16string utf16FromShiftJis(std::string_view bytes);

// UTF-8 text to Shift-JIS bytes; characters that code page 932 lacks become '?', and bytes that
// are no UTF-8 become '?' one by one. Used for settings files saved as Unicode.
std::string shiftJisFromUtf8(std::string_view utf8);

// Shift-JIS bytes to a native file-system path (UTF-8 names on POSIX, wide names on Windows).
std::filesystem::path pathFromShiftJis(std::string_view bytes);

// True when the byte opens a double-byte character of code page 932 (0x81..0x9F, 0xE0..0xFC).
constexpr bool isShiftJisLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace tims::platform
