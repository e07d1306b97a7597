#include "iccard/card_insert.h"

#include <gtest/gtest.h>

#include <string>

#include "plugin/plugin_state.h"
#include "support/temp_dir.h"
#include "unit/tims_unit.h"

namespace tims {
namespace {

using tims::testing::TempDir;

constexpr const char* kNi = "\x89\xD7";       // 荷
constexpr const char* kKai = "\x89\xF1";      // 回
constexpr const char* kThrough = "\x92\xCA";  // 通

// One timetable row: run seconds (-1: empty column), arrival, departure, track, station; values
// 10 and 20 (stored divided by 5), value C 3, value D 4, section 1.5 km.
std::string row(int32_t runSeconds, int32_t arrival, int32_t departure, int32_t track,
                int32_t station) {
  const std::string run = runSeconds < 0 ? "" : std::to_string(runSeconds);
  return "7," + run + ",St," + std::to_string(arrival) + "," + std::to_string(departure) + "," +
         std::to_string(track) + ",10,20,1.0,0,1.5,1,3,4,5,x,0,1," + std::to_string(station) + "\n";
}

// `count` rows arriving at 9:00, 9:05, ... and leaving 30 s later; station numbers 101, 102, ...;
// track = row index + 1.
std::string rows(int count) {
  std::string text;
  for (int r = 0; r < count; ++r) {
    text += row(r == 0 ? -1 : 90, 90000 + 500 * r, 90030 + 500 * r, r + 1, 101 + r);
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
    unit.catalogue.cardFolders.clear();
    for (int k = 0; k < kCardFolderCount; ++k) {
      unit.catalogue.cardFolders.push_back(dir.path() / ("card" + std::to_string(k)));
    }
  }

  // Card 1234M in folder 0.
  void writeCard(std::string_view text) const { dir.write("card0/1234M.csv", text); }
  void insert() { insertCard(unit, 123408); }

  TempDir dir;
  PluginState plugin;
  TimsUnit unit;
};

TEST_F(CardInsert, LongCardPutsTheUnitInIcMode) {
  writeCard("3," + std::string(kNi) + "1234M\n1,11,22\n12," + kKai + "5678A,93000,101500,9\n" +
            "11,label,42\n" + rows(8));
  insert();
  ASSERT_TRUE(unit.icCardActive);
  EXPECT_EQ(unit.trainNumberDigits, (SixCodes{1, 1, 2, 3, 4, 8}));
  EXPECT_EQ(unit.cardValue0, 11);
  EXPECT_EQ(unit.cardValue1, 22);
  EXPECT_EQ(unit.cardCodes, (SixCodes{3, 5, 6, 7, 8, 0}));
  EXPECT_EQ(unit.cardTime, (std::array<int32_t, 6>{9, 30, 0, 10, 15, 0}));
  EXPECT_FALSE(unit.beaconKind10Flag);
  EXPECT_EQ(unit.cardLabelValue, 42);
  // The eighth row lies beyond the five-row window: it is the terminal.
  EXPECT_EQ(unit.terminal.stationId, 108);
  EXPECT_EQ(unit.terminal.arrHour, 9);
  EXPECT_EQ(unit.terminal.arrMinute, 35);
  EXPECT_EQ(unit.terminal.arrSecond, 0);
  EXPECT_EQ(unit.terminal.track, 8);
  EXPECT_EQ(unit.routePositionBase, 0);
  EXPECT_EQ(unit.icRowIndex, 0u);
  for (size_t k = 0; k < kRows; ++k) {
    EXPECT_EQ(unit.rowStationId[k], 101 + static_cast<int32_t>(k)) << k;
  }
}

TEST_F(CardInsert, SecondTrainNumberDecidesTheThroughFlag) {
  writeCard("3,1234M\n12," + std::string(kThrough) + "5678A\n" + rows(6));
  insert();
  ASSERT_TRUE(unit.icCardActive);
  EXPECT_TRUE(unit.beaconKind10Flag);
  EXPECT_EQ(unit.cardCodes, (SixCodes{50, 5, 6, 7, 8, 0}));
  EXPECT_EQ(unit.terminal.stationId, 106);  // six rows, five shown
}

TEST_F(CardInsert, CardWithoutTrainNumbersConvertsTheResetTexts) {
  writeCard(rows(6));
  insert();
  ASSERT_TRUE(unit.icCardActive);
  EXPECT_EQ(unit.trainNumberDigits, (SixCodes{50, 10, 30, 37, 28, 17}));
  EXPECT_EQ(unit.cardCodes, (SixCodes{50, 10, 30, 37, 28, 17}));
  EXPECT_EQ(unit.cardTime, (std::array<int32_t, 6>{24, 60, 60, 24, 60, 60}));
}

TEST_F(CardInsert, MissingFileChangesNothingButTheMode) {
  writeCard("3,1234M\n1,11,22\n" + rows(8));
  insert();
  ASSERT_TRUE(unit.icCardActive);
  const SixCodes digits = unit.trainNumberDigits;
  const RowVector stations = unit.rowStationId;
  const TerminalRecord terminal = unit.terminal;
  const int32_t base = unit.routePositionBase;

  insertCard(unit, 999908);  // 9999M.csv does not exist
  EXPECT_FALSE(unit.icCardActive);
  EXPECT_EQ(unit.trainNumberDigits, digits);
  EXPECT_EQ(unit.rowStationId, stations);
  EXPECT_EQ(unit.terminal.stationId, terminal.stationId);
  EXPECT_EQ(unit.routePositionBase, base);
  EXPECT_EQ(unit.cardValue0, 11);
  EXPECT_EQ(unit.catalogue.icRows.size(), 8u);
}

TEST_F(CardInsert, IndexWithoutACatalogueEntryActsLikeAMissingFile) {
  writeCard("3,1234M\n" + rows(8));
  unit.catalogue.cardFolders.clear();  // as before the catalogue is loaded
  unit.icCardActive = true;
  insert();
  EXPECT_FALSE(unit.icCardActive);
  EXPECT_EQ(unit.trainNumberDigits, (SixCodes{50, 50, 50, 50, 50, 50}));
  EXPECT_TRUE(unit.catalogue.icRows.empty());
}

TEST_F(CardInsert, UnreadableFolderActsLikeAMissingFile) {
  dir.write("card0/1234M.csv/inside", "a folder where the file should be");
  insert();
  EXPECT_FALSE(unit.icCardActive);
  EXPECT_EQ(unit.trainNumberDigits, (SixCodes{50, 50, 50, 50, 50, 50}));
}

TEST_F(CardInsert, ShiftJisFileNameInTheSelectedFolder) {
  dir.write(std::filesystem::path("card3") / u8"荷2340M.csv", "3,1234M\n" + rows(6));
  insertCard(unit, 301234008);
  EXPECT_TRUE(unit.icCardActive);
  EXPECT_EQ(unit.catalogue.icRows.size(), 6u);
}

TEST_F(CardInsert, FallbackFolderForANegativeIndex) {
  dir.write("default/-3/0A.csv", rows(6));
  insertCard(unit, -300000000);
  EXPECT_TRUE(unit.icCardActive);
}

TEST_F(CardInsert, CardOfNoRowOrOneRowEndsIcModeAfterTakingItsValues) {
  for (int n : {0, 1}) {
    SCOPED_TRACE(n);
    resetUnit(unit);
    writeCard("3," + std::string(kNi) + "1234M\n" + rows(n));
    insert();
    EXPECT_FALSE(unit.icCardActive);
    EXPECT_EQ(unit.trainNumberDigits, (SixCodes{1, 1, 2, 3, 4, 8}));
  }
}

TEST_F(CardInsert, TwoRowsSitInTheMiddleOfTheWindow) {
  writeCard(rows(2));
  insert();
  ASSERT_TRUE(unit.icCardActive);
  EXPECT_EQ(unit.routePositionBase, 8);  // window row 2
  EXPECT_EQ(unit.routePosition, 0);
  for (size_t slot : {size_t{2}, size_t{3}}) {
    const int32_t r = static_cast<int32_t>(slot) - 2;
    EXPECT_EQ(unit.rowStationId[slot], 101 + r);
    EXPECT_EQ(unit.dispStationId[slot], 101 + r);
    EXPECT_EQ(unit.dispArrHour[slot], 9);
    EXPECT_EQ(unit.dispArrMinute[slot], 5 * r);
    EXPECT_EQ(unit.dispDepSecond[slot], 30);
    EXPECT_EQ(unit.dispTrack[slot], r + 1);
    EXPECT_EQ(unit.rowValueA[slot], 2);
    EXPECT_EQ(unit.rowValueB[slot], 4);
    EXPECT_EQ(unit.rowValueC[slot], 3);
    EXPECT_EQ(unit.rowValueD[slot], 4);
  }
  EXPECT_EQ(unit.rowRunMinutes[2], 255);  // the first row has no running time
  EXPECT_EQ(unit.rowRunSeconds[2], 255);
  EXPECT_EQ(unit.rowRunMinutes[3], 1);
  EXPECT_EQ(unit.rowRunSeconds[3], 30);
  EXPECT_EQ(unit.dispStationId[4], 0);
  EXPECT_EQ(unit.terminal.stationId, 0);
  EXPECT_EQ(unit.afterList.stationId, 0);
  EXPECT_EQ(unit.afterListDisp.arrHour, 24);
  EXPECT_EQ(unit.departedStopDisp.depMinute, 60);
}

TEST_F(CardInsert, ShortTimetableStartSlots) {
  struct Case {
    int rowCount;
    size_t start;
  };
  for (const Case& c : {Case{3, 1}, Case{4, 0}, Case{5, 0}}) {
    SCOPED_TRACE(c.rowCount);
    resetUnit(unit);
    writeCard(rows(c.rowCount));
    insert();
    ASSERT_TRUE(unit.icCardActive);
    EXPECT_EQ(unit.routePositionBase, static_cast<int32_t>(4 * c.start));
    for (size_t slot = 0; slot < kRows; ++slot) {
      const bool used = slot >= c.start && slot < c.start + static_cast<size_t>(c.rowCount);
      const int32_t expected = used ? 101 + static_cast<int32_t>(slot - c.start) : 0;
      EXPECT_EQ(unit.dispStationId[slot], expected) << slot;
    }
  }
}

TEST_F(CardInsert, SevenRowWindowCentresTwoRows) {
  unit.d01abRows = 7;
  writeCard(rows(2));
  insert();
  EXPECT_EQ(unit.routePositionBase, 12);
  EXPECT_EQ(unit.dispStationId[3], 101);
  EXPECT_EQ(unit.dispStationId[4], 102);
}

TEST_F(CardInsert, OversizedWindowNeverWritesBeyondTheSeventhSlot) {
  unit.d01abRows = 20;  // past the reset's clamp, as a stale or hand-set value could be
  writeCard(rows(2));
  insert();
  for (int32_t id : unit.dispStationId) EXPECT_EQ(id, 0);
  EXPECT_EQ(unit.routePositionBase, 40);  // start slot 10 lies outside the window
}

TEST_F(CardInsert, DispTypeKeepsTheRebuiltWindow) {
  resetUnit(unit);
  unit.dispType = true;
  writeCard(rows(2));
  insert();
  EXPECT_TRUE(unit.icCardActive);
  EXPECT_EQ(unit.routePositionBase, 12);  // three empty rows below two card rows
  EXPECT_EQ(unit.rowStationId[0], 101);
  EXPECT_EQ(unit.dispStationId[2], 0);
}

TEST_F(CardInsert, SecondCardAppendsItsRows) {
  writeCard(rows(3));
  insert();
  insert();
  EXPECT_TRUE(unit.icCardActive);
  EXPECT_EQ(unit.catalogue.icRows.size(), 6u);
  EXPECT_EQ(unit.terminal.stationId, 103);  // six rows now: the last lies beyond the window
}

}  // namespace
}  // namespace tims
