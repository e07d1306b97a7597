// The readers of what a vehicle author writes: the input's first byte (modulo 4) chooses a card
// file, the card list, train numbers and card paths, or a settings file; the rest is its input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "fuzz_input.h"
#include "iccard/card_reader.h"
#include "iccard/catalogue.h"
#include "iccard/train_number_codes.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/profile.h"
#include "platform/windows_paths.h"
#include "unit/card_insert.h"

namespace {

using namespace tims;
using namespace tims::platform;
using std::filesystem::path;

// ---- Card files: read from disk, a card loads exactly the records that its lines give one by
// one, whatever its bytes, line ends and lengths. A text that starts with 0xFF is shifted behind a
// line of about a megabyte, so that it straddles the end of the reader's first chunk; the byte
// after 0xFF says how far.
auto fields(const IcPointRecord& p) {
  return std::tie(p.rowIndex, p.startKm, p.endKm, p.kind);
}
auto fields(const IcSectionRecord& s) {
  return std::tie(s.rowIndex, s.fromKm, s.toKm, s.zoneLengthKm, s.value);
}
auto fields(const IcRow& r) {
  return std::tie(r.value16, r.text20, r.runSeconds, r.stationName, r.rowKind, r.arrivalTime,
                  r.departureTime, r.text19, r.track, r.valueList, r.kmPost, r.hidden, r.sectionKm,
                  r.announceKind, r.valueC, r.valueD, r.sectionCode, r.text15, r.kmAscending,
                  r.stationId);
}
auto fields(const IcCardCatalogue& c) {
  return std::tie(c.record0Text, c.trainNumberText, c.record4Text, c.secondTrainNumberText,
                  c.secondTrainTimeA, c.secondTrainTimeB, c.secondTrainValue, c.record8Value,
                  c.record11Text, c.record11Value, c.record1ValueA, c.record1ValueB);
}

template <typename Record>
bool sameRecords(const std::vector<Record>& a, const std::vector<Record>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const Record& x, const Record& y) { return fields(x) == fields(y); });
}

void checkCardFile(std::string_view input, const path& folder) {
  constexpr std::size_t kReaderChunk = std::size_t{1} << 20;  // as the card reader reads
  const bool shifted = input.size() >= 2 && input[0] == '\xFF';
  const std::string_view text = shifted ? input.substr(2) : input;
  std::string bytes;
  if (shifted) bytes = std::string(kReaderChunk - static_cast<uint8_t>(input[1]) - 1, 'x') + '\n';
  bytes += text;

  IcCardCatalogue byLines;
  std::size_t lines = 0;
  fuzz::forEachLine(text, [&](std::string_view line) {
    readCardLine(byLines, line);
    ++lines;
  });
  TIMS_FUZZ_CHECK(
      byLines.icRows.size() + byLines.pointRecords.size() + byLines.sectionRecords.size() <= lines);

  fuzz::writeFile(folder / "card.csv", bytes);
  IcCardCatalogue fromFile;
  TIMS_FUZZ_CHECK(readCardFile(fromFile, folder / "card.csv"));
  TIMS_FUZZ_CHECK(fields(byLines) == fields(fromFile));
  TIMS_FUZZ_CHECK(sameRecords(byLines.pointRecords, fromFile.pointRecords));
  TIMS_FUZZ_CHECK(sameRecords(byLines.sectionRecords, fromFile.sectionRecords));
  TIMS_FUZZ_CHECK(sameRecords(byLines.icRows, fromFile.icRows));

  // A reset leaves the values that outlive a card and clears the rest.
  resetCard(fromFile);
  TIMS_FUZZ_CHECK(fromFile.icRows.empty() && fromFile.pointRecords.empty() &&
                  fromFile.sectionRecords.empty());
  TIMS_FUZZ_CHECK(fromFile.record1ValueA == byLines.record1ValueA &&
                  fromFile.record1ValueB == byLines.record1ValueB);
}

// ---- The card list: the input's first line is a folder value written the Windows way, for the
// path rules; the whole input is also the TIMS_ICCard.ini that a load reads.

