// Reading one IC card file (a CSV text of typed records) into the loaded card's fields.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "iccard/ic_card.h"

namespace tims {

// What the reader skipped or assumed, line by line, for a tool that explains a card to its
// author. The plug-in passes none.
struct CardReadSink {
  enum class Kind : uint8_t {
    typeNotNumber,   // the line was skipped: column 0 is no integer
    typeIgnored,     // a record type that carries nothing the plug-in uses
    recordDropped,   // a type 5 or 6 record was not appended: `column` did not parse
    notParsed,       // a number column that did not parse: its field keeps its value
    readFromPrefix,  // a number column of which only the start was read
    endMarkerText,   // a text column that the line lacks: its field reads "end"
    text,            // a text column taken into a field
    row,             // a record appended to icRows, pointRecords or sectionRecords
    point,
    section,
  };
  struct Note {
    Kind kind;
    std::size_t line;    // 1-based
    int column;          // -1 when the note is about the whole line
    std::size_t offset;  // the column's first byte in the line
    std::string text;    // the column's text as written
    std::size_t read;    // readFromPrefix: how many bytes of the text were read
  };
  std::vector<Note> notes;
  std::size_t line = 0;  // the line being read; readCardFile counts it
};

// Reads the card file at `path` and appends its records to `card` (nothing is cleared first).
// Returns false, changing nothing, when no regular file can be opened there (a folder, FIFO or
// device counts as missing).
bool readCardFile(IcCardCatalogue& card, const std::filesystem::path& path,
                  CardReadSink* sink = nullptr);

// Applies one line of a card file (without its line end) to `card`.
void readCardLine(IcCardCatalogue& card, std::string_view line, CardReadSink* sink = nullptr);

// Puts every card field back to its reset value; record1ValueA/B, cardFolders and iniPath stay.
void resetCard(IcCardCatalogue& card);

}  // namespace tims
