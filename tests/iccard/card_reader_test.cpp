#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "iccard/card_reader.h"

namespace tims {
namespace {

// The scalar fields and list sizes, so a test can tell that a line changed nothing at all.
std::string summary(const IcCardCatalogue& card) {
  return card.record0Text + "|" + card.trainNumberText + "|" + card.record4Text + "|" +
         std::to_string(card.pointRecords.size()) + "|" +
         std::to_string(card.sectionRecords.size()) + "|" + std::to_string(card.icRows.size()) +
         "|" + card.secondTrainNumberText + "|" + std::to_string(card.secondTrainTimeA) + "|" +
         std::to_string(card.secondTrainTimeB) + "|" + std::to_string(card.secondTrainValue) + "|" +
         std::to_string(card.record8Value) + "|" + card.record11Text + "|" +
         std::to_string(card.record11Value) + "|" + std::to_string(card.record1ValueA) + "|" +
         std::to_string(card.record1ValueB);
}

IcRow rowOf(std::string_view line) {
  IcCardCatalogue card;
  readCardLine(card, line);
  EXPECT_EQ(card.icRows.size(), 1u) << line;
  return card.icRows.empty() ? IcRow{} : card.icRows.front();
}

int32_t record8After(std::string_view line) {
  IcCardCatalogue card;
  card.record8Value = -99;
  readCardLine(card, line);
  return card.record8Value;
}

TEST(IcCardTextRecords, KeepTheColumnByteForByteAndTakeTheEndMarkerWhenItIsMissing) {
  IcCardCatalogue card;
  readCardLine(card,
               "3,\x89\xD7"
               "2340M");
  EXPECT_EQ(card.trainNumberText,
            "\x89\xD7"
            "2340M");
  readCardLine(card, "0, spaced ,rest");
  EXPECT_EQ(card.record0Text, " spaced ");
  readCardLine(card, std::string_view("4,a\0b", 5));
  EXPECT_EQ(card.record4Text, std::string("a\0b", 3));
  readCardLine(card, "3");
  EXPECT_EQ(card.trainNumberText, "end");
  readCardLine(card, "4,");  // a final comma makes no empty column
  EXPECT_EQ(card.record4Text, "end");
  readCardLine(card, "0,,x");
  EXPECT_EQ(card.record0Text, "");
}

TEST(IcCardTypeColumn, SkipsLinesWhoseTypeIsNotAKnownRecord) {
  IcCardCatalogue card;
  const std::string before = summary(card);
  for (const char* line : {"", ",", "type,value",
                           "\xEF\xBB\xBF"
                           "8,5",
                           "2,5", "9,5", "10,5", "13,5", "-1,5", "99999999999,5", "NULL,5"}) {
    readCardLine(card, line);
    EXPECT_EQ(summary(card), before) << line;
  }
}

TEST(IcCardIntColumns, ReadTheLongestDecimalPrefixWithinThe32BitRange) {
  EXPECT_EQ(record8After(" +08x,5"), 5);  // the type column too
  EXPECT_EQ(record8After("8,abc"), -99);
  EXPECT_EQ(record8After("8,42x"), 42);
  EXPECT_EQ(record8After("8, \t7"), 7);
  EXPECT_EQ(record8After("8,-12"), -12);
  EXPECT_EQ(record8After("8,+12"), 12);
  EXPECT_EQ(record8After("8,- 12"), -99);
  EXPECT_EQ(record8After("8,0x1F"), 0);
  EXPECT_EQ(record8After("8,2147483647"), 2147483647);
  EXPECT_EQ(record8After("8,-2147483648"), INT32_MIN);
  EXPECT_EQ(record8After("8,2147483648"), -99);
  EXPECT_EQ(record8After("8,-2147483649"), -99);
  EXPECT_EQ(record8After("8," + std::string(400, '9')), -99);
  EXPECT_EQ(record8After("8," + std::string(400, '0') + "17"), 17);
  EXPECT_EQ(record8After("8,NULL"), -99);
  EXPECT_EQ(record8After("8"), -99);  // the end marker
}

TEST(IcCardValueRecords, AssignOnlyTheColumnsThatParseAndNeverReadPastTheLine) {
  IcCardCatalogue card;
  card.record1ValueA = 1;
  card.record1ValueB = 2;
  readCardLine(card, "1");
  EXPECT_EQ(card.record1ValueA, 1);
  EXPECT_EQ(card.record1ValueB, 2);
  readCardLine(card, "1,x,20");
  EXPECT_EQ(card.record1ValueA, 1);
  EXPECT_EQ(card.record1ValueB, 20);
  readCardLine(card, "1,10");
  EXPECT_EQ(card.record1ValueA, 10);
  EXPECT_EQ(card.record1ValueB, 20);

  readCardLine(card, "11,label,77");
  EXPECT_EQ(card.record11Text, "label");
  EXPECT_EQ(card.record11Value, 77);
  readCardLine(card, "11");
  EXPECT_EQ(card.record11Text, "end");
  EXPECT_EQ(card.record11Value, 77);

  readCardLine(card,
               "12,\x89\xF1"
               "1234B,93000,100500,3");
  EXPECT_EQ(card.secondTrainNumberText,
            "\x89\xF1"
            "1234B");
  EXPECT_EQ(card.secondTrainTimeA, 93000);
  EXPECT_EQ(card.secondTrainTimeB, 100500);
  EXPECT_EQ(card.secondTrainValue, 3);
  readCardLine(card, "12,X,1");
  EXPECT_EQ(card.secondTrainNumberText, "X");
  EXPECT_EQ(card.secondTrainTimeA, 1);  // no hour-0 rule outside timetable rows
  EXPECT_EQ(card.secondTrainTimeB, 100500);
  EXPECT_EQ(card.secondTrainValue, 3);
  readCardLine(card, "12");
  EXPECT_EQ(card.secondTrainNumberText, "end");
  EXPECT_EQ(card.secondTrainTimeA, 1);
}

TEST(IcCardPointRecords, AreAppendedOnlyWhenAllFourColumnsParse) {
  IcCardCatalogue card;
  readCardLine(card, "5,3,12.5,12.9");
  EXPECT_TRUE(card.pointRecords.empty());
  readCardLine(card, "5,3,x,12.9,1");
  EXPECT_TRUE(card.pointRecords.empty());
  readCardLine(card, "5,3,12.5,12.9,1");
  ASSERT_EQ(card.pointRecords.size(), 1u);
  EXPECT_EQ(card.pointRecords[0].rowIndex, 3);
  EXPECT_DOUBLE_EQ(card.pointRecords[0].startKm, 12.5);
  EXPECT_DOUBLE_EQ(card.pointRecords[0].endKm, 12.9);
  EXPECT_EQ(card.pointRecords[0].kind, 1);
}

TEST(IcCardRealColumns, AcceptSignsFractionsAndExponentsButNoWordsOrOverflow) {
  const auto startKm = [](std::string_view column) -> std::optional<double> {
    IcCardCatalogue card;
    readCardLine(card, "5,0," + std::string(column) + ",0,0");
    if (card.pointRecords.empty()) return std::nullopt;
    return card.pointRecords[0].startKm;
  };
  EXPECT_EQ(startKm(" 1.25"), 1.25);
  EXPECT_EQ(startKm("2e3"), 2000.0);
  EXPECT_EQ(startKm("+.5"), 0.5);
  EXPECT_EQ(startKm("-1E-2"), -0.01);
  EXPECT_EQ(startKm("12km"), 12.0);
  EXPECT_EQ(startKm("3."), 3.0);
  EXPECT_EQ(startKm("0x10"), 0.0);
  EXPECT_EQ(startKm("1e-400"), 0.0);  // too small for a double: zero, not a failure
  EXPECT_EQ(startKm("5e-400"), 0.0);
  EXPECT_EQ(startKm("0." + std::string(400, '0') + "1"), 0.0);
  EXPECT_EQ(startKm(std::string(400, '9') + "e-300"), std::stod(std::string(400, '9') + "e-300"));
  const std::string bad[] = {
      "",     "NULL", "inf",   "nan", "-infinity",           ".",
      "-.e5", "e5",   "1e400", "- 1", std::string(400, '9'), std::string(400, '9') + "e-5"};
  for (const std::string& column : bad) {
    EXPECT_EQ(startKm(column), std::nullopt) << column;
  }
}

TEST(IcCardSectionRecords, AreAppendedOnlyWhenAllFiveColumnsParse) {
  IcCardCatalogue card;
  readCardLine(card, "6,1,10.5,12.25,0.4");
  readCardLine(card, "6,1,10.5,12.25,0.4,x");
  EXPECT_TRUE(card.sectionRecords.empty());
  readCardLine(card, "6,1,10.5,12.25,0.4,9");
  ASSERT_EQ(card.sectionRecords.size(), 1u);
  const IcSectionRecord& zone = card.sectionRecords[0];
  EXPECT_EQ(zone.rowIndex, 1);
  EXPECT_DOUBLE_EQ(zone.fromKm, 10.5);
  EXPECT_DOUBLE_EQ(zone.toKm, 12.25);
  EXPECT_DOUBLE_EQ(zone.zoneLengthKm, 0.4);
  EXPECT_EQ(zone.value, 9);
}

TEST(IcCardTimetableRows, TakeTheGivenColumnsAndKeepTheInitialValuesOfTheRest) {
  const IcRow row = rowOf("7,90,A,93000,93030,2");
  EXPECT_EQ(row.runSeconds, 90);
  EXPECT_EQ(row.stationName, "A");
  EXPECT_EQ(row.arrivalTime, 93000);
  EXPECT_EQ(row.departureTime, 93030);
  EXPECT_EQ(row.track, 2);
  EXPECT_EQ(row.rowKind, 0);
  EXPECT_EQ(row.text20, "NULL");
  EXPECT_EQ(row.sectionKm, -1.0);
  EXPECT_EQ(row.valueC, 15);

  const IcRow bare = rowOf("7");
  EXPECT_EQ(bare.runSeconds, -1);
  EXPECT_EQ(bare.stationName, "NULL");  // column 2 lies beyond the end marker
  EXPECT_EQ(bare.arrivalTime, kNoTimeHhmmss);
  EXPECT_EQ(bare.rowKind, 0);
}

TEST(IcCardTimetableRows, ReadEveryColumnInItsPlace) {
  const IcRow row = rowOf("7,60,St,100000,100030,3,-7,12,1.5,1,2.25,2,4,5,6,t15,16,1,18,t19,t20,2");
  EXPECT_EQ(row.runSeconds, 60);
  EXPECT_EQ(row.stationName, "St");
  EXPECT_EQ(row.arrivalTime, 100000);
  EXPECT_EQ(row.departureTime, 100030);
  EXPECT_EQ(row.track, 3);
  EXPECT_EQ(row.valueList[0], -1);  // divided by 5 toward zero
  EXPECT_EQ(row.valueList[1], 2);
  EXPECT_EQ(row.kmPost, 1.5);
  EXPECT_TRUE(row.hidden);
  EXPECT_EQ(row.sectionKm, 2.25);
  EXPECT_EQ(row.announceKind, 2);
  EXPECT_EQ(row.valueC, 4);
  EXPECT_EQ(row.valueD, 5);
  EXPECT_EQ(row.sectionCode, 6);
  EXPECT_EQ(row.text15, "t15");
  EXPECT_EQ(row.value16, 16);
  EXPECT_TRUE(row.kmAscending);
  EXPECT_EQ(row.stationId, 18);
  EXPECT_EQ(row.text19, "t19");
  EXPECT_EQ(row.text20, "t20");
  EXPECT_EQ(row.rowKind, 2);
  // Columns after the 21st are never read.
  EXPECT_EQ(
      rowOf("7,60,St,100000,100030,3,-7,12,1.5,0,2.25,2,4,5,6,t15,16,0,18,t19,t20,1,9,9").rowKind,
      1);
}

TEST(IcCardTimetableRows, ShowHourZeroAs24WhetherTheTimeParsedOrNot) {
  const IcRow row = rowOf("7,,A,3000");
  EXPECT_EQ(row.runSeconds, -1);
  EXPECT_EQ(row.arrivalTime, 243000);
  EXPECT_EQ(row.departureTime, kNoTimeHhmmss);  // column 4 is the end marker
  EXPECT_EQ(rowOf("7,1,A,-5,0").arrivalTime, 239995);
  EXPECT_EQ(rowOf("7,1,A,-5,0").departureTime, 240000);
  EXPECT_EQ(rowOf("7,1,A,99999999999,x").arrivalTime, kNoTimeHhmmss);
  EXPECT_EQ(rowOf("7,1,A,10000,9999").arrivalTime, 10000);
  EXPECT_EQ(rowOf("7,1,A,10000,9999").departureTime, 249999);
}

TEST(IcCardTimetableRows, DeriveTheStopTypeFromAnHour26ArrivalUnlessColumn21SaysTwoOrLess) {
  const std::string hour26 = "7,1,A,263000,263030,0,0,0,0,0,0,0,0,0,0,a,0,0,0,b,c";
  EXPECT_EQ(rowOf(hour26).rowKind, 1);  // column 21 is the end marker
  EXPECT_EQ(rowOf(hour26 + ",2").rowKind, 2);
  EXPECT_EQ(rowOf(hour26 + ",5").rowKind, 1);
  EXPECT_EQ(rowOf(hour26 + ",-3").rowKind, -3);
  EXPECT_EQ(rowOf(hour26 + ",x").rowKind, 1);
  EXPECT_EQ(rowOf("7,1,A,263000").rowKind, 1);
  EXPECT_EQ(rowOf("7,1,A,93000,0,0,0,0,0,0,0,0,0,0,0,a,0,0,0,b,c,5").rowKind, 0);
  EXPECT_EQ(rowOf("7,1,A,2000").rowKind, 0);  // 0:20 becomes 24:20, not 26
}

}  // namespace
}  // namespace tims
