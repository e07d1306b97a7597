// The card files read record by record, the card list's folders resolved by the Windows path
// rules, and the Shift-JIS texts they carry.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>

#include "iccard/card_reader.h"
#include "iccard/catalogue.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/windows_paths.h"
#include "support/temp_dir.h"

namespace tims {
namespace {

namespace fs = std::filesystem;
using namespace platform;
using namespace std::string_literals;
using tims::testing::TempDir;

template <typename... T>
std::string joined(const T&... values) {
  std::ostringstream out;
  const char* separator = "";
  ((out << separator << values, separator = ","), ...);
  return out.str();
}

// "name=value" for every field that differs from its fresh value, so that a test states the
// whole effect of a line and notices anything else that changed. The fresh values are written out
// here, as the card format defines them, not taken from the code.
struct Differences {
  template <typename T>
  Differences& operator()(const char* name, const T& value, const T& fresh) {
    if (value != fresh) add(name + ("=" + joined(value)));
    return *this;
  }
  void add(const std::string& item) { text += (text.empty() ? "" : " ") + item; }
  std::string text;
};

// A row's fields in the order of their columns.
std::string describe(const IcRow& r) {
  Differences d;
  d("runSeconds", r.runSeconds, -1)("stationName", r.stationName, "NULL"s);
  d("arrivalTime", r.arrivalTime, 246060)("departureTime", r.departureTime, 246060);
  d("track", r.track, 0)("valueList0", r.valueList[0], 0)("valueList1", r.valueList[1], 0);
  d("kmPost", r.kmPost, 0.0)("hidden", r.hidden, false)("sectionKm", r.sectionKm, -1.0);
  d("announceKind", r.announceKind, 0)("valueC", r.valueC, 15)("valueD", r.valueD, 15);
  d("sectionCode", r.sectionCode, 0)("text15", r.text15, "NULL"s)("value16", r.value16, 120);
  d("kmAscending", r.kmAscending, false)("stationId", r.stationId, 0);
  d("text19", r.text19, "NULL"s)("text20", r.text20, "NULL"s)("rowKind", r.rowKind, 0);
  return d.text;
}

std::string describe(const IcCardCatalogue& c) {
  Differences d;
  d("record0Text", c.record0Text, "NULL"s)("record1ValueA", c.record1ValueA, 0);
  d("record1ValueB", c.record1ValueB, 0)("trainNumberText", c.trainNumberText, "NULL"s);
  d("record4Text", c.record4Text, "NULL"s)("record8Value", c.record8Value, 0);
  d("record11Text", c.record11Text, "NULL"s)("record11Value", c.record11Value, 0);
  d("secondTrainNumberText", c.secondTrainNumberText, "NULL"s);
  d("secondTrainTimeA", c.secondTrainTimeA, 246060)("secondTrainTimeB", c.secondTrainTimeB, 246060);
  d("secondTrainValue", c.secondTrainValue, 0);
  for (const auto& p : c.pointRecords) {
    d.add("point{" + joined(p.rowIndex, p.startKm, p.endKm, p.kind) + "}");
  }
  for (const auto& z : c.sectionRecords) {
    d.add("zone{" + joined(z.rowIndex, z.fromKm, z.toKm, z.zoneLengthKm, z.value) + "}");
  }
  for (const IcRow& r : c.icRows) d.add("row{" + describe(r) + "}");
  return d.text;
}

std::string effectOf(const std::string& line) {
  IcCardCatalogue card;
  readCardLine(card, line);
  return describe(card);
}

TEST(IcCardLine, HasTheEffectOfItsRecordType) {
  // Column 21 decides the stop type when it reads 2 or less; else an arrival in hour 26 does.
  const std::string hour26 = "7,,,263000" + std::string(18, ',');
  const std::string hour26Row = "row{stationName= arrivalTime=263000 text15= text19= text20= ";
  const struct {
    std::string line, effect;
  } cases[] = {
      // Texts: the column's bytes unchanged; the end marker when the column is missing.
      {"3, \x89\xD7"s + "2340M ,rest", "trainNumberText= \x89\xD7"s + "2340M "},  // 荷2340M
      {"4,", "record4Text=end"},  // a final comma makes no further column
      // Values: each column is assigned only when it parses.
      {"11,label,77", "record11Text=label record11Value=77"},
      {"12,X,93000,100500,3",
       "secondTrainNumberText=X secondTrainTimeA=93000 secondTrainTimeB=100500 secondTrainValue=3"},
      {"12,Y,1", "secondTrainNumberText=Y secondTrainTimeA=1"},  // no hour-0 rule here
      // Integers: white space, a sign, the longest decimal prefix, the 32-bit range.
      {" +08x,5", "record8Value=5"},
      {"1, \t-7,42x", "record1ValueA=-7 record1ValueB=42"},
      {"1,2147483647,-2147483648", "record1ValueA=2147483647 record1ValueB=-2147483648"},
      {"1," + std::string(400, '0') + "17,x", "record1ValueA=17"},
      // Points and zones, with reals of every form.
      {"6,1,10.5,12.25,0.4,9", "zone{1,10.5,12.25,0.4,9}"},
      {"5,3, +.5,-1E-2,1", "point{3,0.5,-0.01,1}"},
      {"5,0,2e3,1e-400,0", "point{0,2000,0,0}"},  // too small for a double: zero, no failure
      {"5,0," + std::string(400, '9') + "e-300,12km,0", "point{0,1e+100,12,0}"},
      // Rows: the columns given, every other field initial; hour 0 is shown as 24.
      {"7,90,A,93000,93030,2",
       "row{runSeconds=90 stationName=A arrivalTime=93000 departureTime=93030 track=2}"},
      {"7,,A,3000", "row{stationName=A arrivalTime=243000}"},
      {"7,1,A,10000,-5", "row{runSeconds=1 stationName=A arrivalTime=10000 departureTime=239995}"},
      {"7,1,A,2000", "row{runSeconds=1 stationName=A arrivalTime=242000}"},  // 24:20, not 26
      {"7", "row{}"},
      {"7,60,St,100000,100030,3,-7,12,1.5,1,2.25,2,4,5,6,t15,16,1,18,t19,t20,2,9",
       "row{runSeconds=60 stationName=St arrivalTime=100000 departureTime=100030 track=3 "
       "valueList0=-1 valueList1=2 kmPost=1.5 hidden=1 sectionKm=2.25 announceKind=2 valueC=4 "
       "valueD=5 sectionCode=6 text15=t15 value16=16 kmAscending=1 stationId=18 text19=t19 "
       "text20=t20 rowKind=2}"},
      {hour26, hour26Row + "rowKind=1}"},  // column 21 is the end marker
      {hour26 + "2", hour26Row + "rowKind=2}"},
      {hour26 + "5", hour26Row + "rowKind=1}"},
      {hour26 + "-3", hour26Row + "rowKind=-3}"},
  };
  for (const auto& c : cases) EXPECT_EQ(effectOf(c.line), c.effect) << c.line;
}

TEST(IcCardLine, ThatDoesNotFitChangesNothing) {
  const std::string nines(400, '9');
  const std::string lines[] = {
      // No integer type, or a type that carries nothing.
      "", ",", "type,value", "99999999999,5", "2,5", "9,5", "10,5", "13,5", "-1,5",
      // Integers that do not parse (the end marker included).
      "1", "8", "8,abc", "8,- 12", "8,0x1F", "8,2147483648", "8,-2147483649", "8," + nines,
      // Points and zones with a column that does not parse.
      "5,3,12.5,12.9", "5,3,x,12.9,1", "6,1,10.5,12.25,0.4", "6,1,10.5,12.25,0.4,x", "5,0,,0,0",
      "5,0,NULL,0,0", "5,0,inf,0,0", "5,0,nan,0,0", "5,0,.,0,0", "5,0,-.e5,0,0", "5,0,e5,0,0",
      "5,0,1e400,0,0", "5,0,- 1,0,0", "5,0," + nines + ",0,0", "5,0," + nines + "e-5,0,0"};
  for (const std::string& line : lines) EXPECT_EQ(effectOf(line), "") << line;
}

TEST(IcCardFile, AppendsToTheCardUntilItIsResetAndLeavesItAloneWhenItCannotBeOpened) {
  TempDir dir;
  const auto file = dir.write("a.csv",
                              "0,a\n1,4,5\n3,b\n4,c\n5,0,1,2,1\n6,0,1,2,0.5,0\n7,1\n8,3\n"
                              "11,d,6\n12,e,1,2,3\n");
  IcCardCatalogue card;
  ASSERT_TRUE(readCardFile(card, file));
  ASSERT_TRUE(readCardFile(card, file));
  std::filesystem::create_directories(dir.path() / "folder.csv");
  EXPECT_FALSE(readCardFile(card, dir.path() / "missing.csv"));
  EXPECT_FALSE(readCardFile(card, dir.path() / "folder.csv"));
  EXPECT_EQ(describe(card),
            "record0Text=a record1ValueA=4 record1ValueB=5 trainNumberText=b record4Text=c "
            "record8Value=3 record11Text=d record11Value=6 secondTrainNumberText=e "
            "secondTrainTimeA=1 secondTrainTimeB=2 secondTrainValue=3 point{0,1,2,1} "
            "point{0,1,2,1} zone{0,1,2,0.5,0} zone{0,1,2,0.5,0} row{runSeconds=1 stationName=end} "
            "row{runSeconds=1 stationName=end}");
  resetCard(card);
  EXPECT_EQ(describe(card), "record1ValueA=4 record1ValueB=5");
}

TEST(IcCardFile, EndsLinesAnyWayAndTakesHostileBytesInItsStride) {
  TempDir dir;
  const std::string bom = "\xEF\xBB\xBF", nul(1, '\0');
  const std::string head = bom + "3,X\n" +                        // the mark spoils the line's type
                           "7,1,A\r\n7,2,B\r7,3,C\n\r\n" +        // CR LF, a lone CR, LF, empty
                           "3,a" + nul + "b\n" + nul + "8,9\n" +  // NUL is a byte like others
                           "1," + std::string(400, '0') + "42," + std::string(400, '9') + "\n";
  // About a million commas: the reader's first piece of 1 MiB ends two bytes into the next line.
  const std::string text = head + "7" + std::string((1 << 20) - head.size() - 4, ',') + "\n8,1" +
                           nul + "2\n4,last";  // no line end after the last line
  IcCardCatalogue card;
  ASSERT_TRUE(readCardFile(card, dir.write("a.csv", text)));
  EXPECT_EQ(describe(card), "record1ValueA=42 trainNumberText=a" + nul +
                                "b record4Text=last record8Value=1 row{runSeconds=1 stationName=A} "
                                "row{runSeconds=2 stationName=B} row{runSeconds=3 stationName=C} "
                                "row{stationName= text15= text19= text20=}");
}

// A plug-in folder inside a temporary folder, with TIMS_ICCard.ini beside the plug-in.
class CatalogueTest : public ::testing::Test {
 protected:
  CatalogueTest() { card.iniPath = plugin + "TIMS_ICCard.ini"; }
  void writeIni(const std::string& keys) { dir.write(card.iniPath, "[ICCard]\n" + keys); }
  std::string entry(std::size_t k) const { return card.cardFolders.at(k).native(); }