// What a normalised path looks like after its root name: one separator kind, no runs of
// separators, no `.` components, and no `..` at all when the path is rooted.
void checkNormalised(PathStringView normalised, PathChar separator) {
  TIMS_FUZZ_CHECK(normalised.find(separator == '/' ? '\\' : '/') == PathStringView::npos);
  const std::size_t root = windowsRootNameLength(normalised);
  TIMS_FUZZ_CHECK(root <= normalised.size());
  if (normalised == PathStringView(".")) return;
  const bool rooted = root < normalised.size() && normalised[root] == separator;
  for (std::size_t pos = rooted ? root + 1 : root; pos < normalised.size();) {
    std::size_t end = pos;
    while (end < normalised.size() && !isWindowsSeparator(normalised[end])) ++end;
    const PathStringView component = normalised.substr(pos, end - pos);
    TIMS_FUZZ_CHECK(!component.empty());  // no run of separators
    TIMS_FUZZ_CHECK(component != PathStringView("."));
    if (rooted) TIMS_FUZZ_CHECK(component != PathStringView(".."));
    pos = end + 1;
  }
}

void checkPathRules(PathStringView value) {
  TIMS_FUZZ_CHECK(windowsRootNameLength(value) <= value.size());
  for (const PathChar separator : {PathChar('/'), PathChar('\\')}) {
    const PathString once = normaliseWindowsPath(value, separator);
    TIMS_FUZZ_CHECK(!once.empty());
    TIMS_FUZZ_CHECK(normaliseWindowsPath(once, separator) == once);
    checkNormalised(once, separator);
  }
  const PathString joined = joinWindowsPaths("C:\\vehicle\\", value);
  TIMS_FUZZ_CHECK(!joined.empty());
  if (windowsRootNameLength(value) == 0 && (value.empty() || !isWindowsSeparator(value[0]))) {
    TIMS_FUZZ_CHECK(joined.starts_with("C:\\vehicle\\"));  // a relative value stays inside
  }

  std::error_code error;
  const path full = makeAbsolute(PathString(value), "/vehicle/", error);
  TIMS_FUZZ_CHECK(!error);
  const bool asWritten = (!value.empty() && value[0] == '/') || isWindowsAbsolute(value);
  TIMS_FUZZ_CHECK(asWritten || full.native().starts_with('/'));
}

// Every entry comes out as an existing folder or the fallback.
void checkCardList(std::string_view input, const path& folder) {
  checkPathRules(input.substr(0, input.find('\n')));
  IcCardCatalogue card;
  card.iniPath = folder / "TIMS_ICCard.ini";
  fuzz::writeFile(card.iniPath, input);
  loadCatalogue(card);
  TIMS_FUZZ_CHECK(card.cardFolders.size() == static_cast<std::size_t>(kCardFolderCount));
  for (const path& entry : card.cardFolders) {
    std::error_code error;
    TIMS_FUZZ_CHECK(entry == folder / "default" / "0" || pathExists(entry, error));
  }
}

// ---- Train numbers and card paths: a type-1000 beacon value names a card file, and texts from
// the card become the six display codes. The input: legacy flag, catalogue size, a table train, a
// beacon value, then any bytes.
bool isDisplayCode(const auto& table, int32_t code) {
  return code == kBlankTrainCode || std::any_of(table.begin(), table.end(), [&](const auto& row) {
           return row.displayCode == code;
         });
}

// Arbitrary bytes give codes the panel can show.
void checkArbitraryText(TimsUnit& unit, std::string_view text) {
  const SixCodes codes = convertTrainNumber(unit, text);
  TIMS_FUZZ_CHECK(isDisplayCode(kPrefixCodes, codes[0]));
  TIMS_FUZZ_CHECK(isDisplayCode(kSuffixCodes, codes[5]));
  for (int entry = 1; entry <= 4; ++entry) {
    // A digit position holds a byte from '0' up as a signed 8-bit value, or the blank.
    TIMS_FUZZ_CHECK(codes[entry] >= 0 && codes[entry] <= 127 - '0');
    if (unit.useLegacyDisp) TIMS_FUZZ_CHECK(codes[entry] != kBlankTrainDigit);
  }
  TIMS_FUZZ_CHECK(unit.beaconKind10Flag == text.starts_with("\x92\xCA"));  // the through mark
}

