// One card file: what the card reader skipped or assumed, the timetable it built, and the beacon
// value that selects the file.
#include <cstdio>
#include <memory>
#include <set>

#include "common/hhmmss.h"
#include "iccard/card_reader.h"
#include "platform/code_page.h"
#include "tims-host/vehicle_check.h"
#include "unit/card_insert.h"

namespace tims::host {
namespace {

using Kind = CardReadSink::Kind;

std::string clock(int32_t hhmmss) {
  const ClockTime t = splitHhmmss(hhmmss);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return text;
}

bool isTime(int32_t hhmmss) {
  return hhmmss != kNoTimeHhmmss;
}

// What an author meant by a time written with separators: 9:30:00 is 93000.
std::string timeAsWritten(std::string_view text) {
  std::string digits;
  int groups = 1;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      digits += c;
    } else if (c == ':' || c == '.') {
      ++groups;
    } else if (c != ' ') {
      return {};
    }
  }
  if (groups == 2) digits += "00";
  return digits;
}

struct CardRead {
  IcCardCatalogue card;
  CardReadSink sink;
  std::vector<std::size_t> rowLines, pointLines, sectionLines;
  std::set<std::size_t> droppedLines;
};

class CardFileCheck {
 public:
  CardFileCheck(VehicleCheck& check, const std::filesystem::path& file)
      : check_(check), file_(file) {}

  void add(std::size_t line, std::size_t column, Severity severity, std::string_view code,
           std::string message) {
    check_.add(file_, line, column, severity, code, std::move(message));
  }

  void readerNotes(const CardRead& read) {
    std::size_t badTexts = 0;
    const CardReadSink::Note* firstBadText = nullptr;
    for (const auto& note : read.sink.notes) {
      const std::size_t column = note.offset + 1;
      const std::string where = "column " + std::to_string(note.column);
      switch (note.kind) {
        case Kind::typeNotNumber:
          if (note.line == 1 && note.text.starts_with("\xEF\xBB\xBF")) {
            add(note.line, 1, Severity::error, "card-byte-order-mark",
                "the file starts with a UTF-8 byte-order mark: the type column of line 1 is no "
                "number and the whole line is lost; save the file as Shift-JIS");
          } else {
            add(note.line, column, Severity::note, "card-line-skipped",
                "line skipped: its type column " + quotedShiftJis(note.text) + " is no number");
          }
          break;
        case Kind::typeIgnored: {
          const bool known = note.text == "2" || note.text == "9" || note.text == "10";
          add(note.line, column, known ? Severity::note : Severity::warning, "card-type-ignored",
              "record type " + note.text +
                  (known ? " carries nothing the plug-in uses"
                         : " is unknown: the line is ignored"));
          break;
        }
        case Kind::recordDropped:
          add(note.line, column, Severity::error, "card-record-dropped",
              "record dropped: " + where +
                  (note.text.empty() ? " is missing or empty"
                                     : " " + quotedShiftJis(note.text) + " is no number"));
          break;
        case Kind::notParsed:
          if (read.droppedLines.count(note.line)) break;
          add(note.line, column, Severity::error, "card-not-a-number",
              where + " " + quotedShiftJis(note.text) +
                  " is no number: the field keeps its initial value");
          break;
        case Kind::readFromPrefix:
          prefixRead(read, note, column);
          break;
        case Kind::endMarkerText:
          // Only the train number and the station name are shown; later texts are stored.
          if (note.column > 2) break;
          add(note.line, column, Severity::warning, "card-missing-text",
              where + " is missing: the plug-in takes the word 'end' as its text");
          break;
        case Kind::text:
          if (!shiftJisProblem(note.text).empty() && badTexts++ == 0) firstBadText = &note;
          break;
        default:
          break;
      }
    }
    if (firstBadText) {
      add(firstBadText->line, firstBadText->offset + 1, Severity::error, "card-not-shift-jis",
          "the text of column " + std::to_string(firstBadText->column) + " " +
              shiftJisProblem(firstBadText->text) + "; save the file as Shift-JIS" +
              (badTexts > 1
                   ? "; so are " + std::to_string(badTexts - 1) + " more texts of this file"
                   : std::string()));
    }
  }

  // 9:30:00 is read as 9, which the hour-0 rule turns into 24:00:09; 12km as 12.
  void prefixRead(const CardRead& read, const CardReadSink::Note& note, std::size_t column) {
    const std::string readText = note.text.substr(0, note.read);
    std::string message = "column " + std::to_string(note.column) + " " +
                          quotedShiftJis(note.text) + " is read as " + readText;
    const IcRow* row = rowAt(read, note.line);
    if (row && (note.column == 3 || note.column == 4)) {
      message = "time " + quotedShiftJis(note.text) + " is read as " +
                clock(note.column == 3 ? row->arrivalTime : row->departureTime);
      const std::string meant = timeAsWritten(note.text);
      if (!meant.empty()) message += "; write " + meant;
    } else {
      message += "; write the number alone";
    }
    add(note.line, column, Severity::error, "card-number-prefix", message);
  }

