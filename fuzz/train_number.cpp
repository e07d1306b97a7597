// Train numbers and card paths: a type-1000 beacon value names a card file, and texts from the
// card become the six display codes. Arbitrary bytes and beacon values must give codes the panel
// can show and paths inside the card folders; a train number built from the tables must read back
// as the codes it was built from, through the file name its beacon value names.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "iccard/train_number_codes.h"
#include "platform/code_page.h"
#include "unit/card_insert.h"

namespace {

using namespace tims;

constexpr std::string_view kThroughMark = "\x92\xCA";

bool isDisplayCode(const auto& table, int32_t code) {
  if (code == kBlankTrainCode) return true;
  for (const TrainNumberCode& row : table) {
    if (row.displayCode == code) return true;
  }
  return false;
}

void checkArbitraryText(TimsUnit& unit, std::string_view text) {
  const SixCodes codes = convertTrainNumber(unit, text);
  TIMS_FUZZ_CHECK(isDisplayCode(kPrefixCodes, codes[0]));
  TIMS_FUZZ_CHECK(isDisplayCode(kSuffixCodes, codes[5]));
  for (int entry = 1; entry <= 4; ++entry) {
    // A digit position holds a byte from '0' up as a signed 8-bit value, or the blank.
    TIMS_FUZZ_CHECK(codes[entry] >= 0 && codes[entry] <= 127 - '0');
    if (unit.useLegacyDisp) TIMS_FUZZ_CHECK(codes[entry] != kBlankTrainDigit);
  }
  TIMS_FUZZ_CHECK(unit.beaconKind10Flag == text.starts_with(kThroughMark));
}

bool isValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80   ? 1
                               : lead < 0xC2 ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                                             : 4;
    if (length == 0 || lead > 0xF4 || i + length > text.size()) return false;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    const char32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < shortest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
      return false;
    }
    i += length;
  }
  return true;
}

void checkCodePage(std::string_view bytes) {
  const std::string utf8 = platform::utf8FromShiftJis(bytes);
  TIMS_FUZZ_CHECK(isValidUtf8(utf8));
  for (const char16_t unit : platform::utf16FromShiftJis(bytes)) {
    TIMS_FUZZ_CHECK(unit < 0xD800 || unit >= 0xE000);  // Shift-JIS lies in the basic plane
  }
  TIMS_FUZZ_CHECK(platform::pathFromShiftJis(bytes).native() == utf8);
  // Every byte either converts or becomes one '?': nothing can grow beyond the input's length.
  TIMS_FUZZ_CHECK(platform::shiftJisFromUtf8(bytes).size() <= bytes.size());
  TIMS_FUZZ_CHECK(platform::shiftJisFromUtf8(utf8).size() <= utf8.size());
}

// Any beacon value: a path inside the catalogue's folder for its index, or inside the default
// folder beside the card list, or none for an index the catalogue has not loaded.
void checkCardPath(const IcCardCatalogue& card, int32_t data) {
  const std::filesystem::path path = cardPath(card, data);
  const int32_t index = data / 100000000;
  if (index >= 0 && index < kCardFolderCount &&
      static_cast<std::size_t>(index) >= card.cardFolders.size()) {
    TIMS_FUZZ_CHECK(path.empty());
    return;
  }
  const std::filesystem::path folder =
      index >= 0 && index < kCardFolderCount
          ? card.cardFolders[static_cast<std::size_t>(index)]
          : card.iniPath.parent_path() / "default" / std::to_string(index);
  TIMS_FUZZ_CHECK(path.parent_path() == folder);
  TIMS_FUZZ_CHECK(path.extension() == ".csv");
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
  const std::string text =
      platform::shiftJisFromUtf8(std::string_view(fileName).substr(0, fileName.size() - 4));
  const SixCodes codes = convertTrainNumber(unit, text);
  const std::string digits = std::to_string(number);
  TIMS_FUZZ_CHECK(codes[0] == prefix.displayCode);
  for (int entry = 1; entry <= 4; ++entry) TIMS_FUZZ_CHECK(codes[entry] == digits[entry - 1] - '0');
  TIMS_FUZZ_CHECK(codes[5] == suffix.displayCode);
  TIMS_FUZZ_CHECK(!unit.beaconKind10Flag);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  fuzz::FuzzInput in(data, size);
  TimsUnit unit;
  unit.useLegacyDisp = in.flag();

  // A catalogue loaded in part (or not at all) and a whole one.
  IcCardCatalogue card;
  card.iniPath = "/vehicle/TIMS_ICCard.ini";
  const std::size_t folders = in.byte() % (kCardFolderCount + 1);
  for (std::size_t k = 0; k < kCardFolderCount; ++k) {
    card.cardFolders.push_back("/cards/" + std::to_string(k));
  }
  checkTableTrain(in, card, unit);
  card.cardFolders.resize(folders);
  checkCardPath(card, in.value<int32_t>());
  const std::string_view text = in.rest();
  checkArbitraryText(unit, text);
  checkCodePage(text);
  return 0;
}
