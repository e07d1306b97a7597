#include "tims-host/monitor_view.h"

#include <cstdio>
#include <sstream>

#include "iccard/train_number_codes.h"
#include "platform/code_page.h"
#include "plugin/frame.h"
#include "settings/spec_settings.h"
#include "tims-host/card_names.h"
#include "tims-host/scenario.h"

namespace tims::host {

PanelSettings::PanelSettings(const std::filesystem::path& pluginFolder)
    : plugin_(std::make_unique<PluginState>()), unit_(std::make_unique<TimsUnit>()) {
  // The plug-in's directory path ends in a separator.
  plugin_->pluginDirectory = pluginFolder / "";
  readMeterSettings(*plugin_);
  readPilotLampSetting(*plugin_);
  unit_->specPath = pluginFolder / kSpecFileName;
  resetUnit(*unit_);
  // The last write of a slot is what the panel shows; earlier writers of that slot show nothing.
  std::map<int32_t, PanelSlotView> shown;
  forEachPanelSlot(*plugin_, *unit_,
                   [&](const PanelSlotView& view) { shown.insert_or_assign(view.slot, view); });
  for (const auto& [slot, view] : shown) shownSlots_[{view.run->source, view.index}] = slot;
}

std::optional<int32_t> PanelSettings::slotOf(const PanelSource& source, int32_t index) const {
  const auto found = shownSlots_.find({&source, index});
  if (found == shownSlots_.end()) return std::nullopt;
  return found->second;
}

const PanelLayout& PanelSettings::layout() const {
  return panelSlotsFor(unit_->useLegacyDisp, unit_->dispType);
}

PanelReading::PanelReading(const int32_t* panel, const PanelSettings& settings)
    : layoutName_(settings.layout().name) {
  for (const auto& [field, slot] : settings.shownSlots_) values_[field] = panel[slot];
}

std::optional<int32_t> PanelReading::get(const PanelSource& source, int32_t index) const {
  const auto found = values_.find({&source, index});
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

std::string soundName(int slot) {
  // Labels of the unit's sound items, in item order.
  static constexpr const char* kItemNames[kSoundItems] = {
      "stop chime",
      "halt loop",
      "pass chime",
      "unused",
      "unused",
      "announcement point, kind 0",
      "announcement point, kind 1",
      "announcement point, kind 2 or 3",
      "announcement point, kind 2, last 100 m",
      "station zone entered",
      "line-position zone",
      "spare",
      "EB alarm",
      "section code changed",
  };
  for (const SoundSlotRoute& route : kSoundSlotRoutes) {
    if (route.slot == slot) return kItemNames[route.item];
  }
  return {};
}

std::string trainNumberText(int32_t prefix, const int32_t digits[4], int32_t suffix) {
  std::string text;
  if (const TrainNumberCode* row = findByDisplayCode(kPrefixCodes, prefix)) {
    text += platform::utf8FromShiftJis(row->text);
  } else if (prefix != kBlankTrainCode) {
    text += "<" + std::to_string(prefix) + ">";
  }
  for (int i = 0; i < 4; ++i) {
    if (digits[i] >= 0 && digits[i] <= 9) {
      text += static_cast<char>('0' + digits[i]);
    } else if (digits[i] != kBlankTrainDigit) {
      text += "<" + std::to_string(digits[i]) + ">";
    }
  }
  if (const TrainNumberCode* row = findByDisplayCode(kSuffixCodes, suffix)) {
    text += platform::utf8FromShiftJis(row->text);
  } else if (suffix != kBlankTrainCode) {
    text += "<" + std::to_string(suffix) + ">";
  }
  return text.empty() ? "-" : text;
}

std::string panelTime(std::optional<int32_t> hour, std::optional<int32_t> minute,
                      std::optional<int32_t> secondBy5) {
  // 24, 60 and 60 / 5 = 12 are the monitor's "no time".
  if ((!hour || *hour == 24) && (!minute || *minute == 60) && (!secondBy5 || *secondBy5 == 12)) {
    return "--:--:--";
  }
  auto part = [](std::optional<int32_t> value, int32_t none, int32_t scale) {
    if (!value) return std::string("..");
    if (*value == none) return std::string("--");
    char text[16];
    std::snprintf(text, sizeof text, "%02d", *value * scale);
    return std::string(text);
  };
  return part(hour, 24, 1) + ":" + part(minute, 60, 1) + ":" + part(secondBy5, 12, 5);
}

namespace {

std::string number(std::optional<int32_t> value) {
  return value ? std::to_string(*value) : std::string("?");
}

std::string onOff(std::optional<int32_t> value) {
  if (!value) return "?";
  return *value != 0 ? (*value == 1 ? "ON" : "ON(" + std::to_string(*value) + ")") : "off";
}

void writeStations(std::ostream& out, const PanelReading& p, const MonitorContext& c) {
  const bool hasNextStop = p.get(kNextStopNumber).has_value();
  if (hasNextStop) {
    out << "Next stop   " << padded(stationText(p.get(kNextStopNumber), c.names), 18) << "arr "
        << panelTime(p.get(kNextStopArrHour), p.get(kNextStopArrMinute), p.get(kNextStopArrSecond));
    if (p.get(kNextStopDepHour)) {
      out << "  dep "
          << panelTime(p.get(kNextStopDepHour), p.get(kNextStopDepMinute),
                       p.get(kNextStopDepSecond));
    }
    out << "  track " << number(p.get(kNextStopTrack));
    if (p.get(kNextStopStationId)) out << "  (station " << number(p.get(kNextStopStationId)) << ")";
    out << "\n";
  }
  if (p.get(kDepartedStationId)) {
    out << "Departed    " << padded(stationText(p.get(kDepartedStationId), c.names), 18);
    if (p.get(kDepartedDepMinute)) {
      out << "dep "
          << panelTime(p.get(kDepartedDepHour), p.get(kDepartedDepMinute),
                       p.get(kDepartedDepSecond))
          << "  track " << number(p.get(kDepartedTrack));
    }
    out << "\n";
  }
  if (p.get(kTerminalStationId)) {
    out << "Terminal    " << padded(stationText(p.get(kTerminalStationId), c.names), 18);
    if (p.get(kTerminalArrMinute)) {
      out << "arr "
          << panelTime(p.get(kTerminalArrHour), p.get(kTerminalArrMinute),
                       p.get(kTerminalArrSecond))
          << "  track " << number(p.get(kTerminalTrack));
    }
    out << "\n";
  }
  if (p.get(kAfterListStationId)) {
    out << "After list  " << padded(stationText(p.get(kAfterListStationId), c.names), 18) << "dep "
        << panelTime(p.get(kAfterListDepHour), p.get(kAfterListDepMinute),
                     p.get(kAfterListDepSecond))
        << "  track " << number(p.get(kAfterListTrack)) << "\n";
  }
}

void writeTimetable(std::ostream& out, const PanelReading& p, const MonitorContext& c) {
  out << "Timetable";
  if (p.get(kRoutePosition)) out << "   route position " << *p.get(kRoutePosition);
  out << "\n";
  out << "  row  " << padded("station", 22) << padded("arrive", 10) << padded("depart", 10)
      << padded("track", 7) << "run\n";
  for (const WindowRow& row : windowRows(p, c.names)) {
    char label[8];
    std::snprintf(label, sizeof label, "  %-3d  ", row.row);
    out << label << padded(row.station, 22) << padded(row.arrive, 10) << padded(row.depart, 10)
        << padded(row.track, 7) << row.run << "\n";
  }
}

void writeTrainNumber(std::ostream& out, const PanelReading& p) {
  out << "Train       " << padded(shownTrainNumber(p), 12) << "codes";
  for (int i = 0; i < kCodes; ++i) out << " " << number(p.get(kTrainNumberDigits, i));
  out << "   service data " << onOff(p.get(kServiceDataLamp));
  if (p.get(kBeaconKind10Flag)) out << "   kind-10 flag " << number(p.get(kBeaconKind10Flag));
  out << "\n";
  if (p.get(kCardCodes, 0)) {
    int32_t cardDigits[4];
    for (int i = 0; i < 4; ++i) cardDigits[i] = p.get(kCardCodes, i + 1).value_or(10);
    out << "Card        second number "
        << trainNumberText(*p.get(kCardCodes, 0), cardDigits, p.get(kCardCodes, 5).value_or(50))
        << "  times " << panelTime(p.get(kCardTime, 0), p.get(kCardTime, 1), p.get(kCardTime, 2))
        << " " << panelTime(p.get(kCardTime, 3), p.get(kCardTime, 4), p.get(kCardTime, 5))
        << "  section code " << number(p.get(kSectionCode));
    if (p.get(kCardLabelValue)) out << "  label " << number(p.get(kCardLabelValue));
    if (p.get(kCardValue0)) {
      out << "  values " << number(p.get(kCardValue0)) << " " << number(p.get(kCardValue1));
    }
    out << "\n";
  }
  if (p.get(kBeaconKind11Value)) {
    out << "Beacon 119  " << number(p.get(kBeaconKind11Value)) << "\n";
  }
}

void writeStatus(std::ostream& out, const PanelReading& p) {
  out << "Lamps       EB alarm " << onOff(p.get(kEbAlarmLamp)) << " | constant speed "
      << onOff(p.get(kConstantSpeedLamp)) << " | hold brake " << onOff(p.get(kHoldBrakeActive))
      << " | points " << number(p.get(kZoneIndicator, 0)) << " " << number(p.get(kZoneKinds1And2))
      << " " << number(p.get(kZoneIndicator, 3)) << "\n";
  if (p.get(kMeterSpeed) || p.get(kSpeedDigitOnes)) {
    auto digit = [&](const PanelSource& source) {
      const auto d = p.get(source);
      if (!d) return std::string("?");
      return *d == 10 ? std::string(" ") : std::to_string(*d);
    };
    out << "Meters      speed";
    if (p.get(kMeterSpeed)) out << " " << number(p.get(kMeterSpeed));
    out << " [" << digit(kSpeedDigitHundreds) << digit(kSpeedDigitTens) << digit(kSpeedDigitOnes)
        << "]";
    if (p.get(kSampledBrakeNotch)) {
      out << " | brake notch " << number(p.get(kSampledBrakeNotch)) << " | BC bars "
          << number(p.get(kBcBar1)) << " " << number(p.get(kBcBar2)) << " "
          << number(p.get(kBcBar3)) << " " << number(p.get(kBcBar4)) << " | MR bars "
          << number(p.get(kMrBar1)) << " " << number(p.get(kMrBar2)) << " | line "
          << number(p.get(kHvMeterValue)) << " V | control " << number(p.get(kLvMeterValue))
          << " V | standing warning " << onOff(p.get(kStandingBlink));
    }
    out << "\n";
  }
  if (p.get(kCarState, 0)) {
    out << "Cars       ";
    for (int i = 0; i < kCars; ++i) {
      const auto car = p.get(kCarState, i);
      if (!car) break;
      out << " " << (*car == 1 ? "P" : *car == 2 ? "B" : *car == 0 ? "." : number(car));
    }
    out << "   (P powering, B braking)\n";
  }
  const auto km = p.get(kLineKilometres);
  const auto hundreds = p.get(kLineHundredMetres);
  out << "Line        ";
  if (km && hundreds && *km == 300 && *hundreds == 10) {
    out << "not known yet";
  } else {
    out << number(km) << "." << number(hundreds) << " km";
  }
  out << "\n";
}

}  // namespace

std::string shownTrainNumber(const PanelReading& p) {
  int32_t digits[4];
  for (int i = 0; i < 4; ++i) digits[i] = p.get(kTrainNumberDigits, i + 1).value_or(10);
  // The legacy layout shows no kind code.
  const int32_t prefix = p.get(kTrainNumberDigits, 0).value_or(kBlankTrainCode);
  const int32_t suffix = p.get(kTrainNumberDigits, 5).value_or(kBlankTrainCode);
  return trainNumberText(prefix, digits, suffix);
}

std::string stationText(std::optional<int32_t> id, const CardNames* names) {
  if (!id) return "?";
  if (*id == 0) return "-";
  std::string text = std::to_string(*id);
  if (names != nullptr) {
    const std::string name = names->name(*id);
    if (!name.empty()) text += " " + name;
  }
  return text;
}

std::vector<WindowRow> windowRows(const PanelReading& p, const CardNames* names) {
  std::vector<WindowRow> rows;
  for (int32_t k = 0; k < kRows; ++k) {
    const auto id = p.get(kDispStationId, k);
    const bool anyTime = p.get(kDispArrMinute, k) || p.get(kDispDepMinute, k);
    if (!id && !anyTime) continue;
    WindowRow row{
        k + 1,
        id ? stationText(id, names) : "",
        panelTime(p.get(kDispArrHour, k), p.get(kDispArrMinute, k), p.get(kDispArrSecond, k)),
        panelTime(p.get(kDispDepHour, k), p.get(kDispDepMinute, k), p.get(kDispDepSecond, k)),
        p.get(kDispTrack, k) ? number(p.get(kDispTrack, k)) : "",
        ""};
    if (p.get(kDispRunMinutes, k)) {
      const int32_t minutes = *p.get(kDispRunMinutes, k);
      const auto secondsBy5 = p.get(kDispRunSeconds, k);
      // 255 is a row without a running time, 60 an empty row.
      if (minutes == 255 || minutes == 60) {
        row.run = "-";
      } else {
        char text[16];
        std::snprintf(text, sizeof text, "%d'%02d", minutes, secondsBy5 ? *secondsBy5 * 5 : 0);
        row.run = text;
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string padded(const std::string& text, std::size_t width) {
  // Width counts characters, not bytes, so that station names in Japanese line up.
  std::size_t characters = 0;
  for (unsigned char c : text) characters += (c & 0xC0) != 0x80 ? 1 : 0;
  std::size_t columns = characters;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // Characters of three bytes or more are mostly double-width on a terminal.
    if ((static_cast<unsigned char>(text[i]) & 0xF0) >= 0xE0) ++columns;
  }
  return columns >= width ? text + " " : text + std::string(width - columns, ' ');
}

std::string vehicleText(double location, double speed, const std::optional<HandleSet>& handles) {
  char text[96];
  std::snprintf(text, sizeof text, "location %.1f m, speed %.1f km/h", location, speed);
  std::string out = text;
  if (handles) {
    out += "; handles brake " + std::to_string(handles->brake) + " power " +
           std::to_string(handles->power) + " reverser " + std::to_string(handles->reverser) +
           " constant-speed " + std::to_string(handles->constantSpeed);
  }
  return out;
}

std::vector<std::string> soundLines(const std::vector<SoundEvent>& sounds) {
  std::vector<std::string> lines;
  // A sound raised frame after frame is one line with its count and the time of the last.
  for (std::size_t i = 0; i < sounds.size();) {
    const SoundEvent& event = sounds[i];
    std::size_t repeats = 1;
    while (i + repeats < sounds.size() && sounds[i + repeats].slot == event.slot &&
           sounds[i + repeats].action == event.action &&
           sounds[i + repeats].volume == event.volume) {
      ++repeats;
    }
    std::string line = describe(event);
    if (repeats > 1) {
      line += " x" + std::to_string(repeats) + " until " +
              formatTimeOfDay(sounds[i + repeats - 1].timeMs);
    }
    const std::string name = soundName(event.slot);
    if (!name.empty()) line += " (" + name + ")";
    lines.push_back(std::move(line));
    i += repeats;
  }
  return lines;
}

std::string renderMonitor(const PanelReading& p, const MonitorContext& c) {
  std::ostringstream out;
  char clock[16];
  std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", p.get(kClockHours).value_or(0),
                p.get(kClockMinutes).value_or(0), p.get(kClockSeconds).value_or(0));
  out << "==== monitor " << clock << " ==== " << p.layoutName() << " ====\n";
  writeTrainNumber(out, p);
  writeStations(out, p, c);
  writeTimetable(out, p, c);
  writeStatus(out, p);
  out << "Vehicle     " << vehicleText(c.location, c.speed, c.handles) << "\n";
  if (c.sounds.empty()) {
    out << "Sounds      none since the last view\n";
  } else {
    out << "Sounds\n";
    for (const std::string& line : soundLines(c.sounds)) out << "  " << line << "\n";
  }
  return out.str();
}

}  // namespace tims::host
