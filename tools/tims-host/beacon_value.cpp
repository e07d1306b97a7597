#include "tims-host/beacon_value.h"

#include "iccard/train_number_codes.h"
#include "platform/code_page.h"

namespace tims::host {
namespace {

// A suffix code beyond the table: the file name then ends with the number.
constexpr int32_t kNoSuffixCode = 99;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// A command line is UTF-8 on most systems and Shift-JIS on a Japanese Windows; the table's
// texts are Shift-JIS. A UTF-8 text never has the length of the table text it would match, so
// trying the bytes as they are first cannot take one for the other.
const TrainNumberCode* findText(const auto& table, const std::string& text) {
  const TrainNumberCode* row = findByText(table, text);
  return row != nullptr ? row : findByText(table, platform::shiftJisFromUtf8(text));
}

}  // namespace

std::variant<int32_t, std::string> cardBeaconValue(int32_t cardIndex, std::string_view trainName) {
  if (cardIndex < 0 || cardIndex > kMaxBeaconCardIndex) {
    return "card index " + std::to_string(cardIndex) + " is outside 0.." +
           std::to_string(kMaxBeaconCardIndex) + ", the indexes a beacon value can carry";
  }
  const std::string name(trainName);
  const std::size_t digitsBegin = name.find_first_of("0123456789");
  if (digitsBegin == std::string::npos) return "train name '" + name + "' has no number";
  std::size_t digitsEnd = digitsBegin;
  while (digitsEnd < name.size() && isDigit(name[digitsEnd])) ++digitsEnd;
  const std::string digits = name.substr(digitsBegin, digitsEnd - digitsBegin);
  if (digits.size() > 4 || (digits.size() > 1 && digits[0] == '0')) {
    return "train number '" + digits + "' must be 0..9999 without leading zeros";
  }

  int32_t prefixCode = 0;  // no prefix
  if (digitsBegin > 0) {
    const TrainNumberCode* row = findText(kPrefixCodes, name.substr(0, digitsBegin));
    if (row == nullptr) {
      return "'" + name.substr(0, digitsBegin) + "' is not a train-number prefix";
    }
    prefixCode = row->fileCode;
  }
  int32_t suffixCode = kNoSuffixCode;
  if (digitsEnd < name.size()) {
    const TrainNumberCode* row = findText(kSuffixCodes, name.substr(digitsEnd));
    if (row == nullptr || row->fileCode == kNoFileCode) {
      return "'" + name.substr(digitsEnd) + "' is not a suffix a beacon can name";
    }
    suffixCode = row->fileCode;
  }
  return cardIndex * 100000000 + prefixCode * 1000000 + std::stoi(digits) * 100 + suffixCode;
}

}  // namespace tims::host
