#include "iccard/catalogue.h"

#include <string>
#include <system_error>

#include "platform/code_page.h"
#include "platform/file_system.h"
#include "platform/profile.h"

namespace tims {
namespace {

// The profile functions read into a buffer of 260 bytes (the old path limit), so a value is cut
// to 259 bytes before it is resolved.
constexpr std::size_t kValueBufferSize = 260;

// The folder of iniPath, with its trailing separator kept so that names join directly.
std::filesystem::path pluginDirectoryOf(const std::filesystem::path& iniPath) {
  std::filesystem::path directory = iniPath.parent_path();
  if (!directory.empty() && directory.has_filename()) {
    directory += std::filesystem::path::preferred_separator;
  }
  return directory;
}

std::filesystem::path resolveEntry(IcCardCatalogue& card, const std::filesystem::path& directory,
                                   const std::filesystem::path& fallback, int index,
                                   CatalogueSink::Entry* note) {
  const std::string value =
      platform::readProfileString(card.iniPath, "ICCard", std::to_string(index), "NULL",
                                  kValueBufferSize, note ? &note->lookup : nullptr);
  if (note && !note->lookup.found) note->lookup.value = value;
  const std::filesystem::path written = platform::pathFromShiftJis(value);

  std::error_code error;
  const std::filesystem::path folder = platform::makeAbsolute(written, directory, error);
  if (error) {
    card.failures.push_back({"absolute", written, error.value()});
    return fallback;
  }
  const bool exists = platform::pathExists(folder, error);
  if (note) {
    note->folder = folder;
    note->exists = exists && !error;
  }
  if (error) {
    card.failures.push_back({"exists", folder, error.value()});
    return fallback;
  }
  return exists ? folder : fallback;
}

}  // namespace

void loadCatalogue(IcCardCatalogue& card, CatalogueSink* sink) {
  // Card indexes address the first 32 entries only: a later Load has nothing to add, and
  // appending would grow the list with every Load of a long session.
  if (card.cardFolders.size() >= kCardFolderCount) return;
  card.failures.clear();
  const std::filesystem::path directory = pluginDirectoryOf(card.iniPath);
  // The fallback itself is not tested: a card file missing there just fails to load.
  const std::filesystem::path fallback = directory / "default" / "0";
  // Every key is read, whatever happened to the ones before it.
  for (int index = static_cast<int>(card.cardFolders.size()); index < kCardFolderCount; ++index) {
    CatalogueSink::Entry* note = nullptr;
    if (sink) note = &sink->entries.emplace_back(CatalogueSink::Entry{index, {}, {}, false});
    card.cardFolders.push_back(resolveEntry(card, directory, fallback, index, note));
  }
}

}  // namespace tims
