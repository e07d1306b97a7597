// docs/panel-slots.md is the vehicle authors' copy of the slot table; it must not drift from it.
#include "panel/panel_slot_doc.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tims {
namespace {

const char* const kDocPath = TIMS_SOURCE_DIR "/docs/panel-slots.md";

TEST(PanelSlotDoc, MatchesTheSlotTable) {
  const std::string generated = panelSlotDocument();
  const char* update = std::getenv("TIMS_UPDATE_DOCS");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream(kDocPath, std::ios::binary) << generated;
  }
  std::ifstream file(kDocPath, std::ios::binary);
  ASSERT_TRUE(file) << kDocPath << " is missing; run with TIMS_UPDATE_DOCS=1 to write it";
  std::stringstream text;
  text << file.rdbuf();
  EXPECT_EQ(text.str(), generated)
      << kDocPath << " differs from the slot table; run with TIMS_UPDATE_DOCS=1 to regenerate";
}

TEST(PanelSlotDoc, NamesFieldsWithTheirEntry) {
  const PanelSlotRun& rows = panel_slots::kLegacyRowsType0[0];
  EXPECT_EQ(panelSlotFieldName(rows, 3), "unit.dispStationId[3]");
  EXPECT_EQ(panelSlotFieldName(panel_slots::kClockAndStatus[0], 0), "clock.hours");
}

TEST(PanelSlotDoc, ListsTheSlotsWrittenTwice) {
  const std::string doc = panelSlotDocument();
  const auto legacyType1 = doc.find("## Legacy layout, DispType 1");
  ASSERT_NE(legacyType1, std::string::npos);
  EXPECT_NE(
      doc.find("- slot 205: `unit.beaconKind11Value`, then `unit.dispValueB[2]`", legacyType1),
      std::string::npos);
  // The DispType 0 legacy rows never reach slot 205, so nothing is listed there.
  const auto legacyType0 = doc.find("## Legacy layout, DispType 0");
  EXPECT_EQ(doc.substr(legacyType0, legacyType1 - legacyType0).find("Written more than once"),
            std::string::npos);
}

}  // namespace
}  // namespace tims
