#include "unit/card_insert.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <string>

#include "common/hhmmss.h"
#include "iccard/card_reader.h"
#include "iccard/train_number_codes.h"
#include "platform/code_page.h"
#include "unit/station_progress.h"

namespace tims {
namespace {

constexpr std::string_view kThroughMark = "\x92\xCA";  // 通

// Length of the character that starts at `pos` (a lead byte at the very end stands alone).
size_t charLength(std::string_view text, size_t pos) {
  const auto byte = static_cast<unsigned char>(text[pos]);
  return platform::isShiftJisLeadByte(byte) && pos + 1 < text.size() ? 2 : 1;
}

bool isCharBoundary(std::string_view text, size_t target) {
  size_t pos = 0;
  while (pos < target) pos += charLength(text, pos);
  return pos == target;
}

// The two-byte suffix the text ends with, or nullptr. It must start on a character boundary (the
// trail byte of a double-byte character is not a letter) and have something in front of it.
const TrainNumberCode* twoByteSuffix(std::string_view text) {
  if (text.size() < 3) return nullptr;
  const size_t start = text.size() - 2;
  if (!isCharBoundary(text, start)) return nullptr;
  return findByText(kSuffixCodes, text.substr(start));
}

// A digit position's code: the byte as a signed 8-bit number minus '0'; bytes below '0' and
// double-byte halves (negative as signed) and positions before the text are blank.
int32_t digitCode(std::string_view text, int64_t pos) {
  if (pos < 0) return kBlankTrainDigit;
  const int32_t code = static_cast<signed char>(text[static_cast<size_t>(pos)]) - '0';
  return code < 0 ? kBlankTrainDigit : code;
}

void copyRowToSlot(TimsUnit& unit, const IcRow& row, size_t slot) {
  const ClockTime arrival = splitHhmmss(row.arrivalTime);
  const ClockTime departure = splitHhmmss(row.departureTime);
  unit.rowStationId[slot] = unit.dispStationId[slot] = row.stationId;
  unit.rowArrHour[slot] = unit.dispArrHour[slot] = arrival.hour;
  unit.rowArrMinute[slot] = unit.dispArrMinute[slot] = arrival.minute;
  unit.rowArrSecond[slot] = unit.dispArrSecond[slot] = arrival.second;
  unit.rowDepHour[slot] = unit.dispDepHour[slot] = departure.hour;
  unit.rowDepMinute[slot] = unit.dispDepMinute[slot] = departure.minute;
  unit.rowDepSecond[slot] = unit.dispDepSecond[slot] = departure.second;
  unit.rowTrack[slot] = unit.dispTrack[slot] = row.track;
  const bool hasRunTime = row.runSeconds >= 0;
  unit.rowRunMinutes[slot] = hasRunTime ? row.runSeconds / 60 : 255;
  unit.rowRunSeconds[slot] = hasRunTime ? row.runSeconds % 60 : 255;
  unit.rowValueA[slot] = row.valueList[0];
  unit.rowValueB[slot] = row.valueList[1];
  unit.rowValueC[slot] = row.valueC;
  unit.rowValueD[slot] = row.valueD;
}

// First window slot of a short timetable: the rows sit around the middle of the window.
int64_t shortTimetableStart(int64_t rowCount, int32_t windowRows) {
  if (rowCount >= 6) return 0;
  return std::max<int64_t>(0, static_cast<uint32_t>(windowRows) / 2 - (rowCount - 2));
}

// A card with two to `windowRows` rows: placed in the middle of the window, shown at once, and
// the records that only a longer timetable fills are cleared.
void layOutShortTimetable(TimsUnit& unit, size_t rowCount) {
  const int64_t start = shortTimetableStart(static_cast<int64_t>(rowCount), unit.d01abRows);
  for (size_t r = 0; r < rowCount; ++r) {
    const auto slot = static_cast<size_t>(start) + r;
    if (slot >= static_cast<size_t>(kRows)) break;  // the window has seven slots
    copyRowToSlot(unit, unit.catalogue.icRows[r], slot);
  }
  unit.afterList = kEmptyAfterList;
  unit.departedStop = kEmptyDeparted;
  unit.terminal = kEmptyTerminal;
  unit.afterListDisp = kEmptyAfterList;
  unit.departedStopDisp = kEmptyDeparted;
  unit.routePosition = 0;
  // The marker moves four steps per row; it starts at the window row of the first card row.
  unit.routePositionBase = static_cast<int32_t>(4 * start);
}

// Reads the card file; any file-system failure counts as a missing file.
bool readSelectedCard(TimsUnit& unit, int32_t data) {
  try {
    const std::filesystem::path path = cardPath(unit.catalogue, data);
    return !path.empty() && readCardFile(unit.catalogue, path);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

CardSelection splitCardValue(int32_t data) {
  // |cardIndex| <= 21, so none of these products can overflow.
  const int32_t cardIndex = data / 100000000;
  const int32_t rest = data - cardIndex * 100000000;
  const int32_t prefixCode = rest / 1000000;
  return {cardIndex, prefixCode, rest / 100 - prefixCode * 10000, rest - (rest / 100) * 100};
}

// The card file name as Shift-JIS bytes: prefix text, number, suffix text, ".csv". Codes that no
// table row carries (negative ones included) add no text.
std::string cardFileName(const CardSelection& selection) {
  std::string name;
  if (const auto* prefix = findByFileCode(kPrefixCodes, selection.prefixCode)) {
    name += prefix->text;
  }
  name += std::to_string(selection.number);
  if (const auto* suffix = findByFileCode(kSuffixCodes, selection.suffixCode)) {
    name += suffix->text;
  }
  name += ".csv";
  return name;
}

namespace {

bool isAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

// The longest prefix text the name starts with (two-character prefixes before their first
// character), or nullptr.
const TrainNumberCode* leadingPrefix(std::string_view name) {
  const TrainNumberCode* best = nullptr;
  for (const TrainNumberCode& row : kPrefixCodes) {
    if (name.starts_with(row.text) && (!best || row.text.size() > best->text.size())) best = &row;
  }
  return best;
}

}  // namespace

CardValueEncoding encodeCardValue(int32_t cardIndex, std::string_view fileName) {
  constexpr std::string_view kExtension = ".csv";
  if (cardIndex < 0 || cardIndex > kMaxBeaconCardIndex) {
    return {std::nullopt, "card index " + std::to_string(cardIndex) +
                              " is beyond a beacon value's range (0 to 21)"};
  }
  if (!fileName.ends_with(kExtension)) return {std::nullopt, "the name does not end in .csv"};
  std::string_view stem = fileName.substr(0, fileName.size() - kExtension.size());

  int32_t prefixCode = 0;  // no table row: no prefix
  if (!stem.empty() && !isAsciiDigit(stem.front())) {
    const TrainNumberCode* prefix = leadingPrefix(stem);
    if (!prefix) return {std::nullopt, "the name starts with no prefix of the code table"};
    prefixCode = prefix->fileCode;
    stem.remove_prefix(prefix->text.size());
  }
  std::size_t digits = 0;
  while (digits < stem.size() && isAsciiDigit(stem[digits])) ++digits;
  if (digits == 0) return {std::nullopt, "the name has no train number"};
  if (digits > 4) return {std::nullopt, "the train number has more than four digits"};
  if (digits > 1 && stem.front() == '0') {
    return {std::nullopt, "the train number has a leading zero, which a beacon never writes"};
  }
  const int32_t number = std::stoi(std::string(stem.substr(0, digits)));
  stem.remove_prefix(digits);

  int32_t suffixCode = kNoSuffixFileCode;
  if (!stem.empty()) {
    const TrainNumberCode* suffix = findByText(kSuffixCodes, stem);
    if (!suffix) return {std::nullopt, "the suffix is not in the code table"};
    if (suffix->fileCode == kNoFileCode) return {std::nullopt, "the suffix has no beacon code"};
    suffixCode = suffix->fileCode;
  }
  const int32_t value = cardIndex * 100000000 + prefixCode * 1000000 + number * 100 + suffixCode;
  // The way back must give the same name, or the value selects another file.
  if (cardFileName(splitCardValue(value)) != fileName) {
    return {std::nullopt, "no beacon value builds this name"};
  }
  return {value, {}};
}

// An empty path means that the card index has no catalogue entry (the catalogue was not loaded).
std::filesystem::path cardPath(const IcCardCatalogue& card, int32_t data) {
  const CardSelection selection = splitCardValue(data);
  std::filesystem::path folder;
  if (static_cast<uint32_t>(selection.cardIndex) < static_cast<uint32_t>(kCardFolderCount)) {
    const auto entry = static_cast<size_t>(selection.cardIndex);
    if (entry >= card.cardFolders.size()) return {};
    folder = card.cardFolders[entry];
  } else {
    // Outside the catalogue: a folder named by the index (minus sign kept) beside the card list.
    folder = card.iniPath.parent_path() / "default" / std::to_string(selection.cardIndex);
  }
  return folder / platform::pathFromShiftJis(cardFileName(selection));
}

// The text is read as [通][prefix]digits suffix:
// - a leading 通 sets unit.beaconKind10Flag (cleared otherwise) and is not part of the prefix;
// - the prefix is the run of double-byte characters in front of the number, stepped two bytes at
//   a time; it matches a table row of one or two characters exactly, anything else shows blank;
// - the suffix is the last byte (when the text has 3 bytes or more), or one of the two-byte
//   suffixes of the table when the text ends with one on a character boundary and has at least
//   one byte in front of it; reading a two-byte suffix as a letter would shift every digit;
// - the four digit positions are the four bytes in front of the suffix.
SixCodes convertTrainNumber(TimsUnit& unit, std::string_view text) {
  SixCodes codes;
  codes.fill(kBlankTrainCode);

  const bool through = text.starts_with(kThroughMark);
  unit.beaconKind10Flag = through;

  const TrainNumberCode* longSuffix = twoByteSuffix(text);
  const size_t suffixLength = longSuffix ? 2 : 1;
  const int64_t numberEnd = static_cast<int64_t>(text.size()) - static_cast<int64_t>(suffixLength);
  for (int entry = 1; entry <= 4; ++entry) {
    codes[entry] = digitCode(text, numberEnd - 5 + entry);
    if (unit.useLegacyDisp && codes[entry] == kBlankTrainDigit) codes[entry] = 0;
  }

  if (longSuffix) {
    codes[5] = longSuffix->displayCode;
  } else if (text.size() >= 3) {
    const auto* suffix = findByText(kSuffixCodes, text.substr(text.size() - 1));
    codes[5] = suffix ? suffix->displayCode : kBlankTrainCode;
  }

  const size_t prefixStart = through ? kThroughMark.size() : 0;
  const size_t prefixLimit = longSuffix ? text.size() - 2 : text.size();
  size_t prefixEnd = prefixStart;
  while (prefixEnd + 1 < prefixLimit &&
         platform::isShiftJisLeadByte(static_cast<unsigned char>(text[prefixEnd]))) {
    prefixEnd += 2;
  }
  if (prefixEnd > prefixStart) {
    const auto* prefix =
        findByText(kPrefixCodes, text.substr(prefixStart, prefixEnd - prefixStart));
    codes[0] = prefix ? prefix->displayCode : kBlankTrainCode;
  }
  return codes;
}

void insertCard(TimsUnit& unit, int32_t data) {
  unit.icCardActive = readSelectedCard(unit, data);
  if (!unit.icCardActive) return;

  IcCardCatalogue& card = unit.catalogue;
  unit.icRowIndex = 0;
  unit.trainNumberDigits = convertTrainNumber(unit, card.trainNumberText);
  unit.cardValue0 = card.record1ValueA;
  unit.cardValue1 = card.record1ValueB;
  // Converted last, so the second text decides unit.beaconKind10Flag.
  unit.cardCodes = convertTrainNumber(unit, card.secondTrainNumberText);
  const ClockTime timeA = splitHhmmss(card.secondTrainTimeA);
  const ClockTime timeB = splitHhmmss(card.secondTrainTimeB);
  unit.cardTime = {timeA.hour, timeA.minute, timeA.second, timeB.hour, timeB.minute, timeB.second};

  const size_t rowCount = card.icRows.size();
  const auto windowRows = static_cast<int64_t>(unit.d01abRows);
  // The last row is worth a terminal record only when the window cannot show it.
  if (static_cast<uint32_t>(rowCount - unit.icRowIndex) > static_cast<uint32_t>(unit.d01abRows)) {
    if (const IcRow* last = cardRow(unit, rowCount - 1)) {
      const ClockTime arrival = splitHhmmss(last->arrivalTime);
      unit.terminal = {last->stationId, arrival.hour, arrival.minute, arrival.second, last->track};
    }
  }
  unit.cardLabelValue = card.record11Value;
  const int64_t emptyRows =
      std::min(windowRows,
               std::max<int64_t>(0, windowRows - static_cast<int64_t>(rowCount) + unit.icRowIndex));
  unit.routePositionBase = static_cast<int32_t>(4 * emptyRows);

  updateStationList(unit, unit.icRowIndex);

  if (unit.dispType || static_cast<int64_t>(rowCount) > windowRows) return;
  if (rowCount <= 1) {
    unit.icCardActive = false;  // a timetable needs a departure and an arrival
    return;
  }
  layOutShortTimetable(unit, rowCount);
}

}  // namespace tims
