#include "iccard/card_reader.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/regular_file.h"

namespace tims {
namespace {

// ---- Numbers: leading white space, an optional sign, the longest decimal prefix. ----

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Skips white space and a sign; returns whether the sign was a minus.
bool takeSign(std::string_view& text) {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  text.remove_prefix(i);
  return negative;
}

// An int column: fails without digits or outside the 32-bit range (leading zeros are fine).
// `used` receives the length of the number's text.
std::optional<int32_t> parseInt(std::string_view text, std::size_t& used) {
  const std::size_t size = text.size();
  const bool negative = takeSign(text);
  const uint64_t limit = negative ? 2147483648u : 2147483647u;
  uint64_t magnitude = 0;
  std::size_t i = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - '0');
    if (magnitude > limit) return std::nullopt;
  }
  if (i == 0) return std::nullopt;
  used = size - text.size() + i;
  return static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude)
                                       : static_cast<int64_t>(magnitude));
}

// Whether a decimal number lies below 1, from the position of its first nonzero digit and its
// exponent. Used only for values out of range, which lie far from 1 either way.
bool isTiny(std::string_view number) {
  std::size_t i = 0;
  bool seenNonzero = false;
  bool inFraction = false;
  int64_t integerDigits = 0;
  int64_t leadingFractionZeros = 0;
  for (; i < number.size(); ++i) {
    const char c = number[i];
    if (c == '.' && !inFraction) {
      inFraction = true;
    } else if (isDigit(c)) {
      if (c != '0') seenNonzero = true;
      if (!inFraction && seenNonzero) ++integerDigits;
      if (inFraction && !seenNonzero) ++leadingFractionZeros;
    } else {
      break;
    }
  }
  // The decimal exponent of the first nonzero digit.
  const int64_t magnitude = integerDigits > 0 ? integerDigits - 1 : -(leadingFractionZeros + 1);
  int64_t exponent = 0;
  if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
    std::size_t k = i + 1;
    const bool negative = k < number.size() && number[k] == '-';
    if (k < number.size() && (number[k] == '-' || number[k] == '+')) ++k;
    // Saturate: far beyond any double's range either way.
    for (; k < number.size() && isDigit(number[k]) && exponent < 100000000; ++k) {
      exponent = exponent * 10 + (number[k] - '0');
    }
    if (negative) exponent = -exponent;
  }
  return magnitude + exponent < 0;
}

// A real column: decimal digits with an optional fraction and exponent. Words such as "inf" or
// "nan" and hexadecimal forms have no leading decimal digit and so do not parse. Overflow fails;
// a value too small for a double reads as zero.
std::optional<double> parseReal(std::string_view text, std::size_t& used) {
  const std::size_t size = text.size();
  const bool negative = takeSign(text);
  const bool startsNumber =
      !text.empty() &&
      (isDigit(text[0]) || (text[0] == '.' && text.size() > 1 && isDigit(text[1])));
  if (!startsNumber) return std::nullopt;
  double value = 0.0;
  const auto result =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    if (!isTiny(text)) return std::nullopt;
    value = 0.0;
  } else if (result.ec != std::errc{}) {
    return std::nullopt;
  }
  used = size - text.size() + static_cast<std::size_t>(result.ptr - text.data());
  return negative ? -value : value;
}

// ---- Columns ----

// Nothing reads past column 21, so the split stops there: a line of a million commas costs no
// more than finding its end.
constexpr std::size_t kReadColumns = 22;
constexpr std::string_view kEndMarker = "end";

bool isBlankText(std::string_view text) {
  for (const char c : text) {
    if (!isSpace(c)) return false;
  }
  return true;
}

// A line split at every comma, with the end marker after its last column. With a sink it notes
// every number it could not read, or read only in part, and every text it hands out.
class Columns {
 public:
  Columns(std::string_view line, CardReadSink* sink)
      : sink_(sink), line_(line.data()), lineSize_(line.size()) {
    std::size_t pos = 0;
    // A comma at the very end makes no further column: the loop stops at the end of the text.
    while (pos < line.size() && count_ < kReadColumns) {
      std::size_t comma = line.find(',', pos);
      if (comma == std::string_view::npos) comma = line.size();
      columns_[count_++] = line.substr(pos, comma - pos);
      pos = comma + 1;
    }
    moreColumns_ = pos < line.size();
  }

  // The column's text; the end marker right after the last column; nothing beyond that.
  std::optional<std::string_view> text(std::size_t index) const {
    if (index < count_) return columns_[index];
    if (index == count_ && !moreColumns_) return kEndMarker;
    return std::nullopt;
  }

  std::optional<int32_t> integer(std::size_t index) const {
    const auto column = text(index);
    std::size_t used = 0;
    const auto value = column ? parseInt(*column, used) : std::nullopt;
    if (sink_) noteNumber(index, value.has_value(), used);
    return value;
  }

  std::optional<double> real(std::size_t index) const {
    const auto column = text(index);
    std::size_t used = 0;
    const auto value = column ? parseReal(*column, used) : std::nullopt;
    if (sink_) noteNumber(index, value.has_value(), used);
    return value;
  }

