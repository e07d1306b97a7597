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

  // The slot that shows an entry of a source in this layout, or none when the layout does not
  // show it (or a later write of its slot took over).
  std::optional<int32_t> slotOf(const PanelSource& source, int32_t index = 0) const;

 private:
  friend class PanelReading;
  using FieldKey = std::pair<const PanelSource*, int32_t>;

  std::unique_ptr<PluginState> plugin_;
  std::unique_ptr<TimsUnit> unit_;
  std::map<FieldKey, int32_t> shownSlots_;
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
  std::map<PanelSettings::FieldKey, int32_t> values_;
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

// The train number the panel shows, as text.
std::string shownTrainNumber(const PanelReading& panel);

// A time as the panel shows it: hour, minute, and seconds divided by 5. Parts the layout does not
// show read "..", the no-time values "--".
std::string panelTime(std::optional<int32_t> hour, std::optional<int32_t> minute,
                      std::optional<int32_t> secondBy5);

// A station number with the card's name for it ("2 神田"); "-" for none, "?" when not shown.
std::string stationText(std::optional<int32_t> id, const CardNames* names);

// One row of the timetable window as the monitor shows it; cells the layout leaves out are empty.
struct WindowRow {
  int32_t row;  // 1..7
  std::string station, arrive, depart, track, run;
};

// The rows of the window that the layout shows, in order.
std::vector<WindowRow> windowRows(const PanelReading& panel, const CardNames* names);

// Pads a UTF-8 text with spaces to `width` terminal columns (Japanese characters take two);
// a text as wide or wider gets one space.
std::string padded(const std::string& text, std::size_t width);

// The vehicle and the handles the last Elapse returned (none before the first frame), as one line.
std::string vehicleText(double location, double speed, const std::optional<HandleSet>& handles);

// Sound events as lines; a sound raised frame after frame is one line with its count.
std::vector<std::string> soundLines(const std::vector<SoundEvent>& sounds);

std::string renderMonitor(const PanelReading& panel, const MonitorContext& context);

}  // namespace tims::host
