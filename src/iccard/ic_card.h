// The IC card catalogue (the list of card folders) and the loaded card's data.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "common/hhmmss.h"

namespace tims {

inline constexpr int kCardFolderCount = 32;

// An announcement point (record type 5).
struct IcPointRecord {
  int32_t rowIndex = 0;  // the IcRow it belongs to
  double startKm = 0.0;  // kilometres run since that row's station
  double endKm = 0.0;
  int32_t kind = 0;  // 0..3
};

// A line-position zone (record type 6).
struct IcSectionRecord {
  int32_t rowIndex = 0;
  double fromKm = 0.0;  // kilometre posts, either order
  double toKm = 0.0;
  double zoneLengthKm = 0.0;
  int32_t value = 0;
};

// One timetable row (record type 7), with the values a row has before its columns apply.
struct IcRow {
  int32_t value16 = 120;
  std::string text20 = "NULL";
  int32_t runSeconds = -1;  // negative: none
  std::string stationName = "NULL";
  int32_t rowKind = 0;  // 1: the train does not stop here
  int32_t arrivalTime = kNoTimeHhmmss;
  int32_t departureTime = kNoTimeHhmmss;
  std::string text19 = "NULL";
  int32_t track = 0;
  std::array<int32_t, 2> valueList{0, 0};
  double kmPost = 0.0;
  bool hidden = false;
  double sectionKm = -1.0;
  int32_t announceKind = 0;  // 1 stop chime, 2 pass chime
  int32_t valueC = 15;
  int32_t valueD = 15;
  int32_t sectionCode = 0;
  std::string text15 = "NULL";
  bool kmAscending = false;
  int32_t stationId = 0;
};

// A failure of the file system while the catalogue was built. It stays inside the library: the
// entry takes the fallback folder and loading goes on.
struct FileSystemFailure {
  std::string operation;  // "exists" or "absolute"
  std::filesystem::path path;
  int errorCode = 0;  // the platform's error code
};

struct IcCardCatalogue {
  std::vector<std::filesystem::path> cardFolders;  // entry k for card index k

  // The loaded card.
  std::string record0Text = "NULL";
  std::string trainNumberText = "NULL";
  std::string record4Text = "NULL";
  std::vector<IcPointRecord> pointRecords;
  std::vector<IcSectionRecord> sectionRecords;
  std::vector<IcRow> icRows;
  std::string secondTrainNumberText = "NULL";
  int32_t secondTrainTimeA = kNoTimeHhmmss;
  int32_t secondTrainTimeB = kNoTimeHhmmss;
  int32_t secondTrainValue = 0;
  int32_t record8Value = 0;
  std::string record11Text = "NULL";
  int32_t record11Value = 0;

  std::filesystem::path iniPath;  // full path of TIMS_ICCard.ini

  int32_t record1ValueA = 0;  // not cleared by the card reset
  int32_t record1ValueB = 0;

  std::vector<FileSystemFailure> failures;  // file-system errors behind the entries
};

}  // namespace tims
