#include "tims-host/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

namespace tims::host {
namespace {

const char* severityName(Severity severity) {
  switch (severity) {
    case Severity::error:
      return "error";
    case Severity::warning:
      return "warning";
    case Severity::note:
      break;
  }
  return "note";
}

std::string counted(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::vector<Finding> Findings::sorted() const {
  std::vector<Finding> sorted = list_;
  std::stable_sort(sorted.begin(), sorted.end(), [](const Finding& a, const Finding& b) {
    return std::tie(a.file, a.line, a.column) < std::tie(b.file, b.line, b.column);
  });
  return sorted;
}

std::size_t Findings::count(Severity severity) const {
  return static_cast<std::size_t>(std::count_if(
      list_.begin(), list_.end(), [&](const Finding& f) { return f.severity == severity; }));
}

std::string findingsSummary(const Findings& findings) {
  return counted(findings.count(Severity::error), "error", "errors") + ", " +
         counted(findings.count(Severity::warning), "warning", "warnings") + " in " +
         counted(findings.filesRead(), "file", "files");
}

void printFindings(const Findings& findings, std::ostream& out) {
  for (const Finding& f : findings.sorted()) {
    out << f.file;
    if (f.line > 0) out << ":" << f.line;
    if (f.line > 0 && f.column > 0) out << ":" << f.column;
    out << ": " << severityName(f.severity) << ": " << f.message << " [" << f.code << "]\n";
  }
  out << findingsSummary(findings) << "\n";
}

// Texts are UTF-8 already; only the characters JSON reserves are escaped.
std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

void printFindingsJson(const Findings& findings, std::ostream& out) {
  out << "[";
  const char* separator = "\n";
  for (const Finding& f : findings.sorted()) {
    out << separator << "  {\"file\": " << jsonString(f.file) << ", \"line\": " << f.line;
    if (f.column > 0) out << ", \"column\": " << f.column;
    out << ", \"severity\": \"" << severityName(f.severity)
        << "\", \"code\": " << jsonString(f.code) << ", \"message\": " << jsonString(f.message)
        << "}";
    separator = ",\n";
  }
  out << "\n]\n";
}

}  // namespace tims::host
