#include "unit/card_insert.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <utility>

#include "state/plugin_state.h"
#include "support/temp_dir.h"
#include "unit/tims_unit.h"

namespace tims {
namespace {

const std::string kNi = "\x89\xD7";       // 荷
const std::string kThrough = "\x92\xCA";  // 通
const std::string kIri = "\x93\xFC";      // 入

TEST(TrainNumberConversion, ReadsDigitsFromTheEndAndPrefixAndThroughMarkFromTheFront) {
  // clang-format off
  struct Case { std::string text; bool legacy; SixCodes codes; bool through; } const cases[] = {
      // A card without the record converts the reset text: N, U and L read as digits.
      {"NULL", false, {50, 10, 30, 37, 28, 17}, false},
      {"NULL", true, {50, 0, 30, 37, 28, 17}, false},  // the legacy screen shows blanks as 0
      {"1M", false, {50, 10, 10, 10, 1, 50}, false},   // two bytes: no suffix
      {"\x89", false, {50, 10, 10, 10, 10, 50}, false},
      {"1234", false, {50, 10, 1, 2, 3, 50}, false},  // the last digit is read as the suffix
      // Three digits: the thousands position reads the prefix's second byte (blank above 0x7F).
      {kNi + "123M", false, {1, 10, 1, 2, 3, 8}, false},
      {kNi + "1234\x8D\x62", false, {1, 1, 2, 3, 4, 25}, false},   // 甲
      {kIri + "1234" + kIri, false, {27, 1, 2, 3, 4, 33}, false},  // 入 opens and closes
      // 0x88 0x4B is one character: only the final R stands alone.
      {"123\x88KR", false, {50, 2, 3, 10, 'K' - '0', 10}, false},
      {kThrough + kNi + "1234M", false, {1, 1, 2, 3, 4, 8}, true},
      {kThrough + "1234M", false, {50, 1, 2, 3, 4, 8}, true},
      {kNi + kThrough + "1234M", false, {50, 1, 2, 3, 4, 8}, false},  // behind a prefix: neither
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TimsUnit unit;
    unit.useLegacyDisp = c.legacy;
    unit.beaconKind10Flag = !c.through;  // every conversion writes the flag
    EXPECT_EQ(convertTrainNumber(unit, c.text), c.codes);
    EXPECT_EQ(unit.beaconKind10Flag, c.through);
  }
}

// The beacon value I·PP·NNNN·SS, split with truncating division.
TEST(CardPath, SplitsIndexPrefixNumberAndSuffix) {
  IcCardCatalogue card;
  card.iniPath = "/plugins/tims/TIMS_ICCard.ini";
  for (int k = 0; k < kCardFolderCount; ++k) card.cardFolders.push_back("/c/" + std::to_string(k));
  // clang-format off
  const std::pair<int32_t, const char8_t*> cases[] = {
      {301234008, u8"/c/3/荷2340M.csv"}, {5, u8"/c/0/0G.csv"}, {2100000024, u8"/c/21/0甲.csv"},
      {1010123428, u8"/c/10/試単1234KR.csv"}, {2222, u8"/c/0/22W.csv"},  // V has no beacon code
      {123499, u8"/c/0/1234.csv"}, {244123400, u8"/c/2/1234A.csv"},  // S 99 and P 44: no text
      // Negative values give negative pieces and no codes; negative indexes a fallback folder.
      {-5, u8"/c/0/0.csv"}, {-101234008, u8"/plugins/tims/default/-1/-2340.csv"},
      {-300000000, u8"/plugins/tims/default/-3/0A.csv"},
      {INT32_MIN, u8"/plugins/tims/default/-21/-4836.csv"}};
  // clang-format on
  for (const auto& [data, path] : cases) {
    EXPECT_EQ(cardPath(card, data), std::filesystem::path(path)) << data;
  }
  card.cardFolders.resize(3);  // a catalogue that ended early names no folder beyond
  EXPECT_TRUE(cardPath(card, 301234008).empty());
}

// `count` timetable rows: row r arrives at 9:00 + 5r min and leaves 30 s later, station 101 + r,
// track r + 1, values 10 and 20, value C 3, value D 4; the first row has no running time, the
// others 90 s.
std::string rows(int count) {
  std::string text;
  for (int r = 0; r < count; ++r) {
    text += "7," + std::string(r == 0 ? "" : "90") + ",St," + std::to_string(90000 + 500 * r) +
            "," + std::to_string(90030 + 500 * r) + "," + std::to_string(r + 1) +
            ",10,20,1.0,0,1.5,1,3,4,5,x,0,1," + std::to_string(101 + r) + "\n";
  }
  return text;
}

class CardInsert : public ::testing::Test {
 protected:
  CardInsert() {
    unit.specPath = dir.path() / "TIMS_Spec.ini";
    bindUnit(unit, plugin);
    resetUnit(unit);  // no settings file: a window of five rows
    unit.catalogue.iniPath = dir.path() / "TIMS_ICCard.ini";
    for (int k = 0; k < kCardFolderCount; ++k) {
      unit.catalogue.cardFolders.push_back(dir.path() / ("card" + std::to_string(k)));
    }
  }
  // Card 1234M in folder 0, named by the beacon value 123408.
  void insert(const std::string& card) {
    dir.write("card0/1234M.csv", card);
    insertCard(unit, 123408);
  }

