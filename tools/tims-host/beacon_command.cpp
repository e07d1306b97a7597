#include "tims-host/beacon_command.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "beacon/beacon_dispatcher.h"
#include "iccard/train_number_codes.h"
#include "platform/code_page.h"
#include "state/plugin_state.h"
#include "unit/card_insert.h"

namespace tims::host {
namespace {

constexpr const char* kBeaconUsage =
    "usage: tims-host beacon decode TYPE DATA\n"
    "       tims-host beacon encode card INDEX TRAIN   (TRAIN such as 1523K or 荷2340M)\n";

std::optional<int32_t> parseInt32(const std::string& text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The unit fields a beacon can write, with what each means on the monitor; snapshot() reads
// them in this order, as doubles so that every kind compares alike.
std::vector<std::pair<std::string, std::string>> fieldTable() {
  return {
      {"nextStop.stationId", "next stop: station number"},
      {"nextStop.arrHour", "next stop: arrival hour"},
      {"nextStop.arrMinute", "next stop: arrival minute"},
      {"nextStop.arrSecond", "next stop: arrival second"},
      {"nextStopDisp.stationId", "next stop shown: station number (only at standstill)"},
      {"nextStopSecondPart", "type 102: the next one is the second of the pair"},
      {"stopAnnounceKind", "approach announcement: 0 none, 1 stop chime, 2 pass chime"},
      {"distanceToStop", "metres to the stop"},
      {"beaconTrainNumberSet", "train number received by beacon"},
      {"beaconKind10Flag", "flag of kind 10"},
      {"beaconKind11Value", "value of kind 11"},
      {"kmPostBase", "line position at this beacon, tens of metres"},
      {"kmPostOffset", "line position offset, metres"},
      {"kmPostRefLocation", "location of the line-position beacon"},
      {"kmPostAscending", "line position grows with travel"},
      {"stationSetByBeacon", "the station list restarts at the selected row"},
      {"icRowIndex", "IC card row of the current station"},
  };
}

std::vector<double> snapshot(const TimsUnit& u) {
  std::vector<double> values = {double(u.nextStop.stationId),
                                double(u.nextStop.arrHour),
                                double(u.nextStop.arrMinute),
                                double(u.nextStop.arrSecond),
                                double(u.nextStopDisp.stationId),
                                double(u.nextStopSecondPart),
                                double(u.stopAnnounceKind),
                                u.distanceToStop,
                                double(u.beaconTrainNumberSet),
                                double(u.beaconKind10Flag),
                                double(u.beaconKind11Value),
                                u.kmPostBase,
                                u.kmPostOffset,
                                u.kmPostRefLocation,
                                double(u.kmPostAscending),
                                double(u.stationSetByBeacon),
                                double(u.icRowIndex)};
  for (const auto* rows : {&u.rowStationId, &u.rowArrHour, &u.rowArrMinute, &u.rowArrSecond,
                           &u.rowDepHour, &u.rowDepMinute, &u.rowDepSecond, &u.rowTrack,
                           &u.rowRunMinutes, &u.rowRunSeconds, &u.rowValueA, &u.rowValueB}) {
    for (const int32_t v : *rows) values.push_back(v);
  }
  for (const int32_t v : u.trainNumberDigits) values.push_back(v);
  return values;
}

std::vector<std::pair<std::string, std::string>> fieldNames() {
  auto names = fieldTable();
  const std::pair<const char*, const char*> rowFields[] = {
      {"rowStationId", "station number"},
      {"rowArrHour", "arrival hour"},
      {"rowArrMinute", "arrival minute"},
      {"rowArrSecond", "arrival second"},
      {"rowDepHour", "departure hour"},
      {"rowDepMinute", "departure minute"},
      {"rowDepSecond", "departure second"},
      {"rowTrack", "track"},
      {"rowRunMinutes", "running time, minutes"},
      {"rowRunSeconds", "running time, seconds"},
      {"rowValueA", "value A"},
      {"rowValueB", "value B"}};
  for (const auto& [name, meaning] : rowFields) {
    for (int row = 0; row < kRows; ++row) {
      names.push_back({std::string(name) + "[" + std::to_string(row) + "]",
                       std::string(meaning) + " of timetable row " + std::to_string(row + 1)});
    }
  }
  const char* codes[] = {"kind (prefix code)", "thousands digit", "hundreds digit",
                         "tens digit",         "units digit",     "suffix code"};
  for (int i = 0; i < kCodes; ++i) {
    names.push_back(
        {"trainNumberDigits[" + std::to_string(i) + "]", std::string("train number: ") + codes[i]});
  }
  return names;
}

// Every watched field set to `mark` (flags to `flag`), so that any write shows.
void fill(TimsUnit& u, int32_t mark, bool flag) {
  u.nextStop.stationId = u.nextStop.arrHour = u.nextStop.arrMinute = u.nextStop.arrSecond = mark;
  u.nextStopDisp.stationId = mark;
  u.nextStopSecondPart = u.beaconTrainNumberSet = u.beaconKind10Flag = flag;
  u.kmPostAscending = u.stationSetByBeacon = flag;
  u.stopAnnounceKind = u.beaconKind11Value = mark;
  u.distanceToStop = u.kmPostBase = u.kmPostOffset = u.kmPostRefLocation = mark;
  u.icRowIndex = static_cast<uint32_t>(mark);
  for (auto* rows : {&u.rowStationId, &u.rowArrHour, &u.rowArrMinute, &u.rowArrSecond,
                     &u.rowDepHour, &u.rowDepMinute, &u.rowDepSecond, &u.rowTrack, &u.rowRunMinutes,
                     &u.rowRunSeconds, &u.rowValueA, &u.rowValueB}) {
    rows->fill(mark);
  }
  u.trainNumberDigits.fill(mark);
}

const char* guardText(BeaconGuard guard) {
  switch (guard) {
    case BeaconGuard::kIcCard:
    case BeaconGuard::kIcCardInEntry:
      return "ignored in IC mode (while an IC card is in force)";
    case BeaconGuard::kMovingAndIcCard:
      return "ignored at standstill and in IC mode";
    case BeaconGuard::kStandstill:
      return "taken only at standstill";
    case BeaconGuard::kNone:
      break;
  }
  return "always taken, in IC mode too";
}

// Runs the dispatcher on a unit in beacon mode and prints every field it wrote. The
// two-part type 102 starts with the toggle as `secondPart` says.
void printWrites(std::ostream& out, int32_t type, int32_t data, float speed, bool secondPart) {
  PluginState plugin;
  plugin.state.speed = speed;
  plugin.state.location = 1000.0;
  std::vector<double> before[2];
  std::vector<double> after[2];
  for (int pass = 0; pass < 2; ++pass) {
    auto unit = std::make_unique<TimsUnit>();
    bindUnit(*unit, plugin);
    fill(*unit, pass == 0 ? -77777 : -88888, pass == 1);
    unit->nextStopSecondPart = secondPart;
    before[pass] = snapshot(*unit);
    dispatchBeacon(*unit, BeaconData{type, 0, 0, data});
    after[pass] = snapshot(*unit);
  }
  const auto names = fieldNames();
  bool any = false;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (after[0][i] == before[0][i] && after[1][i] == before[1][i]) continue;
    any = true;
    char value[32];
    std::snprintf(value, sizeof value, "%g", after[0][i]);
    out << "  " << names[i].first << " = " << value << "   " << names[i].second << "\n";
  }
  if (!any) out << "  (writes nothing here)\n";
}

void decodeCardValue(std::ostream& out, int32_t data) {
  const CardSelection s = splitCardValue(data);
  const auto* prefix = findByFileCode(kPrefixCodes, s.prefixCode);
  const auto* suffix = findByFileCode(kSuffixCodes, s.suffixCode);
  out << "  card index " << s.cardIndex
      << (s.cardIndex >= 0 && s.cardIndex < kCardFolderCount
              ? ": key " + std::to_string(s.cardIndex) + " of TIMS_ICCard.ini"
              : ": no such key; the folder default/" + std::to_string(s.cardIndex))
      << "\n";
  out << "  prefix code " << s.prefixCode << ": "
      << (prefix ? platform::utf8FromShiftJis(prefix->text) : std::string("no prefix")) << "\n";
  out << "  train number " << s.number << "\n";
  out << "  suffix code " << s.suffixCode << ": "
      << (suffix ? platform::utf8FromShiftJis(suffix->text) : std::string("no suffix")) << "\n";
  out << "  card file " << platform::utf8FromShiftJis(cardFileName(s)) << "\n";
}

int decode(std::ostream& out, int32_t type, int32_t data) {
  const auto table = beaconTypeTable();
  const auto row = std::find_if(table.begin(), table.end(), [&](const BeaconTypeRange& r) {
    return r.first <= type && type <= r.last;
  });
  out << "beacon " << type << " " << data << ": ";
  if (row == table.end()) {
    out << "no such type: the plug-in ignores it\n";
    return 0;
  }
  out << row->summary << "; " << guardText(row->guard) << "\n";
  if (type == 1000) {
    decodeCardValue(out, data);
  } else if (type == 1001) {
    out << "  row " << static_cast<uint32_t>(data)
        << " of the IC card (at most its row count) becomes the current station\n";
  } else if (type == 102) {
    out << " as the first of the pair (at standstill):\n";
    printWrites(out, type, data, 0.0f, false);
    out << " as the second of the pair:\n";
    printWrites(out, type, data, 1.0f, true);
  } else {
    printWrites(out, type, data, row->guard == BeaconGuard::kStandstill ? 0.0f : 1.0f, false);
  }
  return 0;
}

int encodeCard(std::ostream& out, int32_t index, const std::string& train) {
  std::string name = platform::shiftJisFromUtf8(train);
  if (!name.ends_with(".csv")) name += ".csv";
  const CardValueEncoding encoding = encodeCardValue(index, name);
  if (!encoding.value) {
    out << "no type-1000 value selects " << platform::utf8FromShiftJis(name) << " of card " << index
        << ": " << encoding.whyNot << "\n";
    return 1;
  }
  out << "beacon 1000 " << *encoding.value << " selects " << platform::utf8FromShiftJis(name)
      << " of card " << index << "\n";
  return 0;
}

}  // namespace

int runBeaconCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
  if (args.size() == 3 && args[0] == "decode") {
    const auto type = parseInt32(args[1]);
    const auto data = parseInt32(args[2]);
    if (type && data) return decode(out, *type, *data);
  } else if (args.size() == 4 && args[0] == "encode" && args[1] == "card") {
    if (const auto index = parseInt32(args[2])) return encodeCard(out, *index, args[3]);
  } else if (args.size() == 1 && args[0] == "--help") {
    out << kBeaconUsage;
    return 0;
  }
  err << kBeaconUsage;
  return 2;
}

}  // namespace tims::host
