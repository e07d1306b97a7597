// TIMS_ICCard.ini as the plug-in reads it at Load, and the card files of every folder it names.
#include <algorithm>
#include <iomanip>
#include <set>

#include "iccard/catalogue.h"
#include "platform/code_page.h"
#include "settings/spec_settings.h"
#include "tims-host/vehicle_check.h"
#include "unit/card_insert.h"

namespace tims::host {
namespace {

bool isCsv(const std::filesystem::path& file) {
  std::string extension = file.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".csv";
}

std::vector<std::filesystem::path> cardFilesIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    if (entry.is_regular_file(error) && isCsv(entry.path())) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void checkEntryKeys(VehicleCheck& check, const std::filesystem::path& file,
                    const CatalogueSink& sink) {
  const auto text = platform::readProfileText(file);
  if (!text) return;
  std::set<std::size_t> readLines;
  for (const auto& entry : sink.entries) {
    if (entry.lookup.found) readLines.insert(entry.lookup.line);
  }
  for (const auto& key : platform::listProfileKeys(*text)) {
    std::string section = key.section;
    std::transform(section.begin(), section.end(), section.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (section != "iccard" || key.key.starts_with(';') || readLines.count(key.line)) continue;
    check.add(file, key.line, 0, Severity::warning, "cards-ignored-key",
              "key " + quotedShiftJis(key.key) +
                  " is never read: the plug-in reads the keys 0 to 31, " +
                  "written without leading zeros, and the first of each");
  }
}

void explainCardList(std::ostream& out, const CatalogueSink& sink, const VehicleCheck& check) {
  out << "TIMS_ICCard.ini as the plug-in reads it:\n";
  for (const auto& entry : sink.entries) {
    out << "  " << std::setw(2) << entry.index << "  ";
    if (entry.exists) {
      out << check.shown(entry.folder) << "\n";
    } else if (entry.lookup.found) {
      out << "default/0 (no folder " << quotedShiftJis(entry.lookup.value) << ")\n";
    } else {
      out << "default/0 (no key)\n";
    }
  }
  out << "\n";
}

}  // namespace

std::string quotedShiftJis(std::string_view text) {
  return "'" + platform::utf8FromShiftJis(text) + "'";
}

namespace {

// Valid UTF-8 with at least one character beyond ASCII.
bool isWideUtf8(std::string_view text) {
  bool wide = false;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80                    ? 1
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                               : lead >= 0xE0                 ? 3
                               : lead >= 0xC2 && lead < 0xE0  ? 2
                                                              : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    wide = wide || length > 1;
    i += length;
  }
  return wide;
}

}  // namespace

std::string shiftJisProblem(std::string_view text) {
  if (isWideUtf8(text)) return "is UTF-8 ('" + std::string(text) + "'), not Shift-JIS";
  if (platform::utf8FromShiftJis(text).find("\xEF\xBF\xBD") != std::string::npos) {
    return "is no valid Shift-JIS";
  }
  return {};
}

void checkCardList(VehicleCheck& check) {
  const std::filesystem::path file = check.folder / kIcCardFileName;
  IcCardCatalogue catalogue;
  catalogue.iniPath = file;
  CatalogueSink sink;
  loadCatalogue(catalogue, &sink);
  if (check.explain) explainCardList(*check.explain, sink, check);

  std::error_code error;
  if (!std::filesystem::exists(file, error)) {
    check.add(file, 0, 0, Severity::note, "cards-missing",
              "no TIMS_ICCard.ini: every card index falls back to default/0");
    return;
  }
  check.findings.fileRead();
  for (const auto& failure : catalogue.failures) {
    check.add(file, 0, 0, Severity::error, "cards-file-system",
              "the plug-in's " + failure.operation + " test fails on " + check.shown(failure.path) +
                  " (error " + std::to_string(failure.errorCode) + ")");
  }
  checkEntryKeys(check, file, sink);

  std::set<std::filesystem::path> folders;
  for (const auto& entry : sink.entries) {
    if (!entry.lookup.found) continue;
    const std::string card = "card " + std::to_string(entry.index) + ": ";
    const std::size_t line = entry.lookup.line;
    if (const std::string problem = shiftJisProblem(entry.lookup.value); !problem.empty()) {
      check.add(file, line, 0, Severity::error, "cards-not-shift-jis",
                card + "the folder name " + problem +
                    ", so the plug-in looks for another folder; save the file as Shift-JIS");
      continue;
    }
    if (!entry.exists) {
      check.add(file, line, 0, Severity::error, "cards-no-folder",
                card + "no folder " + check.shown(entry.folder) +
                    ": the plug-in falls back to default/0");
      continue;
    }
    if (!std::filesystem::is_directory(entry.folder, error)) {
      check.add(file, line, 0, Severity::error, "cards-not-a-folder",
                card + check.shown(entry.folder) + " is a file, not a folder");
      continue;
    }
    if (entry.index > kMaxBeaconCardIndex) {
      check.add(file, line, 0, Severity::warning, "cards-index-unreachable",
                card + "no beacon value can select a card index above 21");
      continue;
    }
    const auto files = cardFilesIn(entry.folder);
    check.add(file, line, 0, Severity::note, "cards-folder",
              card + check.shown(entry.folder) + ", " + std::to_string(files.size()) +
                  " card file" + (files.size() == 1 ? "" : "s"));
    if (!folders.insert(entry.folder).second) continue;  // read once, under its first index
    for (const auto& cardFile : files) checkCardFile(check, cardFile, entry.index);
  }
}

}  // namespace tims::host
