// TIMS_Spec.ini as the plug-in reads it at the start of a run.
#include <algorithm>
#include <array>
#include <fstream>
#include <iomanip>
#include <map>
#include <memory>

#include "panel/panel_slots.h"
#include "platform/profile.h"
#include "settings/spec_settings.h"
#include "tims-host/vehicle_check.h"
#include "unit/tims_unit.h"

namespace tims::host {
namespace {

constexpr std::array<std::string_view, 5> kPluginSections{"CSpd", "Disp", "Sound", "EB", "Spec"};

char lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return lower(x) == lower(y); });
}

std::size_t editDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min(
          {row[j] + 1, row[j - 1] + 1, diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

const SpecKey* findKey(std::string_view section, std::string_view name) {
  for (const SpecKey* key : kSpecKeys) {
    if (sameName(key->section, section) && sameName(key->name, name)) return key;
  }
  return nullptr;
}

std::string unknownKeyMessage(std::string_view section, std::string_view name) {
  std::string message = "unknown key " + quotedShiftJis(name) + " in [" + std::string(section) +
                        "]: the plug-in does not read it";
  const SpecKey* nearest = nullptr;
  std::size_t best = 0;
  for (const SpecKey* key : kSpecKeys) {
    const std::size_t distance = editDistance(name, key->name);
    if (!nearest || distance < best) {
      nearest = key;
      best = distance;
    }
  }
  if (nearest && best <= std::max<std::size_t>(2, name.size() / 3)) {
    message += "; did you mean '" + std::string(nearest->name) + "'";
    if (!sameName(nearest->section, section))
      message += " in [" + std::string(nearest->section) + "]";
    message += "?";
  }
  return message;
}

struct SettingsRead {
  PluginState plugin;
  TimsUnit unit;
  SpecSettingsSink sink;
};

const SpecSettingsSink::Read* readOf(const SpecSettingsSink& sink, const SpecKey& key) {
  for (const auto& read : sink.reads) {
    if (read.key == &key) return &read;
  }
  return nullptr;
}

void checkEncoding(VehicleCheck& check, const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string start(3, '\0');
  in.read(start.data(), 3);
  start.resize(static_cast<std::size_t>(in.gcount()));
  const auto encoding = platform::profileEncoding(start);
  if (encoding == platform::ProfileEncoding::bytes) return;
  check.add(
      file, 1, 0, Severity::warning, "ini-unicode",
      std::string("saved as ") +
          (encoding == platform::ProfileEncoding::utf16Mark ? "UTF-16"
                                                            : "UTF-8 with a byte-order mark") +
          ": the plug-in converts it to Shift-JIS, and characters Shift-JIS lacks become '?'; "
          "save it as Shift-JIS");
}

void checkValue(VehicleCheck& check, const std::filesystem::path& file,
                const SpecSettingsSink::Read& read) {
  const SpecKey& key = *read.key;
  const std::string name(key.name);
  const std::size_t line = read.lookup.line;
  if (read.lookup.found) {
    const std::string& text = read.lookup.value;
    std::size_t used = 0;
    platform::parseProfileInt(text, &used);
    if (text.empty()) {
      check.add(file, line, 0, Severity::warning, "spec-empty-value",
                name + " is empty: the default " + std::to_string(key.fallback) + " is used");
    } else if (used == 0) {
      check.add(file, line, 0, Severity::error, "spec-not-a-number",
                name + " = " + quotedShiftJis(text) + " is not a number: the plug-in reads 0");
    } else if (used < text.size()) {
      check.add(file, line, 0, Severity::warning, "spec-number-prefix",
                name + " = " + quotedShiftJis(text) + " is read as " + std::to_string(read.value) +
                    "; write " + std::to_string(read.value));
    }
  }
  const bool slot = isPanelSlot(read.value);
  switch (key.kind) {
    case SpecValueKind::WindowRows:
      if (read.value < 0 || read.value > kMaxWindowRows) {
        check.add(file, line, 0, Severity::error, "spec-clamped",
                  name + " = " + std::to_string(read.value) + " is clamped to " +
                      std::to_string(std::clamp(read.value, 0, kMaxWindowRows)) +
                      ": the window has 0 to 7 rows");
      }
      break;
    case SpecValueKind::MeterSlot:
      if (!slot) {
        check.add(file, line, 0, Severity::error, "spec-slot-range",
                  name + " = " + std::to_string(read.value) +
                      " is no panel slot (0 to 255): the meter is not shown");
      }
      break;
    case SpecValueKind::LampSlot:
      if (!slot && read.value != key.fallback) {
        check.add(file, line, 0, Severity::warning, "spec-slot-range",
                  name + " = " + std::to_string(read.value) +
                      " is no panel slot (0 to 255): the door events decide");
      }
      break;
    default:
      break;
  }
}

// Key lines of the plug-in's sections that the readers did not take: typos, keys in the wrong
// section, repeated keys and sections, bare names.
void checkKeyLines(VehicleCheck& check, const std::filesystem::path& file,
                   const SpecSettingsSink& sink, std::string_view text) {
  for (const auto& entry : platform::listProfileKeys(text)) {
    const auto section =
        std::find_if(kPluginSections.begin(), kPluginSections.end(),
                     [&](std::string_view s) { return sameName(s, entry.section); });
    if (section == kPluginSections.end() || entry.key.starts_with(';') ||
        entry.key.starts_with('#')) {
      continue;
    }
    const SpecKey* key = findKey(*section, entry.key);
    if (!key) {
      check.add(file, entry.line, 0, Severity::warning, "spec-unknown-key",
                unknownKeyMessage(entry.section, entry.key));
      continue;
    }
    const auto* read = readOf(sink, *key);
    if (!read || read->lookup.line == entry.line) continue;
    std::string why;
    if (read->lookup.found) {
      why = "line " + std::to_string(read->lookup.line) + " sets it first";
    } else if (!entry.hasValue) {
      why = "it has no '=', so it reads as missing";
    } else {
      why = "an earlier [" + std::string(key->section) + "] section comes first";
    }
    check.add(file, entry.line, 0, Severity::warning, "spec-ignored-key",
              std::string(key->name) + " here is ignored: " + why);
  }
}

void checkWriteBack(VehicleCheck& check, const std::filesystem::path& file,
                    const SpecSettingsSink& sink) {
  for (const auto& write : sink.writeBacks) {
    const auto* read = readOf(sink, *write.key);
    const std::string name(write.key->name);
    if (read && read->lookup.found && read->lookup.value != write.value) {
      check.add(file, read->lookup.line, 0, Severity::warning, "spec-write-back",
                "every start of a run sets " + name + " back to " + write.value +
                    " while its group's enable key is missing; write the enable key to keep " +
                    quotedShiftJis(read->lookup.value));
    } else if (!read || !read->lookup.found) {
      check.add(file, 0, 0, Severity::note, "spec-write-back",
                "the first start of a run writes " + name + "=" + write.value + " into [CSpd]");
    }
  }
}

const SpecKey& slotKey(SlotFrom from) {
  return from == SlotFrom::HvMeterIndex ? spec_keys::kHVMeterindex : spec_keys::kLVMeterindex;
}

// The meter slots the settings choose, and the lamp slot the plug-in reads, against everything
// else the chosen layout writes.
void checkSlots(VehicleCheck& check, const std::filesystem::path& file, const SettingsRead& read) {
  std::map<int32_t, std::vector<const PanelSlotRun*>> writers;
  forEachPanelSlot(read.plugin, read.unit,
                   [&](const PanelSlotView& view) { writers[view.slot].push_back(view.run); });
  const auto lineOf = [&](const SpecKey& key) {
    const auto* r = readOf(read.sink, key);
    return r ? r->lookup.line : 0;
  };
  for (const auto& [slot, runs] : writers) {
    for (const PanelSlotRun* run : runs) {
      if (run->slotFrom == SlotFrom::Fixed || runs.size() < 2) continue;
      const SpecKey& key = slotKey(run->slotFrom);
      for (const PanelSlotRun* other : runs) {
        // Two meters on one slot are told once, at the line voltage.
        const bool otherMeter = other->slotFrom != SlotFrom::Fixed;
        if (other == run || (otherMeter && run->slotFrom == SlotFrom::LvMeterIndex)) continue;
        check.add(file, lineOf(key), 0, Severity::error, "spec-slot-clash",
                  std::string(key.name) + " = " + std::to_string(slot) + ": slot " +
                      std::to_string(slot) + " is also written for the " +
                      std::string(other->description) + "; one of them is lost");
      }
    }
  }
  const int32_t lamp = read.plugin.pilotLampIndex;
  if (const auto found = writers.find(lamp); found != writers.end()) {
    check.add(file, lineOf(spec_keys::kPilotLampIndex), 0, Severity::error, "spec-slot-clash",
              "PilotLampIndex = " + std::to_string(lamp) + ": the plug-in writes slot " +
                  std::to_string(lamp) + " itself (" +
                  std::string(found->second.front()->description) +
                  "), so the door state would follow that");
  }
}

void explainSettings(std::ostream& out, const SpecSettingsSink& sink) {
  out << "TIMS_Spec.ini as the plug-in reads it:\n";
  out << "  " << std::left << std::setw(8) << "section" << std::setw(19) << "key" << std::setw(8)
      << "value" << std::setw(16) << "from"
      << "use\n";
  for (const SpecKey* key : kSpecKeys) {
    const auto* read = readOf(sink, *key);
    if (!read) continue;
    const std::string from =
        read->lookup.found ? "line " + std::to_string(read->lookup.line) : "default";
    // The window's rows are clamped: show the value that is used.
    const int32_t used = key->kind == SpecValueKind::WindowRows
                             ? std::clamp(read->value, 0, kMaxWindowRows)
                             : read->value;
    out << "  " << std::setw(8) << key->section << std::setw(19) << key->name << std::setw(8)
        << used << std::setw(16) << from << key->use << "\n";
  }
  for (const auto& write : sink.writeBacks) {
    out << "  written back at the start of a run: " << write.key->name << "=" << write.value
        << "\n";
  }
  out << std::right << "\n";
}

}  // namespace

void checkSpecSettings(VehicleCheck& check) {
  const std::filesystem::path file = check.folder / kSpecFileName;
  auto read = std::make_unique<SettingsRead>();
  read->plugin.pluginDirectory = check.folder;
  read->unit.specPath = file;
  readConstantSpeedSettings(read->plugin, &read->sink);
  readMeterSettings(read->plugin, &read->sink);
  readUnitSettings(read->unit, &read->sink);
  readPilotLampSetting(read->plugin, &read->sink);
  if (check.explain) explainSettings(*check.explain, read->sink);

  std::error_code error;
  if (!std::filesystem::exists(file, error)) {
    check.add(file, 0, 0, Severity::note, "spec-missing",
              "no TIMS_Spec.ini: every key takes its default");
    checkWriteBack(check, file, read->sink);
    checkSlots(check, file, *read);
    return;
  }
  const auto text = platform::readProfileText(file);
  if (!text) {
    check.add(file, 0, 0, Severity::error, "file-unreadable", "cannot be read");
    return;
  }
  check.findings.fileRead();
  checkEncoding(check, file);
  for (const auto& r : read->sink.reads) checkValue(check, file, r);
  checkKeyLines(check, file, read->sink, *text);
  checkWriteBack(check, file, read->sink);
  checkSlots(check, file, *read);
}

}  // namespace tims::host
