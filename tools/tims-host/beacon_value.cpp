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
    const std::string prefix = platform::shiftJisFromUtf8(name.substr(0, digitsBegin));
    const TrainNumberCode* row = findByText(kPrefixCodes, prefix);
    if (row == nullptr) {
      return "'" + name.substr(0, digitsBegin) + "' is not a train-number prefix";
    }
    prefixCode = row->fileCode;
  }
  int32_t suffixCode = kNoSuffixCode;
  if (digitsEnd < name.size()) {
    const std::string suffix = platform::shiftJisFromUtf8(name.substr(digitsEnd));
    const TrainNumberCode* row = findByText(kSuffixCodes, suffix);
    if (row == nullptr || row->fileCode == kNoFileCode) {
      return "'" + name.substr(digitsEnd) + "' is not a suffix a beacon can name";
    }
    suffixCode = row->fileCode;
  }
  return cardIndex * 100000000 + prefixCode * 1000000 + std::stoi(digits) * 100 + suffixCode;
}

}  // namespace tims::host