  static const IcRow* rowAt(const CardRead& read, std::size_t line) {
    for (std::size_t i = 0; i < read.rowLines.size(); ++i) {
      if (read.rowLines[i] == line) return &read.card.icRows[i];
    }
    return nullptr;
  }

  void timeChecks(const CardRead& read) {
    const auto& rows = read.card.icRows;
    int32_t previous = kNoTimeHhmmss;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const IcRow& row = rows[i];
      const std::size_t line = read.rowLines[i];
      for (const auto& [time, name] :
           {std::pair{row.arrivalTime, "arrival"}, std::pair{row.departureTime, "departure"}}) {
        const ClockTime t = splitHhmmss(time);
        if (isTime(time) && (t.minute >= 60 || t.second >= 60)) {
          add(line, 0, Severity::error, "card-bad-time",
              std::string(name) + " " + std::to_string(time) +
                  " has minutes or seconds of 60 or more");
        }
      }
      if (isTime(row.arrivalTime) && isTime(row.departureTime) &&
          row.arrivalTime > row.departureTime) {
        add(line, 0, Severity::error, "card-arrival-after-departure",
            "arrival " + clock(row.arrivalTime) + " is after departure " +
                clock(row.departureTime));
      }
      const int32_t first = isTime(row.arrivalTime) ? row.arrivalTime : row.departureTime;
      if (isTime(first) && isTime(previous) && first < previous) {
        add(line, 0, Severity::warning, "card-time-backwards",
            "time " + clock(first) + " is earlier than the row before (" + clock(previous) + ")");
      }
      const int32_t last = isTime(row.departureTime) ? row.departureTime : row.arrivalTime;
      if (isTime(last)) previous = last;
      if (row.sectionKm < 0.0 && i + 1 < rows.size()) {
        add(line, 0, Severity::error, "card-no-section-length",
            "no section length (column 10), but a next row follows: the distance to it is unknown");
      }
    }
  }

  template <typename Record>
  void rowIndexChecks(const std::vector<Record>& records, const std::vector<std::size_t>& lines,
                      std::size_t rowCount, const char* what) {
    for (std::size_t i = 0; i < records.size(); ++i) {
      const int32_t index = records[i].rowIndex;
      if (index >= 0 && static_cast<std::size_t>(index) < rowCount) continue;
      add(lines[i], 0, Severity::error, "card-no-such-row",
          std::string(what) + " record for row " + std::to_string(index) +
              ", but the card's rows are " +
              (rowCount == 0 ? std::string("none") : "0 to " + std::to_string(rowCount - 1)));
    }
  }

  void selection(int cardIndex) {
    const std::string name = platform::shiftJisFromUtf8(utf8Of(file_.filename()));
    if (platform::pathFromShiftJis(name).filename() != file_.filename()) {
      add(0, 0, Severity::error, "card-not-selectable",
          "no type-1000 beacon can select this file: its name cannot be written in Shift-JIS");
      return;
    }
    const CardValueEncoding encoding = encodeCardValue(cardIndex, name);
    if (encoding.value) {
      add(0, 0, Severity::note, "card-beacon",
          "beacon 1000 " + std::to_string(*encoding.value) + " selects this card");
    } else {
      add(0, 0, Severity::error, "card-not-selectable",
          "no type-1000 beacon can select this file: " + encoding.whyNot);
    }
  }

 private:
  VehicleCheck& check_;
  std::filesystem::path file_;
};

}  // namespace

void checkCardFile(VehicleCheck& check, const std::filesystem::path& file, int cardIndex) {
  CardFileCheck fileCheck(check, file);
  fileCheck.selection(cardIndex);
  auto read = std::make_unique<CardRead>();
  if (!readCardFile(read->card, file, &read->sink)) {
    fileCheck.add(0, 0, Severity::error, "file-unreadable", "the plug-in cannot read this file");
    return;
  }
  check.findings.fileRead();
  for (const auto& note : read->sink.notes) {
    if (note.kind == Kind::row) read->rowLines.push_back(note.line);
    if (note.kind == Kind::point) read->pointLines.push_back(note.line);
    if (note.kind == Kind::section) read->sectionLines.push_back(note.line);
    if (note.kind == Kind::recordDropped) read->droppedLines.insert(note.line);
  }
  fileCheck.readerNotes(*read);
  fileCheck.timeChecks(*read);
  const std::size_t rows = read->card.icRows.size();
  fileCheck.rowIndexChecks(read->card.pointRecords, read->pointLines, rows, "point");
  fileCheck.rowIndexChecks(read->card.sectionRecords, read->sectionLines, rows, "zone");
}

}  // namespace tims::host
