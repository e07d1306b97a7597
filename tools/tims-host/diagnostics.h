// Findings of the author's check, printed the way compilers print theirs, or as JSON for tools.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace tims::host {

enum class Severity { error, warning, note };

struct Finding {
  std::string file;        // relative to the checked folder, '/' separated, UTF-8
  std::size_t line = 0;    // 1-based; 0 when the finding is about the whole file
  std::size_t column = 0;  // 1-based byte column; 0 when not known
  Severity severity = Severity::note;
  std::string code;     // a stable name for tools, such as "card-not-a-number"
  std::string message;  // UTF-8
};

class Findings {
 public:
  void add(Finding finding) { list_.push_back(std::move(finding)); }
  void fileRead() { ++filesRead_; }

  // Sorted by file, line and column; findings of one place keep their order.
  std::vector<Finding> sorted() const;
  std::size_t count(Severity severity) const;
  std::size_t filesRead() const { return filesRead_; }

 private:
  std::vector<Finding> list_;
  std::size_t filesRead_ = 0;
};

// PATH:LINE[:COLUMN]: SEVERITY: MESSAGE [CODE], one per line, then the summary line.
void printFindings(const Findings& findings, std::ostream& out);
// A JSON array of objects with file, line, column (when known), severity, code and message.
void printFindingsJson(const Findings& findings, std::ostream& out);
// "N errors, M warnings in K files"
std::string findingsSummary(const Findings& findings);

std::string jsonString(std::string_view text);

}  // namespace tims::host