  TempDir dir;
  IcCardCatalogue card;
  const std::string plugin = dir.path().native() + "/plugin/";
  const std::string fallback = plugin + "default/0";
};

TEST_F(CatalogueTest, ResolvesEachValueOnRealFolders) {
  const std::string x195(195, 'x'), y58(58, 'y');
  for (const char* folder : {"cards/express", "../shared/cards", "\xE8\x8D\xB7"}) {
    fs::create_directories(plugin + folder);
  }
  // NULL is what missing keys name; it holds the folder of the value cut at 259 bytes.
  fs::create_directories(plugin + "NULL/" + x195 + "/" + y58);
  dir.write(plugin + "afile", "");
  writeIni(
      "0=cards\\express\n1=..\\shared\\cards\n2=cards/./x/..\\express\\\n3=\n4=nothere\n"
      "05=cards\n32=cards\n6=\x89\xD7\n7=afile\\child\n8=" +
      std::string(256, 'z') + "\n9=NULL\\" + x195 + "\\" + y58 + "yyyy\n");
  loadCatalogue(card);
  const std::string expected[] = {
      plugin + "cards/express",
      dir.path().native() + "/shared/cards",
      plugin + "cards/express/",
      plugin,                               // an empty value: the plug-in folder itself
      fallback,                             // no such folder
      plugin + "NULL",                      // "05" is not key 5: key 5 is missing, reads "NULL"
      plugin + "\xE8\x8D\xB7",              // 荷: a Shift-JIS value, a UTF-8 name on disk
      fallback,                             // a file on the way
      fallback,                             // a name too long
      plugin + "NULL/" + x195 + "/" + y58,  // cut to 259 bytes
  };
  ASSERT_EQ(card.cardFolders.size(), 32u);  // and "32" is never read
  for (std::size_t k = 0; k < std::size(expected); ++k) EXPECT_EQ(entry(k), expected[k]) << k;
  EXPECT_TRUE(card.failures.empty());
}

TEST_F(CatalogueTest, RecordsFailedExistenceTestsAndReadsTheOtherKeys) {
  fs::create_directories(plugin + "locked/cards");
  fs::create_symlink("loop", plugin + "loop");
  writeIni("0=loop\\inside\n1=locked\\cards\n");
  fs::permissions(plugin + "locked", fs::perms::none);
  // A user that passes every permission check (root) still sees into the locked folder.
  const bool locked = ::access((plugin + "locked/cards").c_str(), F_OK) != 0;
  loadCatalogue(card);
  fs::permissions(plugin + "locked", fs::perms::owner_all);
  EXPECT_EQ(entry(0), fallback);
  EXPECT_EQ(entry(1), locked ? fallback : plugin + "locked/cards");
  ASSERT_EQ(card.failures.size(), locked ? 2u : 1u);
  EXPECT_EQ(card.failures[0].operation, "exists");
  EXPECT_EQ(card.failures[0].path.native(), plugin + "loop/inside");
  EXPECT_EQ(card.failures[0].errorCode, ELOOP);
  EXPECT_EQ(card.failures.back().errorCode, locked ? EACCES : ELOOP);
  fs::remove(plugin + "loop");
  loadCatalogue(card);
  EXPECT_EQ(card.cardFolders.size(), 32u);            // a second load has nothing to add
  EXPECT_EQ(card.failures.size(), locked ? 2u : 1u);  // so the failures behind them stay
}

TEST_F(CatalogueTest, RecordsAPathThatCannotBeMadeFullAsAnAbsoluteFailure) {
  // A relative ini path needs the current folder to make full paths; here it has gone.
  const fs::path saved = fs::current_path();
  fs::create_directories(plugin);
  fs::current_path(plugin);
  fs::remove(plugin);
  card.iniPath = "TIMS_ICCard.ini";
  loadCatalogue(card);
  fs::current_path(saved);
  EXPECT_EQ(entry(31), "default/0");
  ASSERT_EQ(card.failures.size(), 32u);
  EXPECT_EQ(card.failures[31].operation, "absolute");
  EXPECT_EQ(card.failures[31].path, fs::path("NULL"));  // no ini file: every key reads "NULL"
  EXPECT_EQ(card.failures[31].errorCode, ENOENT);
}

// Values are written the Windows way; what is absolute there stays as written.
TEST(MakeAbsolute, KeepsWindowsAbsoluteValuesAndJoinsTheRestToTheFolder) {
  const struct {
    std::string value, full;
  } cases[] = {
      {"E:\\cards\\..\\x", "E:/cards/../x"},
      {"\\\\server\\share", "//server/share"},
      {"\\\\?\\C:\\x", "//?/C:/x"},
      {"\\cards", "/cards"},            // a leading separator keeps only the root
      {"/abs\\x/../y", "/abs/x/../y"},  // here a leading slash names the root: as written
      // A drive without a separator: relative to that drive's folder, here the current one.
      {"E:cards", fs::current_path().native() + "/E:cards"},
      {"E:", fs::current_path().native() + "/E:"},
  };
  std::error_code error;
  for (const auto& c : cases)
    EXPECT_EQ(makeAbsolute(c.value, "/plug/in/", error), c.full) << c.value;
  EXPECT_FALSE(error);
}

// A value joined to the plug-in folder, then its dots resolved by the text alone.
TEST(WindowsPaths, JoinAndNormaliseByTheWindowsRules) {
  const struct {
    const char *base, *relative, *full;
  } cases[] = {
      {"C:\\p", "cards/x", "C:\\p\\cards\\x"},
      {"C:\\p\\", "\\x", "C:\\x"},     // a leading separator keeps only the drive
      {"C:\\p\\", "c:x", "C:\\p\\x"},  // the same drive, in either case, is appended
      {"C:", "x", "C:x"},
      {"C:\\p\\", "..\\\\..\\..\\x", "C:\\x"},  // never above the root
      {"\\\\srv\\share\\p\\", "..\\..\\x", "\\\\srv\\share\\x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(normaliseWindowsPath(joinWindowsPaths(c.base, c.relative), '\\'), c.full)
        << c.base << " + " << c.relative;
  }
}

TEST(ShiftJisConversion, ReplacesUnreadableBytesAndKeepsGoingWithoutALengthLimit) {
  const std::string bad = "\xEF\xBF\xBD";  // U+FFFD
  // A byte that opens nothing, an unassigned pair, a lead byte without a trail byte, and at the
  // end.
  EXPECT_EQ(utf8FromShiftJis("\x80Z\x85\x40Z"), bad + "Z" + bad + "Z");
  EXPECT_EQ(utf8FromShiftJis("\x81 x\x89"), bad + " x" + bad);
  EXPECT_EQ(utf16FromShiftJis("\xFF\xA0\xB1"), u"\uFFFD\uFFFD\uFF71");  // half-width kana stays
  std::string text, expected;
  for (int i = 0; i < 100000; ++i) text += "\x89\xD7", expected += "荷";
  // Compared whole: a run lost at a buffer's end would read as a replacement of equal length.
  EXPECT_TRUE(utf8FromShiftJis(text + "\x80") == expected + bad);
}

}  // namespace
}  // namespace tims
