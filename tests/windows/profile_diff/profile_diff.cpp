// Differential test of the profile-file reader and writer: every question of the corpus is asked
// of the system's profile functions and of ours, and every write is made by both; the answers
// must agree. Written files are compared by the values read back, not by their bytes: our
// writer keeps every other byte of a file, the system's may reformat it.
//   profile-diff <empty work folder>
// Exits 1 when any answer differs.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "corpus.h"
#include "platform/profile.h"

namespace {

namespace fs = std::filesystem;
using profile_diff::Case;
using profile_diff::Query;
using tims::platform::readProfileInt;
using tims::platform::readProfileString;
using tims::platform::writeProfileString;

constexpr const char* kFallback = "(fallback)";
constexpr const char* kSpacedFallback = "  spaced fallback  ";
constexpr int kIntFallback = -12345;
// The plug-in's own buffer, a short one that cuts values, and the shortest that holds any text.
constexpr DWORD kBufferSizes[] = {260, 8, 2};

int comparisons = 0;
int differences = 0;
int deviations = 0;
const char* currentDeviation = nullptr;  // set while a known deviation's question is asked

std::string printable(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
      out += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    }
  }
  if (out.size() > 80) out = out.substr(0, 70) + "...(" + std::to_string(text.size()) + " bytes)";
  return out + "\"";
}

void compare(const std::string& where, const std::string& expected, const std::string& actual) {
  ++comparisons;
  if (expected == actual) return;
  if (currentDeviation != nullptr) {
    ++deviations;
    std::printf("KNOWN %s (%s)\n  system: %s\n  ours:   %s\n", where.c_str(), currentDeviation,
                printable(expected).c_str(), printable(actual).c_str());
    return;
  }
  ++differences;
  std::printf("DIFF %s\n  system: %s\n  ours:   %s\n", where.c_str(), printable(expected).c_str(),
              printable(actual).c_str());
}

std::string describe(const Case& c, const Query& q) {
  return "[" + c.name + "] [" + q.section + "] " + q.key;
}

std::string systemString(const fs::path& file, const Query& q, DWORD size) {
  std::string buffer(size, '\0');
  const DWORD length = GetPrivateProfileStringA(q.section.c_str(), q.key.c_str(), kFallback,
                                                buffer.data(), size, file.string().c_str());
  buffer.resize(length);
  return buffer;
}

int systemInt(const fs::path& file, const Query& q) {
  return static_cast<int>(
      GetPrivateProfileIntA(q.section.c_str(), q.key.c_str(), kIntFallback, file.string().c_str()));
}

void writeBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void prepare(const Case& c, const fs::path& file) {
  if (c.fileExists) writeBytes(file, c.bytes);
}

// Asks one question of both readers, on one file.
void compareReads(const std::string& where, const fs::path& file, const Query& q) {
  for (const DWORD size : kBufferSizes) {
    compare(where + " string/" + std::to_string(size), systemString(file, q, size),
            readProfileString(file, q.section, q.key, kFallback, size));
  }
  compare(where + " int", std::to_string(systemInt(file, q)),
          std::to_string(readProfileInt(file, q.section, q.key, kIntFallback)));
  // The system drops trailing spaces of the fallback.
  std::string buffer(64, '\0');
  buffer.resize(GetPrivateProfileStringA(q.section.c_str(), q.key.c_str(), kSpacedFallback,
                                         buffer.data(), 64, file.string().c_str()));
  compare(where + " spaced fallback", buffer,
          readProfileString(file, q.section, q.key, kSpacedFallback, 64));
}

// The same write made by each side on its own copy; then every question is answered from the
// system's copy by the system (the reference) and checked against the other three ways to read.
void compareWrite(const Case& c, std::size_t caseIndex, std::size_t writeIndex,
                  const fs::path& folder) {
  const profile_diff::Write& w = c.writes[writeIndex];
  const std::string stem =
      "case" + std::to_string(caseIndex) + "-write" + std::to_string(writeIndex);
  const fs::path systemFile = folder / (stem + "-system.ini");
  const fs::path ourFile = folder / (stem + "-ours.ini");
  prepare(c, systemFile);
  prepare(c, ourFile);
  const bool systemWrote = WritePrivateProfileStringA(w.section.c_str(), w.key.c_str(),
                                                      w.value.c_str(), systemFile.string().c_str());
  const bool weWrote = writeProfileString(ourFile, w.section, w.key, w.value);
  const std::string what = "[" + c.name + "] write [" + w.section + "] " + w.key + "=" + w.value;
  compare(what + " succeeded", systemWrote ? "yes" : "no", weWrote ? "yes" : "no");

  std::vector<Query> questions = c.queries;
  questions.push_back({w.section, w.key});
  for (const Query& q : questions) {
    currentDeviation = profile_diff::knownDeviation(c.name, q);
    const std::string where = what + ", then " + describe(c, q);
    const std::string reference = systemString(systemFile, q, 1024);
    compare(where + " (system reads our file)", reference, systemString(ourFile, q, 1024));
    compare(where + " (we read our file)", reference,
            readProfileString(ourFile, q.section, q.key, kFallback, 1024));
    compare(where + " (we read the system's file)", reference,
            readProfileString(systemFile, q.section, q.key, kFallback, 1024));
    currentDeviation = nullptr;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: profile-diff <empty work folder>\n");
    return 2;
  }
  std::error_code error;
  // The system's functions take a full path; a bare name would mean the Windows folder.
  const fs::path folder = fs::absolute(argv[1], error);
  fs::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "profile-diff: cannot create %s\n", argv[1]);
    return 2;
  }

  const auto cases = profile_diff::corpus();
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    const fs::path file = folder / ("case" + std::to_string(i) + ".ini");
    prepare(c, file);
    for (const Query& q : c.queries) {
      currentDeviation = profile_diff::knownDeviation(c.name, q);
      compareReads(describe(c, q), file, q);
      currentDeviation = nullptr;
    }
    for (std::size_t w = 0; w < c.writes.size(); ++w) compareWrite(c, i, w, folder);
  }
  std::printf("profile-diff: %zu files, %d comparisons, %d differences, %d known deviations\n",
              cases.size(), comparisons, differences, deviations);
  return differences == 0 ? 0 : 1;
}
