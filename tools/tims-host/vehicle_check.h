// The author's check of a vehicle folder: TIMS_Spec.ini, TIMS_ICCard.ini and every card file,
// read by the plug-in's own readers, which report through their sinks what they skip or assume.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

#include "tims-host/diagnostics.h"

namespace tims::host {

struct VehicleCheck {
  std::filesystem::path folder;  // the plug-in's folder
  Findings findings;
  std::ostream* explain = nullptr;  // where --explain prints its tables, or none

  // A path as the findings show it: relative to the folder when it lies inside.
  std::string shown(const std::filesystem::path& path) const;
  void add(const std::filesystem::path& file, std::size_t line, std::size_t column,
           Severity severity, std::string_view code, std::string message);
};

void checkSpecSettings(VehicleCheck& check);
void checkCardList(VehicleCheck& check);
// One card file of card `cardIndex` (its beacon value is worked out for that index).
void checkCardFile(VehicleCheck& check, const std::filesystem::path& file, int cardIndex);

// A path's text in UTF-8, on every platform.
inline std::string utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

// `text` quoted for a message; Shift-JIS bytes shown as UTF-8.
std::string quotedShiftJis(std::string_view text);
// Why a text that the plug-in reads as Shift-JIS probably is not: it is UTF-8 with characters
// beyond ASCII (Shift-JIS texts almost never are), or no valid Shift-JIS at all. Empty when it
// reads well.
std::string shiftJisProblem(std::string_view text);

}  // namespace tims::host
