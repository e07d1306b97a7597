#include "platform/windows_paths.h"

#include <vector>

namespace tims::platform {
namespace {

bool isAsciiLetter(PathChar c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

PathChar lowerAscii(PathChar c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<PathChar>(c - 'A' + 'a') : c;
}

bool equalsIgnoringAsciiCase(PathStringView a, PathStringView b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

bool startsWithDrive(PathStringView path) {
  return path.size() >= 2 && isAsciiLetter(path[0]) && path[1] == ':';
}

std::size_t componentEnd(PathStringView path, std::size_t from) {
  while (from < path.size() && !isWindowsSeparator(path[from])) ++from;
  return from;
}

bool isDot(PathStringView component) {
  return component.size() == 1 && component[0] == '.';
}

bool isDotDot(PathStringView component) {
  return component.size() == 2 && component[0] == '.' && component[1] == '.';
}

}  // namespace

std::size_t windowsRootNameLength(PathStringView path) {
  if (startsWithDrive(path)) return 2;
  if (path.size() < 3 || !isWindowsSeparator(path[0]) || !isWindowsSeparator(path[1]) ||
      isWindowsSeparator(path[2])) {
    return 0;
  }
  // "\\?\" and "\\.\" open a device path; its first component belongs to the root.
  if ((path[2] == '?' || path[2] == '.') && path.size() >= 4 && isWindowsSeparator(path[3])) {
    return componentEnd(path, 4);
  }
  // "\\server\share": `..` cannot climb above the share.
  std::size_t end = componentEnd(path, 2);
  if (end + 1 < path.size() && !isWindowsSeparator(path[end + 1])) {
    end = componentEnd(path, end + 1);
  }
  return end;
}

bool isWindowsAbsolute(PathStringView path) {
  const std::size_t rootName = windowsRootNameLength(path);
  if (startsWithDrive(path)) return path.size() > 2 && isWindowsSeparator(path[2]);
  return rootName > 0;
}

PathString joinWindowsPaths(PathStringView base, PathStringView relative) {
  if (isWindowsAbsolute(relative)) return PathString(relative);
  const std::size_t relativeRootLength = windowsRootNameLength(relative);
  const std::size_t baseRootLength = windowsRootNameLength(base);
  const PathStringView baseRoot = base.substr(0, baseRootLength);
  if (relativeRootLength > 0 &&
      !equalsIgnoringAsciiCase(relative.substr(0, relativeRootLength), baseRoot)) {
    return PathString(relative);  // another drive: the first path says nothing about it
  }
  const PathStringView rest = relative.substr(relativeRootLength);
  if (!rest.empty() && isWindowsSeparator(rest.front())) {
    PathString rooted(baseRoot);
    rooted += rest;
    return rooted;
  }
  PathString joined(base);
  if (rest.empty()) return joined;
  // A bare drive ("C:") takes the name directly: "C:x" is relative to that drive's folder.
  const bool bareDrive = startsWithDrive(base) && base.size() == 2;
  if (!joined.empty() && !isWindowsSeparator(joined.back()) && !bareDrive) joined += '\\';
  joined += rest;
  return joined;
}

PathString normaliseWindowsPath(PathStringView path, PathChar separator) {
  const std::size_t rootNameLength = windowsRootNameLength(path);
  PathString out(path.substr(0, rootNameLength));
  for (auto& c : out) {
    if (isWindowsSeparator(c)) c = separator;
  }
  std::size_t pos = rootNameLength;
  const bool rooted = pos < path.size() && isWindowsSeparator(path[pos]);
  if (rooted) out += separator;

  std::vector<PathStringView> components;
  while (pos < path.size()) {
    while (pos < path.size() && isWindowsSeparator(path[pos])) ++pos;
    if (pos == path.size()) break;
    const std::size_t end = componentEnd(path, pos);
    const PathStringView component = path.substr(pos, end - pos);
    pos = end;
    if (isDot(component)) continue;
    if (isDotDot(component)) {
      if (!components.empty() && !isDotDot(components.back())) {
        components.pop_back();
      } else if (!rooted) {
        components.push_back(component);  // a relative path keeps what it cannot resolve
      }
      continue;
    }
    components.push_back(component);
  }

  for (std::size_t i = 0; i < components.size(); ++i) {
    if (i > 0) out += separator;
    out += components[i];
  }
  const bool trailingSeparator = path.size() > rootNameLength && isWindowsSeparator(path.back());
  if (trailingSeparator && !components.empty()) out += separator;
  if (out.empty()) out += '.';
  return out;
}

}  // namespace tims::platform
