#include "iccard/catalogue.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace tims {
namespace {

namespace fs = std::filesystem;
using tims::testing::TempDir;

// A plug-in folder inside a temporary folder, with TIMS_ICCard.ini beside the plug-in.
class CatalogueTest : public ::testing::Test {
 protected:
  CatalogueTest() { card.iniPath = plugin() / "TIMS_ICCard.ini"; }

  fs::path plugin() const { return dir.path() / "plugin" / ""; }
  void writeIni(const std::string& keys) {
    dir.write("plugin/TIMS_ICCard.ini", "[ICCard]\n" + keys);
  }
  void makeFolder(const fs::path& relative) { fs::create_directories(dir.path() / relative); }
  std::string fallback() const { return plugin().native() + "default/0"; }
  std::string entry(std::size_t k) const { return card.cardFolders.at(k).native(); }

  TempDir dir;
  IcCardCatalogue card;
};

// Runs a test from another current folder and goes back afterwards.
class CurrentFolder {
 public:
  explicit CurrentFolder(const fs::path& folder) : saved_(fs::current_path()) {
    fs::current_path(folder);
  }
  ~CurrentFolder() { fs::current_path(saved_); }

 private:
  fs::path saved_;
};

TEST_F(CatalogueTest, WithoutAnIniFileHolds32Fallbacks) {
  loadCatalogue(card);
  ASSERT_EQ(card.cardFolders.size(), 32u);
  for (std::size_t k = 0; k < 32; ++k) EXPECT_EQ(entry(k), fallback()) << k;
  EXPECT_TRUE(card.failures.empty());
}

TEST_F(CatalogueTest, GivesMissingKeysTheFolderNamedNullWhenThereIsOne) {
  writeIni("3=elsewhere\n");
  makeFolder("plugin/NULL");
  loadCatalogue(card);
  EXPECT_EQ(entry(0), plugin().native() + "NULL");
  EXPECT_EQ(entry(31), plugin().native() + "NULL");
  EXPECT_EQ(entry(3), fallback());
}

TEST_F(CatalogueTest, JoinsRelativeValuesToThePluginFolderAndResolvesDots) {
  makeFolder("plugin/cards/express");
  makeFolder("shared/cards");
  makeFolder("plugin/\xE8\x8D\xB7");  // 荷, named in UTF-8 on disk
  writeIni(
      "0=cards\\express\n1=..\\shared\\cards\n2=cards/./x/..\\express\\\n3=\n4=nothere\n"
      "05=cards\n32=cards\n6=\x89\xD7\n");
  loadCatalogue(card);
  ASSERT_EQ(card.cardFolders.size(), 32u);
  EXPECT_EQ(entry(0), plugin().native() + "cards/express");
  EXPECT_EQ(entry(1), (dir.path() / "shared/cards").native());
  EXPECT_EQ(entry(2), plugin().native() + "cards/express/");
  EXPECT_EQ(entry(3), plugin().native());  // empty: the plug-in folder itself
  EXPECT_EQ(entry(4), fallback());
  EXPECT_EQ(entry(5), fallback());  // "05" is not key 5
  EXPECT_EQ(entry(6), plugin().native() + "\xE8\x8D\xB7");
  EXPECT_TRUE(card.failures.empty());
}

TEST_F(CatalogueTest, UsesAbsoluteValuesAsWritten) {
  makeFolder("abs/x");
  makeFolder("D:/cards/local");
  makeFolder("E:cards");
  const std::string absolute = (dir.path() / "abs/x/../x").native();
  writeIni("0=" + absolute + "\n1=D:\\cards\\local\n2=E:cards\n");
  {
    CurrentFolder here(dir.path());
    loadCatalogue(card);
  }
  EXPECT_EQ(entry(0), absolute);
  EXPECT_EQ(entry(1), "D:/cards/local");  // only the separators become native
  // E:cards has a drive of its own, so it is not joined to the plug-in folder.
  EXPECT_EQ(entry(2), (dir.path() / "E:cards").native());
  loadCatalogue(card);  // from elsewhere, neither drive path exists
  EXPECT_EQ(entry(33), fallback());
  EXPECT_EQ(entry(34), fallback());
}

TEST_F(CatalogueTest, CutsValuesTo259BytesBeforeResolvingThem) {
  const std::string kept = std::string(200, 'x') + "\\" + std::string(58, 'y');
  ASSERT_EQ(kept.size(), 259u);
  makeFolder("plugin/" + std::string(200, 'x') + "/" + std::string(58, 'y'));
  writeIni("9=" + kept + "yyyy\n");
  loadCatalogue(card);
  EXPECT_EQ(entry(9), plugin().native() + std::string(200, 'x') + "/" + std::string(58, 'y'));
}

TEST_F(CatalogueTest, AppendsAnother32EntriesOnASecondLoad) {
  makeFolder("plugin/cards");
  writeIni("0=cards\n");
  loadCatalogue(card);
  loadCatalogue(card);
  ASSERT_EQ(card.cardFolders.size(), 64u);
  EXPECT_EQ(entry(32), entry(0));
  EXPECT_EQ(entry(32), plugin().native() + "cards");
}

TEST_F(CatalogueTest, RecordsALinkLoopAsAnExistsFailureAndReadsTheOtherKeys) {
  makeFolder("plugin/cards");
  fs::create_symlink("loop", plugin() / "loop");
  writeIni("0=loop\\inside\n1=cards\n");
  loadCatalogue(card);
  ASSERT_EQ(card.cardFolders.size(), 32u);
  EXPECT_EQ(entry(0), fallback());
  EXPECT_EQ(entry(1), plugin().native() + "cards");
  ASSERT_EQ(card.failures.size(), 1u);
  EXPECT_EQ(card.failures[0].operation, "exists");
  EXPECT_EQ(card.failures[0].path.native(), plugin().native() + "loop/inside");
  EXPECT_EQ(card.failures[0].errorCode, ELOOP);
  fs::remove(plugin() / "loop");
  loadCatalogue(card);
  EXPECT_TRUE(card.failures.empty());  // cleared by each load
}

TEST_F(CatalogueTest, RecordsAnUnreadableParentAsAnExistsFailure) {
  makeFolder("plugin/locked/cards");
  makeFolder("plugin/open");
  writeIni("0=locked\\cards\n1=open\n");
  const fs::path locked = plugin() / "locked";
  fs::permissions(locked, fs::perms::none);
  // With privileges that pass every permission check (root) the folder stays readable.
  if (::access((locked / "cards").c_str(), F_OK) == 0) {
    fs::permissions(locked, fs::perms::owner_all);
    GTEST_SKIP() << "permissions do not apply to this user (running as root?)";
  }
  loadCatalogue(card);
  fs::permissions(locked, fs::perms::owner_all);
  EXPECT_EQ(entry(0), fallback());
  EXPECT_EQ(entry(1), plugin().native() + "open");
  ASSERT_EQ(card.failures.size(), 1u);
  EXPECT_EQ(card.failures[0].operation, "exists");
  EXPECT_EQ(card.failures[0].errorCode, EACCES);
}

TEST_F(CatalogueTest, RecordsAMissingCurrentFolderAsAnAbsoluteFailure) {
  // A relative ini path needs the current folder to make full paths; here it has gone.
  makeFolder("gone");
  CurrentFolder here(dir.path() / "gone");
  fs::remove(dir.path() / "gone");
  card.iniPath = "plugin/TIMS_ICCard.ini";
  loadCatalogue(card);
  ASSERT_EQ(card.cardFolders.size(), 32u);
  EXPECT_EQ(entry(0), "plugin/default/0");
  ASSERT_EQ(card.failures.size(), 32u);
  EXPECT_EQ(card.failures[31].operation, "absolute");
  EXPECT_EQ(card.failures[31].path, fs::path("NULL"));
  EXPECT_EQ(card.failures[31].errorCode, ENOENT);
}

}  // namespace
}  // namespace tims