  tims::testing::TempDir dir;
  PluginState plugin;
  TimsUnit unit;
};

TEST_F(CardInsert, MissingOrUnreadableCardChangesNothingButTheMode) {
  insert("3,1234M\n1,11,22\n" + rows(8));
  const auto kept = [&] {
    return std::tuple(unit.trainNumberDigits, unit.rowStationId, unit.terminal.stationId,
                      unit.routePositionBase, unit.cardValue0, unit.catalogue.icRows.size());
  };
  const auto before = kept();
  dir.write("card2/1234M.csv/inside", "a folder where the file should be");
  dir.write("card3/1234M.csv", rows(8));
  unit.catalogue.cardFolders.resize(3);  // as when the catalogue load ended early
  for (const int32_t data : {999908, 200123408, 300123408}) {  // no file, a folder, no entry
    unit.icCardActive = true;
    insertCard(unit, data);
    EXPECT_FALSE(unit.icCardActive) << data;
    EXPECT_EQ(kept(), before) << data;
  }
}

TEST_F(CardInsert, CardOfNoRowOrOneRowEndsIcModeAfterTakingItsValues) {
  for (int n : {0, 1}) {
    SCOPED_TRACE(n);
    resetUnit(unit);
    insert("3," + kNi + "1234M\n" + rows(n));
    EXPECT_FALSE(unit.icCardActive);
    EXPECT_EQ(unit.trainNumberDigits, (SixCodes{1, 1, 2, 3, 4, 8}));
  }
}

// A short timetable sits around the middle of the window, shown at once: two rows start at
// window row (window / 2), each further row one higher, never above row 0.
TEST_F(CardInsert, ShortTimetableIsLaidOutInTheMiddleOfTheWindow) {
  // clang-format off
  struct Case { int32_t windowRows; int rowCount, start; };
  // clang-format on
  for (const Case& c : {Case{5, 2, 2}, Case{5, 3, 1}, Case{5, 4, 0}, Case{5, 5, 0}, Case{7, 2, 3},
                        Case{20, 2, 10}}) {  // 20: past the settings' clamp
    SCOPED_TRACE(::testing::Message() << c.windowRows << " rows, " << c.rowCount << " on the card");
    resetUnit(unit);
    unit.d01abRows = c.windowRows;
    insert(rows(c.rowCount));
    ASSERT_TRUE(unit.icCardActive);
    EXPECT_EQ(unit.routePositionBase, 4 * c.start);  // four marker steps per window row
    for (int slot = 0, r = -c.start; slot < kRows; ++slot, ++r) {  // r: the card row shown
      EXPECT_EQ(unit.dispStationId[slot], r >= 0 && r < c.rowCount ? 101 + r : 0) << slot;
    }
  }
}

TEST_F(CardInsert, ShortTimetableRowsCarryEveryValueAndClearTheUnusedRecords) {
  // Left over from an earlier card.
  unit.terminal.stationId = unit.afterList.stationId = unit.departedStopDisp.depMinute = 9;
  insert(rows(2));
  for (const int slot : {2, 3}) {
    const int r = slot - 2;
    SCOPED_TRACE(slot);
    EXPECT_EQ(std::tie(unit.dispArrHour[slot], unit.dispArrMinute[slot], unit.dispArrSecond[slot]),
              std::tuple(9, 5 * r, 0));
    EXPECT_EQ(std::tie(unit.rowDepHour[slot], unit.rowDepMinute[slot], unit.dispDepSecond[slot]),
              std::tuple(9, 5 * r, 30));
    EXPECT_EQ(std::tie(unit.rowStationId[slot], unit.dispTrack[slot], unit.rowValueA[slot],
                       unit.rowValueB[slot], unit.rowValueC[slot], unit.rowValueD[slot]),
              std::tuple(101 + r, r + 1, 2, 4, 3, 4));  // values 10 and 20 are stored divided by 5
  }
  // The first row has no running time.
  EXPECT_EQ(std::tie(unit.rowRunMinutes[2], unit.rowRunSeconds[2]), std::tuple(255, 255));
  EXPECT_EQ(std::tie(unit.rowRunMinutes[3], unit.rowRunSeconds[3]), std::tuple(1, 30));
  EXPECT_EQ(std::tie(unit.terminal.stationId, unit.afterList.stationId, unit.routePosition),
            std::tuple(0, 0, 0));
  EXPECT_EQ(std::tie(unit.afterListDisp.arrHour, unit.departedStopDisp.depMinute),
            std::tuple(24, 60));
}

}  // namespace
}  // namespace tims
