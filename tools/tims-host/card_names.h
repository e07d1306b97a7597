// Station names for the monitor view: the panel carries station numbers only, the vehicle
// folder's cards carry the names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace tims::host {

// The card file that a type-1000 beacon with `data` names, found the way the plug-in finds it
// from the TIMS_ICCard.ini in `pluginFolder`.
std::filesystem::path cardFileFor(const std::filesystem::path& pluginFolder, int32_t data);

class CardNames {
 public:
  // `pluginFolder` is the folder the plug-in runs in (its TIMS_ICCard.ini and cards).
  explicit CardNames(std::filesystem::path pluginFolder);

  // Reads the card file that a type-1000 beacon with `data` names, found the way the plug-in
  // finds it. Names of the card replace those of earlier cards for the same station number.
  // Returns false when there is no such file.
  bool readCardFor(int32_t data);

  // The name (UTF-8) of a station number, or empty when no card read so far names it.
  std::string name(int32_t stationId) const;

  // The file the last readCardFor looked for.
  const std::filesystem::path& lastCardFile() const { return lastCardFile_; }

 private:
  std::filesystem::path folder_;
  std::filesystem::path lastCardFile_;
  std::map<int32_t, std::string> names_;
};

}  // namespace tims::host
