// The cab monitor as text, decoded from the panel slots through the plug-in's own slot table.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "panel/panel_slots.h"
#include "state/plugin_state.h"
#include "state/records.h"
#include "tims-host/sound_rules.h"
#include "unit/tims_unit.h"

namespace tims::host {

class CardNames;

// The settings that choose the layout and the meter slots, read from a folder's TIMS_Spec.ini
// by the plug-in's own readers (so defaults and parsing agree with what the plug-in sees).
class PanelSettings {
 public:
  explicit PanelSettings(const std::filesystem::path& pluginFolder);
  const PluginState& plugin() const { return *plugin_; }
  const TimsUnit& unit() const { return *unit_; }
  const PanelLayout& layout() const;

 private:
  std::unique_ptr<PluginState> plugin_;
  std::unique_ptr<TimsUnit> unit_;
};

// One frame's panel, field by field: the value shown for an entry of a panel source, as the slot
// table places it in the active layout. A field the layout does not show, or whose slot a later
// write took over, has no value.
class PanelReading {
 public:
  PanelReading(const int32_t* panel, const PanelSettings& settings);

  std::optional<int32_t> get(const PanelSource& source, int32_t index = 0) const;
  std::string_view layoutName() const { return layoutName_; }

 private:
  std::map<std::pair<const PanelSource*, int32_t>, int32_t> values_;
  std::string_view layoutName_;
};

// What the monitor view shows besides the panel.
struct MonitorContext {
  int32_t timeMs = 0;
  double location = 0.0;
  double speed = 0.0;
  std::optional<HandleSet> handles;  // none before the first frame
  std::vector<SoundEvent> sounds;    // since the previous view
  const CardNames* names = nullptr;
};

// The name of what a sound slot carries ("stop chime"), or empty for a slot the plug-in never
// writes.
std::string soundName(int slot);

// A train number's six display codes as text: prefix, four digits (blanks dropped), suffix.
std::string trainNumberText(int32_t prefix, const int32_t digits[4], int32_t suffix);

// A time as the panel shows it: hour, minute, and seconds divided by 5. Parts the layout does not
// show read "..", the no-time values "--".
std::string panelTime(std::optional<int32_t> hour, std::optional<int32_t> minute,
                      std::optional<int32_t> secondBy5);

// Pads a UTF-8 text with spaces to `width` terminal columns (Japanese characters take two);
// a text as wide or wider gets one space.
std::string padded(const std::string& text, std::size_t width);

std::string renderMonitor(const PanelReading& panel, const MonitorContext& context);

}  // namespace tims::host