  // A text column that a field takes.
  std::optional<std::string_view> textField(std::size_t index) const {
    const auto column = text(index);
    if (sink_ && column) {
      note(index < count_ ? CardReadSink::Kind::text : CardReadSink::Kind::endMarkerText, index);
    }
    return column;
  }

  void note(CardReadSink::Kind kind, std::size_t index, std::size_t read = 0) const {
    const std::string_view column = text(index).value_or(std::string_view());
    const std::size_t offset =
        index < count_ ? static_cast<std::size_t>(column.data() - line_) : lineSize_;
    // A column the line lacks has no text of its own, whatever the end marker reads.
    const std::string written(index < count_ ? column : std::string_view());
    sink_->notes.push_back({kind, sink_->line, static_cast<int>(index), offset, written, read});
  }

  CardReadSink* sink() const { return sink_; }

 private:
  // Empty columns are how a card says "none": only written numbers that fail are worth a note.
  void noteNumber(std::size_t index, bool parsed, std::size_t used) const {
    if (index >= count_) return;
    const std::string_view column = columns_[index];
    if (!parsed && !isBlankText(column)) note(CardReadSink::Kind::notParsed, index);
    if (parsed && !isBlankText(column.substr(used))) {
      note(CardReadSink::Kind::readFromPrefix, index, used);
    }
  }

  CardReadSink* sink_;
  const char* line_;
  std::size_t lineSize_;
  std::array<std::string_view, kReadColumns> columns_{};
  std::size_t count_ = 0;
  bool moreColumns_ = false;
};

// ---- Records ----

template <typename T>
void assignIfParsed(T& target, const std::optional<T>& value) {
  if (value) target = *value;
}

void assignIfPresent(std::string& target, const std::optional<std::string_view>& value) {
  if (value) target.assign(value->data(), value->size());
}

// A record that needs every column: the first one that did not parse is why it was dropped.
void noteDropped(const Columns& columns, std::initializer_list<bool> parsed) {
  if (!columns.sink()) return;
  std::size_t index = 1;
  for (const bool ok : parsed) {
    if (!ok) break;
    ++index;
  }
  columns.note(CardReadSink::Kind::recordDropped, index);
}

void noteAppended(const Columns& columns, CardReadSink::Kind kind) {
  if (columns.sink()) columns.sink()->notes.push_back({kind, columns.sink()->line, -1, 0, {}, 0});
}

// The hour 0 is shown as 24: 3000 (0:30:00) becomes 243000.
int32_t withHourZeroAs24(int32_t time) {
  return time < 10000 ? time + 240000 : time;
}

void readPointRecord(IcCardCatalogue& card, const Columns& columns) {
  const auto rowIndex = columns.integer(1);
  const auto startKm = columns.real(2);
  const auto endKm = columns.real(3);
  const auto kind = columns.integer(4);
  if (rowIndex && startKm && endKm && kind) {
    card.pointRecords.push_back({*rowIndex, *startKm, *endKm, *kind});
    noteAppended(columns, CardReadSink::Kind::point);
  } else {
    noteDropped(columns, {rowIndex.has_value(), startKm.has_value(), endKm.has_value()});
  }
}

void readSectionRecord(IcCardCatalogue& card, const Columns& columns) {
  const auto rowIndex = columns.integer(1);
  const auto fromKm = columns.real(2);
  const auto toKm = columns.real(3);
  const auto zoneLengthKm = columns.real(4);
  const auto value = columns.integer(5);
  if (rowIndex && fromKm && toKm && zoneLengthKm && value) {
    card.sectionRecords.push_back({*rowIndex, *fromKm, *toKm, *zoneLengthKm, *value});
    noteAppended(columns, CardReadSink::Kind::section);
  } else {
    noteDropped(columns, {rowIndex.has_value(), fromKm.has_value(), toKm.has_value(),
                          zoneLengthKm.has_value()});
  }
}

void readTimetableRow(IcCardCatalogue& card, const Columns& columns) {
  IcRow row;
  assignIfParsed(row.runSeconds, columns.integer(1));
  assignIfPresent(row.stationName, columns.textField(2));
  if (columns.text(3)) {
    assignIfParsed(row.arrivalTime, columns.integer(3));
    row.arrivalTime = withHourZeroAs24(row.arrivalTime);
  }
  if (columns.text(4)) {
    assignIfParsed(row.departureTime, columns.integer(4));
    row.departureTime = withHourZeroAs24(row.departureTime);
  }
  assignIfParsed(row.track, columns.integer(5));
  if (const auto value = columns.integer(6)) row.valueList[0] = *value / 5;
  if (const auto value = columns.integer(7)) row.valueList[1] = *value / 5;
  assignIfParsed(row.kmPost, columns.real(8));
  if (const auto value = columns.integer(9)) row.hidden = *value != 0;
  assignIfParsed(row.sectionKm, columns.real(10));
  assignIfParsed(row.announceKind, columns.integer(11));
  assignIfParsed(row.valueC, columns.integer(12));
  assignIfParsed(row.valueD, columns.integer(13));
  assignIfParsed(row.sectionCode, columns.integer(14));
  assignIfPresent(row.text15, columns.textField(15));
  assignIfParsed(row.value16, columns.integer(16));
  if (const auto value = columns.integer(17)) row.kmAscending = *value != 0;
  assignIfParsed(row.stationId, columns.integer(18));
  assignIfPresent(row.text19, columns.textField(19));
  assignIfPresent(row.text20, columns.textField(20));
  // A stop type of 2 or less is taken as written; otherwise an arrival in hour 26 marks a
  // station the train passes.
  const auto kind = columns.integer(21);
  if (kind && *kind <= 2) {
    row.rowKind = *kind;
  } else {
    row.rowKind = row.arrivalTime / 10000 == 26 ? 1 : 0;
  }
  card.icRows.push_back(std::move(row));
  noteAppended(columns, CardReadSink::Kind::row);
}

