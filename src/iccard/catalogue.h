// The list of IC card folders, read from TIMS_ICCard.ini at Load.
#pragma once

#include <string>
#include <vector>

#include "iccard/ic_card.h"
#include "platform/profile.h"

namespace tims {

// How each entry was resolved, for a tool that explains the card list to its author.
struct CatalogueSink {
  struct Entry {
    int index;
    platform::ProfileLookup lookup;  // the key as read (value "NULL" when missing)
    std::filesystem::path folder;    // the folder it names, before any fallback
    bool exists = false;             // false: the entry fell back to default/0
  };
  std::vector<Entry> entries;
};

// Fills card.cardFolders up to 32 entries from section "ICCard", keys "0" to "31", of the file
// at card.iniPath; a list already full stays as it is. Never throws: a file-system error puts
// the fallback folder into that entry and is recorded in card.failures.
void loadCatalogue(IcCardCatalogue& card, CatalogueSink* sink = nullptr);

}  // namespace tims
