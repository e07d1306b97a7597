#include "iccard/catalogue.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "iccard/train_number_codes.h"
#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/windows_paths.h"
#include "support/temp_dir.h"

namespace tims {
namespace {

namespace fs = std::filesystem;
using namespace platform;
using tims::testing::TempDir;

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
