// Placeholder: this subsystem is being built; replace this file whole.
#include "platform/code_page.h"
namespace tims::platform {
std::string utf8FromShiftJis(std::string_view bytes) { return std::string(bytes); }
std::u16string utf16FromShiftJis(std::string_view bytes) { return std::u16string(bytes.begin(), bytes.end()); }
std::filesystem::path pathFromShiftJis(std::string_view bytes) { return std::filesystem::path(std::string(bytes)); }
}
