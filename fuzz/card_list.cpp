// The card list: folder values written the Windows way in TIMS_ICCard.ini. The input's first line
// is one such value for the path rules; the whole input is also the card list that a load reads.
// Every entry must come out as an existing folder or the fallback, and the path rules must give
// full, normalised paths whatever the text.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz_input.h"
#include "iccard/catalogue.h"
#include "platform/file_system.h"
#include "platform/windows_paths.h"

namespace {

using namespace tims;
using namespace tims::platform;

bool isComponent(PathStringView path, std::size_t begin, std::size_t end, PathStringView name) {
  return path.substr(begin, end - begin) == name;
}

// What a normalised path looks like after its root name: one separator kind, no runs of
// separators, no `.` components, and no `..` at all when the path is rooted.
void checkNormalised(PathStringView path, PathChar separator) {
  TIMS_FUZZ_CHECK(path.find(separator == '/' ? '\\' : '/') == PathStringView::npos);
  const std::size_t root = windowsRootNameLength(path);
  TIMS_FUZZ_CHECK(root <= path.size());
  if (path == PathStringView(".")) return;
  const bool rooted = root < path.size() && path[root] == separator;
  std::size_t pos = rooted ? root + 1 : root;
  while (pos < path.size()) {
    std::size_t end = pos;
    while (end < path.size() && !isWindowsSeparator(path[end])) ++end;
    TIMS_FUZZ_CHECK(end > pos);  // no empty component: no run of separators
    TIMS_FUZZ_CHECK(!isComponent(path, pos, end, "."));
    if (rooted) TIMS_FUZZ_CHECK(!isComponent(path, pos, end, ".."));
    pos = end + 1;
  }
}

void checkPathRules(PathStringView value) {
  TIMS_FUZZ_CHECK(windowsRootNameLength(value) <= value.size());
  for (const PathChar separator : {PathChar('/'), PathChar('\\')}) {
    const PathString once = normaliseWindowsPath(value, separator);
    TIMS_FUZZ_CHECK(!once.empty());
    TIMS_FUZZ_CHECK(normaliseWindowsPath(once, separator) == once);
    checkNormalised(once, separator);
  }
  const PathString joined = joinWindowsPaths("C:\\vehicle\\", value);
  TIMS_FUZZ_CHECK(!joined.empty());
  if (windowsRootNameLength(value) == 0 && (value.empty() || !isWindowsSeparator(value[0]))) {
    TIMS_FUZZ_CHECK(joined.starts_with("C:\\vehicle\\"));  // a relative value stays inside
  }

  std::error_code error;
  const std::filesystem::path full = makeAbsolute(PathString(value), "/vehicle/", error);
  TIMS_FUZZ_CHECK(!error);
  const bool asWritten = (!value.empty() && value[0] == '/') || isWindowsAbsolute(value);
  TIMS_FUZZ_CHECK(asWritten || full.native().starts_with('/'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const fuzz::ScratchFolder folder("card-list");
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  checkPathRules(input.substr(0, input.find('\n')));

  IcCardCatalogue card;
  card.iniPath = folder.path() / "TIMS_ICCard.ini";
  {
    std::ofstream out(card.iniPath, std::ios::binary | std::ios::trunc);
    out.write(input.data(), static_cast<std::streamsize>(input.size()));
    TIMS_FUZZ_CHECK(out.good());
  }
  loadCatalogue(card);
  TIMS_FUZZ_CHECK(card.cardFolders.size() == static_cast<std::size_t>(kCardFolderCount));
  const std::filesystem::path fallback = folder.path() / "default" / "0";
  for (const auto& entry : card.cardFolders) {
    std::error_code error;
    TIMS_FUZZ_CHECK(entry == fallback || platform::pathExists(entry, error));
  }
  return 0;
}
