// Reading one IC card file (a CSV text of typed records) into the loaded card's fields.
#pragma once

#include <filesystem>
#include <string_view>

#include "iccard/ic_card.h"

namespace tims {

// Reads the card file at `path` and appends its records to `card` (nothing is cleared first).
// Returns false, changing nothing, when no regular file can be opened there (a folder, FIFO or
// device counts as missing).
bool readCardFile(IcCardCatalogue& card, const std::filesystem::path& path);

// Applies one line of a card file (without its line end) to `card`.
void readCardLine(IcCardCatalogue& card, std::string_view line);

// Puts every card field back to its reset value; record1ValueA/B, cardFolders and iniPath stay.
void resetCard(IcCardCatalogue& card);

}  // namespace tims
