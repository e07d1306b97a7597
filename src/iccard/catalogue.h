// The list of IC card folders, read from TIMS_ICCard.ini at Load.
#pragma once

#include "iccard/ic_card.h"

namespace tims {

// Fills card.cardFolders up to 32 entries from section "ICCard", keys "0" to "31", of the file
// at card.iniPath; a list already full stays as it is. Never throws: a file-system error puts
// the fallback folder into that entry and is recorded in card.failures.
void loadCatalogue(IcCardCatalogue& card);

}  // namespace tims