// UTF-8 written here from the code units rather than by the library's own encoder.
std::string utf8Of(std::u16string_view text) {
  std::string out;
  for (const char16_t unit : text) {
    TIMS_FUZZ_CHECK(unit < 0xD800 || unit >= 0xE000);  // Shift-JIS lies in the basic plane
    if (unit < 0x80) {
      out += static_cast<char>(unit);
    } else {
      if (unit >= 0x800) out += static_cast<char>(0xE0 | unit >> 12);
      out += static_cast<char>((unit < 0x800 ? 0xC0 : 0x80) | (unit >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  return out;
}

void checkCodePage(std::string_view bytes) {
  const std::string utf8 = utf8FromShiftJis(bytes);
  TIMS_FUZZ_CHECK(utf8 == utf8Of(utf16FromShiftJis(bytes)));  // both conversions agree
  TIMS_FUZZ_CHECK(pathFromShiftJis(bytes).native() == utf8);
  // Every byte either converts or becomes one '?': nothing can grow beyond the input's length.
  TIMS_FUZZ_CHECK(shiftJisFromUtf8(bytes).size() <= bytes.size());
  TIMS_FUZZ_CHECK(shiftJisFromUtf8(utf8).size() <= utf8.size());
}

// Any beacon value: a path inside the catalogue's folder for its index, or inside the default
// folder beside the card list, or none for an index the catalogue has not loaded.
void checkCardPath(const IcCardCatalogue& card, int32_t data) {
  const path file = cardPath(card, data);
  const int32_t index = data / 100000000;
  const bool listed = index >= 0 && index < kCardFolderCount;
  if (listed && static_cast<std::size_t>(index) >= card.cardFolders.size()) {
    TIMS_FUZZ_CHECK(file.empty());
    return;
  }
  TIMS_FUZZ_CHECK(file.parent_path() ==
                  (listed ? card.cardFolders[static_cast<std::size_t>(index)]
                          : card.iniPath.parent_path() / "default" / std::to_string(index)));
  TIMS_FUZZ_CHECK(file.extension() == ".csv");
}

// A beacon value built from table rows: the file name it names, read back as a train number,
// shows the prefix, the four digits and the suffix it was built from.
void checkTableTrain(fuzz::FuzzInput& in, const IcCardCatalogue& card, TimsUnit& unit) {
  const TrainNumberCode& prefix = kPrefixCodes[in.byte() % kPrefixCodes.size()];
  const TrainNumberCode& suffix = kSuffixCodes[in.byte() % kSuffixCodes.size()];
  if (suffix.fileCode == kNoFileCode) return;
  const int32_t number = 1000 + in.value<uint16_t>() % 9000;  // four digits
  const int32_t data = prefix.fileCode * 1000000 + number * 100 + suffix.fileCode;
  const std::string fileName = cardPath(card, data).filename().string();
  TIMS_FUZZ_CHECK(fileName.ends_with(".csv"));
  const SixCodes codes = convertTrainNumber(
      unit, shiftJisFromUtf8(std::string_view(fileName).substr(0, fileName.size() - 4)));
  const std::string digits = std::to_string(number);
  TIMS_FUZZ_CHECK(codes[0] == prefix.displayCode);
  for (int entry = 1; entry <= 4; ++entry) TIMS_FUZZ_CHECK(codes[entry] == digits[entry - 1] - '0');
  TIMS_FUZZ_CHECK(codes[5] == suffix.displayCode);
  TIMS_FUZZ_CHECK(!unit.beaconKind10Flag);
}

void checkTrainNumbers(std::string_view input, const path& /*folder*/) {
  fuzz::FuzzInput in(input);
  TimsUnit unit;
  unit.useLegacyDisp = in.flag();
  // A whole catalogue for the table train, then one loaded in part (or not at all).
  IcCardCatalogue card;
  card.iniPath = "/vehicle/TIMS_ICCard.ini";
  const std::size_t folders = in.byte() % (kCardFolderCount + 1);
  for (int k = 0; k < kCardFolderCount; ++k)
    card.cardFolders.push_back("/cards/" + std::to_string(k));
  checkTableTrain(in, card, unit);
  card.cardFolders.resize(folders);
  checkCardPath(card, in.value<int32_t>());
  const std::string_view text = in.bytes(input.size());
  checkArbitraryText(unit, text);
  checkCodePage(text);
}

// ---- Settings files: five names, one a line (section, key, value, then a second section and
// key), then the file's bytes. With plain names, a value written is the value read back, and no
// other key changes.

// A name without anything the file format gives a meaning: no white space, line ends, NUL,
// brackets, '=', quotes or ';'. Plain values may hold more, but not at their ends.
bool isPlainName(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
  });
}

bool isPlainValue(std::string_view value) {
  if (value.starts_with(' ') || value.ends_with(' ')) return false;
  return std::all_of(value.begin(), value.end(), [](char c) {
    return isPlainName(std::string_view(&c, 1)) ||
           std::string_view(" =[];,").find(c) != std::string_view::npos;
  });
}

bool equalNames(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](char x, char y) { return lower(x) == lower(y); });
}

