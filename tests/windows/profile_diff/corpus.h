// Tricky profile files and the questions asked of them. Each case is written to disk as bytes,
// read through the system's profile functions and through ours, then written through both.
#pragma once

#include <string>
#include <vector>

namespace profile_diff {

struct Query {
  std::string section;
  std::string key;
};

struct Write {
  std::string section;
  std::string key;
  std::string value;
};

struct Case {
  std::string name;
  std::string bytes;  // the file as it lies on disk
  bool fileExists = true;
  std::vector<Query> queries;
  std::vector<Write> writes;  // each applied to a fresh copy, then every query asked again
};

std::vector<Case> corpus();

// Why our answer to this question deliberately differs from the system's, or nullptr.
const char* knownDeviation(const std::string& caseName, const Query& query);

}  // namespace profile_diff
