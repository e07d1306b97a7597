#include "tims-host/card_names.h"

#include "iccard/card_reader.h"
#include "iccard/catalogue.h"
#include "platform/code_page.h"
#include "unit/card_insert.h"

namespace tims::host {

std::filesystem::path cardFileFor(const std::filesystem::path& pluginFolder, int32_t data) {
  IcCardCatalogue catalogue;
  catalogue.iniPath = pluginFolder / "TIMS_ICCard.ini";
  loadCatalogue(catalogue);
  return cardPath(catalogue, data);
}

CardNames::CardNames(std::filesystem::path pluginFolder) : folder_(std::move(pluginFolder)) {}

bool CardNames::readCardFor(int32_t data) {
  lastCardFile_ = cardFileFor(folder_, data);
  IcCardCatalogue card;
  if (!readCardFile(card, lastCardFile_)) return false;
  for (const IcRow& row : card.icRows) {
    if (row.stationName == "NULL") continue;
    names_[row.stationId] = platform::utf8FromShiftJis(row.stationName);
  }
  return true;
}

std::string CardNames::name(int32_t stationId) const {
  const auto found = names_.find(stationId);
  return found == names_.end() ? std::string() : found->second;
}

}  // namespace tims::host