// ---- Lines of a file ----

constexpr std::size_t kChunkSize = std::size_t{1} << 20;

std::size_t findLineEnd(std::string_view data, std::size_t from) {
  while (from < data.size() && data[from] != '\n' && data[from] != '\r') ++from;
  return from;
}

// Hands every line of the stream, without its end (LF, CR LF or a lone CR), to readCardLine.
// Reads in large chunks; only a line cut by a chunk's end is copied.
void readLines(IcCardCatalogue& card, platform::RegularFileReader& in, CardReadSink* sink) {
  // The sink's line number goes up before each line is read.
  const auto readLine = [&](std::string_view line) {
    if (sink) ++sink->line;
    readCardLine(card, line, sink);
  };
  std::vector<char> chunk(kChunkSize);
  std::string pending;  // the start of a line that the previous chunk cut
  bool lfMayFollowCr = false;
  for (;;) {
    const std::size_t got = in.read(chunk.data(), chunk.size());
    if (got == 0) break;
    const std::string_view data(chunk.data(), got);
    std::size_t pos = 0;
    if (lfMayFollowCr && data[0] == '\n') pos = 1;
    lfMayFollowCr = false;
    while (pos < data.size()) {
      const std::size_t end = findLineEnd(data, pos);
      if (end == data.size()) {
        pending.append(data.substr(pos));
        break;
      }
      if (pending.empty()) {
        readLine(data.substr(pos, end - pos));
      } else {
        pending.append(data.substr(pos, end - pos));
        readLine(pending);
        pending.clear();
      }
      pos = end + 1;
      if (data[end] == '\r') {
        if (pos < data.size()) {
          if (data[pos] == '\n') ++pos;
        } else {
          lfMayFollowCr = true;
        }
      }
    }
  }
  if (!pending.empty()) readLine(pending);  // the last line had no line end
}

}  // namespace

void readCardLine(IcCardCatalogue& card, std::string_view line, CardReadSink* sink) {
  const Columns columns(line, sink);
  std::size_t used = 0;
  const auto type = parseInt(columns.text(0).value_or(kEndMarker), used);
  if (!type) {  // headers and comments
    if (sink && !isBlankText(line)) columns.note(CardReadSink::Kind::typeNotNumber, 0);
    return;
  }
  switch (*type) {
    case 0:
      assignIfPresent(card.record0Text, columns.textField(1));
      break;
    case 1:
      assignIfParsed(card.record1ValueA, columns.integer(1));
      assignIfParsed(card.record1ValueB, columns.integer(2));
      break;
    case 3:
      assignIfPresent(card.trainNumberText, columns.textField(1));
      break;
    case 4:
      assignIfPresent(card.record4Text, columns.textField(1));
      break;
    case 5:
      readPointRecord(card, columns);
      break;
    case 6:
      readSectionRecord(card, columns);
      break;
    case 7:
      readTimetableRow(card, columns);
      break;
    case 8:
      assignIfParsed(card.record8Value, columns.integer(1));
      break;
    case 11:
      assignIfPresent(card.record11Text, columns.textField(1));
      assignIfParsed(card.record11Value, columns.integer(2));
      break;
    case 12:
      assignIfPresent(card.secondTrainNumberText, columns.textField(1));
      assignIfParsed(card.secondTrainTimeA, columns.integer(2));
      assignIfParsed(card.secondTrainTimeB, columns.integer(3));
      assignIfParsed(card.secondTrainValue, columns.integer(4));
      break;
    default:
      // 2, 9, 10 and unknown types carry nothing the plug-in uses
      if (sink) columns.note(CardReadSink::Kind::typeIgnored, 0);
      break;
  }
}

bool readCardFile(IcCardCatalogue& card, const std::filesystem::path& path, CardReadSink* sink) {
  // Only a regular file is a card: a FIFO would stop the host and a device might never end.
  platform::RegularFileReader in(path);
  if (in.opened() != platform::RegularFileReader::Opened::yes) return false;
  readLines(card, in, sink);
  return true;
}

}  // namespace tims
