#include "platform/code_page.h"

#include <windows.h>

#include <climits>
#include <string>

namespace tims::platform {
namespace {

constexpr UINT kShiftJis = 932;
constexpr wchar_t kReplacement = 0xFFFD;

// Appends the bytes' conversion; appends nothing and returns false when they hold an invalid
// sequence.
bool convertStrict(std::string_view bytes, std::wstring& out) {
  if (bytes.empty()) return true;
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) return false;
  const int inLength = static_cast<int>(bytes.size());
  const int length =
      MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, bytes.data(), inLength, nullptr, 0);
  if (length <= 0) return false;
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(length));
  if (MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, bytes.data(), inLength,
                          out.data() + start, length) == length) {
    return true;
  }
  out.resize(start);
  return false;
}

bool isShiftJisTrailByte(unsigned char byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// Code page 932 by table, whatever the system's code page. Character by character when the text
// holds unreadable bytes, so that only those become U+FFFD: a lead byte with a proper second
// byte is one (unassigned) character; otherwise the single byte is replaced and the next one read
// anew.
std::wstring wideFromShiftJis(std::string_view bytes) {
  std::wstring out;
  if (convertStrict(bytes, out)) return out;
  out.clear();
  std::size_t i = 0;
  while (i < bytes.size()) {
    const bool pair = isShiftJisLeadByte(static_cast<unsigned char>(bytes[i])) &&
                      i + 1 < bytes.size() &&
                      isShiftJisTrailByte(static_cast<unsigned char>(bytes[i + 1]));
    const std::size_t length = pair ? 2 : 1;
    if (!convertStrict(bytes.substr(i, length), out)) out += kReplacement;
    i += length;
  }
  return out;
}

}  // namespace

std::u16string utf16FromShiftJis(std::string_view bytes) {
  const std::wstring wide = wideFromShiftJis(bytes);
  return std::u16string(wide.begin(), wide.end());
}

std::string utf8FromShiftJis(std::string_view bytes) {
  const std::wstring wide = wideFromShiftJis(bytes);
  if (wide.empty()) return {};
  const int inLength = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, out.data(), length, nullptr, nullptr);
  return out;
}

std::string shiftJisFromUtf8(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const int inLength = static_cast<int>(utf8.size());
  const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, nullptr, 0);
  if (wideLength <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, wide.data(), wideLength);
  // Code page 932 has nothing beyond the first plane: such a character is one '?', not one per
  // half of its surrogate pair.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < wide.size(); ++i, ++kept) {
    const bool pair = wide[i] >= 0xD800 && wide[i] < 0xDC00 && i + 1 < wide.size() &&
                      wide[i + 1] >= 0xDC00 && wide[i + 1] < 0xE000;
    wide[kept] = pair ? L'?' : wide[i];
    if (pair) ++i;
  }
  wide.resize(kept);
  const int wideKept = static_cast<int>(kept);
  // No best fit either: a letter the code page lacks is '?', not a look-alike ('e' for 'é').
  const int length = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), wideKept,
                                         nullptr, 0, "?", nullptr);
  if (length <= 0) return {};
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), wideKept, out.data(), length,
                      "?", nullptr);
  return out;
}

std::filesystem::path pathFromShiftJis(std::string_view bytes) {
  return std::filesystem::path(wideFromShiftJis(bytes));
}

}  // namespace tims::platform
