#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "iccard/card_reader.h"
#include "support/temp_dir.h"

namespace tims {
namespace {

using tims::testing::TempDir;
using namespace std::string_literals;

TEST(IcCardFile, ThatCannotBeOpenedReturnsFalseAndChangesNothing) {
  TempDir dir;
  IcCardCatalogue card;
  card.record8Value = 5;
  card.icRows.emplace_back();
  EXPECT_FALSE(readCardFile(card, dir.path() / "missing.csv"));
  std::filesystem::create_directories(dir.path() / "folder.csv");
  EXPECT_FALSE(readCardFile(card, dir.path() / "folder.csv"));
  EXPECT_EQ(card.record8Value, 5);
  EXPECT_EQ(card.icRows.size(), 1u);
}

TEST(IcCardFile, OfNothingButSkippedLinesLoadsAndChangesNothing) {
  TempDir dir;
  IcCardCatalogue card;
  EXPECT_TRUE(readCardFile(card, dir.write("empty.csv", "")));
  EXPECT_TRUE(readCardFile(card, dir.write("junk.csv", "type,name\n\n13,x\n")));
  EXPECT_EQ(card.trainNumberText, "NULL");
  EXPECT_TRUE(card.icRows.empty());
}

TEST(IcCardFile, LosesAFirstLineThatStartsWithAByteOrderMark) {
  TempDir dir;
  IcCardCatalogue card;
  ASSERT_TRUE(readCardFile(card, dir.write("a.csv",
                                           "\xEF\xBB\xBF"
                                           "3,X\n8,5\n")));
  EXPECT_EQ(card.trainNumberText, "NULL");
  EXPECT_EQ(card.record8Value, 5);
}

TEST(IcCardFile, LoadedTwiceAppendsEveryListAgain) {
  TempDir dir;
  const auto file = dir.write("a.csv", "7,1,A\n7,2,B\n5,0,1,2,1\n6,0,1,2,0.5,0\n8,3\n");
  IcCardCatalogue card;
  ASSERT_TRUE(readCardFile(card, file));
  ASSERT_TRUE(readCardFile(card, file));
  EXPECT_EQ(card.icRows.size(), 4u);
  EXPECT_EQ(card.icRows[2].stationName, "A");
  EXPECT_EQ(card.pointRecords.size(), 2u);
  EXPECT_EQ(card.sectionRecords.size(), 2u);
  EXPECT_EQ(card.record8Value, 3);
}

TEST(IcCardFile, EndsLinesAtLfCrLfOrALoneCrAndReadsALastLineWithoutOne) {
  TempDir dir;
  IcCardCatalogue card;
  ASSERT_TRUE(readCardFile(card, dir.write("a.csv", "7,1,A\r\n7,2,B\r7,3,C\n\r\n7,4,D\r\r7,5,E")));
  ASSERT_EQ(card.icRows.size(), 5u);
  const char* names[] = {"A", "B", "C", "D", "E"};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(card.icRows[i].stationName, names[i]);
    EXPECT_EQ(card.icRows[i].runSeconds, static_cast<int32_t>(i + 1));
  }
}

TEST(IcCardFile, KeepsNulBytesAsOrdinaryBytesOfALine) {
  TempDir dir;
  IcCardCatalogue card;
  const std::string text =
      "3,a\0b\n8,1\0"
      "2\n\0"
      "8,9\n"s;
  ASSERT_TRUE(readCardFile(card, dir.write("a.csv", text)));
  EXPECT_EQ(card.trainNumberText, std::string("a\0b", 3));
  EXPECT_EQ(card.record8Value, 1);  // the line starting with NUL has no number for its type
}

TEST(IcCardFile, SurvivesBinaryGarbageAndReadsTheGoodLinesAfterIt) {
  TempDir dir;
  std::string text;
  uint32_t state = 12345;
  for (int i = 0; i < 200000; ++i) {
    state = state * 1103515245u + 12345u;
    text += static_cast<char>(state >> 24);
  }
  text += "\n7,1,Z\n8,77";
  IcCardCatalogue card;
  ASSERT_TRUE(readCardFile(card, dir.write("a.bin", text)));
  EXPECT_EQ(card.record8Value, 77);
  ASSERT_FALSE(card.icRows.empty());
  EXPECT_EQ(card.icRows.back().stationName, "Z");
}

TEST(IcCardFile, ReadsHugeNumbersAndAMillionCommasWithoutHarm) {
  TempDir dir;
  const std::string text = "8," + std::string(400, '7') + "\n7" + std::string(1000000, ',') +
                           "\n1," + std::string(400, '0') + "42,x\n";
  IcCardCatalogue card;
  ASSERT_TRUE(readCardFile(card, dir.write("a.csv", text)));
  EXPECT_EQ(card.record8Value, 0);
  ASSERT_EQ(card.icRows.size(), 1u);
  EXPECT_EQ(card.icRows[0].stationName, "");
  EXPECT_EQ(card.icRows[0].text20, "");
  EXPECT_EQ(card.icRows[0].arrivalTime, kNoTimeHhmmss);
  EXPECT_EQ(card.record1ValueA, 42);
}

// The reader takes the file in large pieces; every place a piece can end must be seamless,
// including between the CR and LF of one line end.
TEST(IcCardFile, ReadsLinesThatStraddleTheReadersPieces) {
  TempDir dir;
  const std::string tail = "\r\n8,12345\r\n7,1,A\r\n";
  for (std::size_t shift = 0; shift <= tail.size(); ++shift) {
    const std::size_t padding = (std::size_t{1} << 20) - shift;
    const std::string text = "#" + std::string(padding - 1, 'x') + tail;
    IcCardCatalogue card;
    ASSERT_TRUE(readCardFile(card, dir.write("a.csv", text)));
    EXPECT_EQ(card.record8Value, 12345) << shift;
    ASSERT_EQ(card.icRows.size(), 1u) << shift;
    EXPECT_EQ(card.icRows[0].stationName, "A") << shift;
  }
}

TEST(IcCardFile, ReadsA100MegabyteFile) {
  TempDir dir;
  const auto file = dir.path() / "big.csv";
  {
    std::ofstream out(file, std::ios::binary);
    const std::string block = [] {
      std::string lines;
      for (int i = 0; i < 4096; ++i) lines += "8,1,comment text that pads the line out\n";
      return lines;
    }();
    for (std::size_t written = 0; written < 100u << 20; written += block.size()) out << block;
    out << "7,1,Last\n8,2";
  }
  IcCardCatalogue card;
  ASSERT_TRUE(readCardFile(card, file));
  EXPECT_EQ(card.record8Value, 2);
  ASSERT_EQ(card.icRows.size(), 1u);
  EXPECT_EQ(card.icRows[0].stationName, "Last");
}

}  // namespace
}  // namespace tims
