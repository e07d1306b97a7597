#include "platform/code_page.h"
#include "platform/utf8.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace tims::platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isShiftJisTrailByte(unsigned char byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// How many input bytes one unreadable character spans: a lead byte with a proper trail byte is
// one (unassigned) character; otherwise the single byte is dropped and the next one read anew.
std::size_t unreadableLength(std::string_view rest) {
  if (rest.size() >= 2 && isShiftJisLeadByte(static_cast<unsigned char>(rest[0])) &&
      isShiftJisTrailByte(static_cast<unsigned char>(rest[1]))) {
    return 2;
  }
  return 1;
}

// Code page 932 to UTF-32 (native order), one conversion descriptor per call. Conversions happen
// when a catalogue or a card is loaded, never per frame.
class ShiftJisDecoder {
 public:
  ShiftJisDecoder() : handle_(iconv_open("UTF-32LE", "CP932")) {}
  ~ShiftJisDecoder() {
    if (usable()) iconv_close(handle_);
  }
  ShiftJisDecoder(const ShiftJisDecoder&) = delete;
  ShiftJisDecoder& operator=(const ShiftJisDecoder&) = delete;

  std::u32string decode(std::string_view bytes) {
    std::u32string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
      const std::size_t used = usable() ? decodeRun(bytes, out) : decodeAsciiOnly(bytes, out);
      bytes.remove_prefix(used);
      if (bytes.empty()) break;
      // The converter stopped at an unreadable character: replace it and go on after it.
      out.push_back(kReplacement);
      bytes.remove_prefix(unreadableLength(bytes));
    }
    return out;
  }

 private:
  bool usable() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as it can; returns the number of input bytes consumed.
  std::size_t decodeRun(std::string_view bytes, std::u32string& out) {
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[4096];
    for (;;) {
      char* outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      const std::size_t result = iconv(handle_, &in, &inLeft, &outPtr, &outLeft);
      const int code = errno;
      appendUtf32Le(buffer, static_cast<std::size_t>(outPtr - buffer), out);
      if (result != static_cast<std::size_t>(-1) || inLeft == 0) break;
      if (code != E2BIG) break;  // EILSEQ or EINVAL: an unreadable or cut character
    }
    return bytes.size() - inLeft;
  }

  // Without the converter (a system that lacks it) only ASCII can be read.
  static std::size_t decodeAsciiOnly(std::string_view bytes, std::u32string& out) {
    std::size_t used = 0;
    while (used < bytes.size() && static_cast<unsigned char>(bytes[used]) < 0x80) {
      out.push_back(static_cast<char32_t>(bytes[used]));
      ++used;
    }
    return used;
  }

  static void appendUtf32Le(const char* data, std::size_t size, std::u32string& out) {
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
      const auto byte = [&](std::size_t k) {
        return static_cast<uint32_t>(static_cast<unsigned char>(data[i + k]));
      };
      out.push_back(static_cast<char32_t>(byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24));
    }
  }

  iconv_t handle_;
};

void appendUtf16(std::u16string& out, char32_t code) {
  if (code >= 0x10000) {
    code -= 0x10000;
    out += static_cast<char16_t>(0xD800 | (code >> 10));
    out += static_cast<char16_t>(0xDC00 | (code & 0x3FF));
  } else {
    out += static_cast<char16_t>(code);
  }
}

}  // namespace

std::string utf8FromShiftJis(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  for (const char32_t code : ShiftJisDecoder().decode(bytes)) appendUtf8(out, code);
  return out;
}

std::u16string utf16FromShiftJis(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (const char32_t code : ShiftJisDecoder().decode(bytes)) appendUtf16(out, code);
  return out;
}

std::string shiftJisFromUtf8(std::string_view utf8) {
  std::string out;
  const iconv_t handle = iconv_open("CP932", "UTF-8");
  if (handle == reinterpret_cast<iconv_t>(-1)) {
    for (const char c : utf8) out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    return out;
  }
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = iconv(handle, &in, &inLeft, &outPtr, &outLeft);
    const int code = errno;
    out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
    if (result != static_cast<std::size_t>(-1) || code == E2BIG) continue;
    // A character without a Shift-JIS form, or bytes that are no UTF-8: one '?' for the
    // character (or the single bad byte), then go on after it.
    const auto lead = static_cast<unsigned char>(*in);
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    for (std::size_t k = 1; k < length; ++k) {
      if (k >= inLeft || (static_cast<unsigned char>(in[k]) & 0xC0) != 0x80) length = 1;
    }
    out += '?';
    in += length;
    inLeft -= length;
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(handle);
  return out;
}

std::filesystem::path pathFromShiftJis(std::string_view bytes) {
  // File names here are UTF-8.
  return std::filesystem::path(utf8FromShiftJis(bytes));
}

}  // namespace tims::platform
