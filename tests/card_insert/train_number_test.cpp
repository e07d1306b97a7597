#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <string>

#include "iccard/card_insert.h"
#include "iccard/train_number_codes.h"
#include "platform/code_page.h"
#include "unit/tims_unit.h"

namespace tims {
namespace {

constexpr const char* kNi = "\x89\xD7";                  // 荷
constexpr const char* kThrough = "\x92\xCA";             // 通
constexpr const char* kTestSingle = "\x8E\x8E\x92\x50";  // 試単
constexpr const char* kIri = "\x93\xFC";                 // 入

SixCodes convert(std::string_view text, bool legacy = false) {
  TimsUnit unit;
  unit.useLegacyDisp = legacy;
  return convertTrainNumber(unit, text);
}

TEST(TrainNumberTables, PrefixCodesAreOneOrTwoDoubleByteCharacters) {
  std::set<int32_t> displayCodes;
  for (size_t k = 0; k < kPrefixCodes.size(); ++k) {
    const TrainNumberCode& row = kPrefixCodes[k];
    EXPECT_EQ(row.fileCode, static_cast<int32_t>(k) + 1);
    ASSERT_TRUE(row.text.size() == 2 || row.text.size() == 4) << row.fileCode;
    for (size_t i = 0; i < row.text.size(); i += 2) {
      EXPECT_TRUE(platform::isShiftJisLeadByte(static_cast<unsigned char>(row.text[i])))
          << row.fileCode;
    }
    if (row.displayCode != kBlankTrainCode) {
      EXPECT_TRUE(displayCodes.insert(row.displayCode).second) << row.displayCode;
    }
  }
  EXPECT_EQ(displayCodes.size(), 42u);  // 1..42; one file prefix has no display symbol
  EXPECT_EQ(*displayCodes.begin(), 1);
  EXPECT_EQ(*displayCodes.rbegin(), 42);
}

TEST(TrainNumberTables, SuffixCodesCoverEveryBeaconCodeOnce) {
  std::set<int32_t> fileCodes;
  for (size_t k = 0; k < kSuffixCodes.size(); ++k) {
    EXPECT_EQ(kSuffixCodes[k].displayCode, static_cast<int32_t>(k));
    if (kSuffixCodes[k].fileCode != kNoFileCode) fileCodes.insert(kSuffixCodes[k].fileCode);
  }
  EXPECT_EQ(fileCodes.size(), 33u);
  EXPECT_EQ(*fileCodes.rbegin(), 32);
  EXPECT_EQ(findByDisplayCode(kSuffixCodes, 22)->text, "V");
  EXPECT_EQ(findByDisplayCode(kPrefixCodes, kBlankTrainCode), nullptr);
}

TEST(TrainNumberConversion, EveryPrefixOfTheTable) {
  for (const TrainNumberCode& row : kPrefixCodes) {
    EXPECT_EQ(convert(std::string(row.text) + "1234M"), (SixCodes{row.displayCode, 1, 2, 3, 4, 8}))
        << row.fileCode;
  }
}

TEST(TrainNumberConversion, EverySuffixOfTheTableWithItsDigits) {
  for (const TrainNumberCode& row : kSuffixCodes) {
    EXPECT_EQ(convert("9876" + std::string(row.text)), (SixCodes{50, 9, 8, 7, 6, row.displayCode}))
        << row.text;
  }
  EXPECT_EQ(convert("1234D")[5], kBlankTrainCode);  // no suffix D
}

TEST(TrainNumberConversion, TwoByteSuffixes) {
  EXPECT_EQ(convert(std::string(kNi) + "1234" + "\x8D\x62"), (SixCodes{1, 1, 2, 3, 4, 25}));  // 甲
  // The same bytes open the prefix 入 and close the suffix 入.
  EXPECT_EQ(convert(std::string(kIri) + "1234" + kIri), (SixCodes{27, 1, 2, 3, 4, 33}));
}

TEST(TrainNumberConversion, TwoLettersInsideADoubleByteCharacterAreNoSuffix) {
  // 0x88 0x4B is one character; only the final R stands alone.
  EXPECT_EQ(convert("123\x88KR"), (SixCodes{50, 2, 3, 10, 'K' - '0', 10}));
}

TEST(TrainNumberConversion, LeadingThroughMarkSetsTheFlagAndIsNoPrefix) {
  TimsUnit unit;
  EXPECT_EQ(convertTrainNumber(unit, std::string(kThrough) + kNi + "1234M"),
            (SixCodes{1, 1, 2, 3, 4, 8}));
  EXPECT_TRUE(unit.beaconKind10Flag);
  EXPECT_EQ(convertTrainNumber(unit, std::string(kThrough) + "1234M")[0], kBlankTrainCode);
  EXPECT_TRUE(unit.beaconKind10Flag);

  EXPECT_EQ(convertTrainNumber(unit, "1234M")[0], kBlankTrainCode);
  EXPECT_FALSE(unit.beaconKind10Flag);
  // Behind a prefix the mark is neither the flag nor part of a known prefix.
  EXPECT_EQ(convertTrainNumber(unit, std::string(kNi) + kThrough + "1234M")[0], kBlankTrainCode);
  EXPECT_FALSE(unit.beaconKind10Flag);
}

TEST(TrainNumberConversion, NullTextReadsLettersAsDigits) {
  EXPECT_EQ(convert("NULL"), (SixCodes{50, 10, 30, 37, 28, 17}));
  EXPECT_EQ(convert("NULL", true), (SixCodes{50, 0, 30, 37, 28, 17}));
}

TEST(TrainNumberConversion, ShortTexts) {
  EXPECT_EQ(convert("1M"), (SixCodes{50, 10, 10, 10, 1, 50}));
  EXPECT_EQ(convert("1M", true), (SixCodes{50, 0, 0, 0, 1, 50}));
  EXPECT_EQ(convert(""), (SixCodes{50, 10, 10, 10, 10, 50}));
  EXPECT_EQ(convert("\x89"), (SixCodes{50, 10, 10, 10, 10, 50}));
  // Three digits: the thousands position reads the prefix's second byte (blank above 0x7F).
  EXPECT_EQ(convert(std::string(kNi) + "123M"), (SixCodes{1, 10, 1, 2, 3, 8}));
}

TEST(TrainNumberConversion, WithoutSuffixTheLastDigitIsReadAsSuffix) {
  EXPECT_EQ(convert("1234"), (SixCodes{50, 10, 1, 2, 3, 50}));
}

// ---- Card paths ----

class CardPath : public ::testing::Test {
 protected:
  CardPath() {
    card.iniPath = std::filesystem::path("/plugins/tims/TIMS_ICCard.ini");
    for (int k = 0; k < kCardFolderCount; ++k) {
      card.cardFolders.push_back(std::filesystem::path("/cards") / ("c" + std::to_string(k)));
    }
  }
  std::filesystem::path inFolder(int entry, std::string_view shiftJisName) const {
    return card.cardFolders[static_cast<size_t>(entry)] / platform::pathFromShiftJis(shiftJisName);
  }
  IcCardCatalogue card;
};

TEST_F(CardPath, SplitsIndexPrefixNumberSuffix) {
  EXPECT_EQ(cardPath(card, 301234008), inFolder(3, std::string(kNi) + "2340M.csv"));
  EXPECT_EQ(cardPath(card, 301234008), std::filesystem::path("/cards/c3") / u8"荷2340M.csv");
  EXPECT_EQ(cardPath(card, 5), inFolder(0, "0G.csv"));
  EXPECT_EQ(cardPath(card, 0), inFolder(0, "0A.csv"));
  EXPECT_EQ(cardPath(card, 1010123428), inFolder(10, std::string(kTestSingle) + "1234KR.csv"));
  EXPECT_EQ(cardPath(card, 2222), inFolder(0, "22W.csv"));               // V has no beacon code
  EXPECT_EQ(cardPath(card, 2100000024), inFolder(21, "0\x8D\x62.csv"));  // 甲
}

TEST_F(CardPath, CodesOutsideTheTablesGiveABareNumber) {
  EXPECT_EQ(cardPath(card, 123499), inFolder(0, "1234.csv"));     // S = 99
  EXPECT_EQ(cardPath(card, 123433), inFolder(0, "1234.csv"));     // S = 33
  EXPECT_EQ(cardPath(card, 44123400), inFolder(0, "1234A.csv"));  // P = 44
  EXPECT_EQ(cardPath(card, 2147483647), inFolder(21, "4836.csv"));
}

TEST_F(CardPath, NegativeValuesGiveNegativePiecesAndNoCodes) {
  EXPECT_EQ(cardPath(card, -5), inFolder(0, "0.csv"));
  EXPECT_EQ(cardPath(card, -101234008),
            std::filesystem::path("/plugins/tims/default/-1") / "-2340.csv");
  EXPECT_EQ(cardPath(card, -300000000), std::filesystem::path("/plugins/tims/default/-3/0A.csv"));
  EXPECT_EQ(cardPath(card, std::numeric_limits<int32_t>::min()),
            std::filesystem::path("/plugins/tims/default/-21/-4836.csv"));
}

TEST_F(CardPath, IndexWithoutACatalogueEntryHasNoPath) {
  card.cardFolders.resize(3);
  EXPECT_TRUE(cardPath(card, 301234008).empty());
  EXPECT_EQ(cardPath(card, 201234008), inFolder(2, std::string(kNi) + "2340M.csv"));
  card.cardFolders.clear();
  EXPECT_TRUE(cardPath(card, 0).empty());
}

}  // namespace
}  // namespace tims