std::string_view takeLine(std::string_view& input) {
  const std::size_t end = input.find('\n');
  const std::string_view line = input.substr(0, end);
  input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
  return line;
}

// Integers written the way a settings author writes them read back as written.
void checkIntegers(int32_t number) {
  const std::string decimal = std::to_string(number);
  TIMS_FUZZ_CHECK(parseProfileInt(decimal) == number);
  TIMS_FUZZ_CHECK(parseProfileInt(" \t" + decimal + "x") == number);
  if (number >= 0) TIMS_FUZZ_CHECK(parseProfileInt("+" + decimal) == number);
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%x", static_cast<unsigned>(number));
  TIMS_FUZZ_CHECK(parseProfileInt(hex) == number);
}

struct Names {
  std::string_view section, key, value, otherSection, otherKey;

  bool plain() const { return isPlainName(section) && isPlainName(key) && isPlainValue(value); }
  // The other key is plain too and is not the one written.
  bool otherPlain() const {
    return isPlainName(otherSection) && isPlainName(otherKey) &&
           !(equalNames(section, otherSection) && equalNames(key, otherKey));
  }
};

// Any file is read and updated without harm, as text and on disk, where a file saved as UTF-16 or
// with a UTF-8 mark is written back in its own form and read back in Shift-JIS.
void checkSettingsFile(const path& file, std::string_view bytes, const Names& n) {
  const std::string text = decodeProfileBytes(bytes);
  if (bytes.size() < 2 || !(bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE"))) {
    TIMS_FUZZ_CHECK(text == bytes);  // no mark: the bytes are the text
  }
  std::string found;
  if (findProfileValue(text, n.section, n.key, found)) parseProfileInt(found);
  const std::string updated = replaceProfileValue(text, n.section, n.key, n.value);
  if (n.plain()) {
    TIMS_FUZZ_CHECK(findProfileValue(updated, n.section, n.key, found) && found == n.value);
    // Writing the value that is there already changes nothing.
    TIMS_FUZZ_CHECK(replaceProfileValue(updated, n.section, n.key, n.value) == updated);
  }

  fuzz::writeFile(file, bytes);
  const auto read = [&](std::string_view section, std::string_view key) {
    return readProfileString(file, section, key, "\x01missing", std::size_t{1} << 16);
  };
  const std::string otherBefore = read(n.otherSection, n.otherKey);
  TIMS_FUZZ_CHECK(writeProfileString(file, n.section, n.key, n.value));
  if (!n.plain()) return;
  TIMS_FUZZ_CHECK(read(n.section, n.key) == n.value);
  if (n.otherPlain()) TIMS_FUZZ_CHECK(read(n.otherSection, n.otherKey) == otherBefore);

  std::ifstream in(file, std::ios::binary);
  char mark[3] = {};
  in.read(mark, sizeof mark);
  const std::string_view written(mark, static_cast<std::size_t>(in.gcount()));
  for (const std::string_view bom : {"\xEF\xBB\xBF", "\xFF\xFE"}) {
    if (bytes.starts_with(bom) && bytes.size() >= 2) TIMS_FUZZ_CHECK(written.starts_with(bom));
  }
}

void checkSettings(std::string_view input, const path& folder) {
  checkIntegers(fuzz::FuzzInput(input).value<int32_t>());
  // A braced list takes the lines in order.
  const Names names{takeLine(input), takeLine(input), takeLine(input), takeLine(input),
                    takeLine(input)};
  checkSettingsFile(folder / "TIMS_Spec.ini", input, names);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const fuzz::ScratchFolder folder("readers");
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  using Check = void (*)(std::string_view, const path&);
  constexpr Check kChecks[] = {checkCardFile, checkCardList, checkTrainNumbers, checkSettings};
  kChecks[size > 0 ? data[0] % 4 : 0](input.substr(size > 0 ? 1 : 0), folder.path);
  return 0;
}
