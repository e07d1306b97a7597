#include "panel/panel_slot_doc.h"

#include <map>
#include <vector>

namespace tims {

namespace {

constexpr std::string_view kIntroduction = R"(# Panel slots

This file is generated from the slot table in `src/panel/panel_slots.h`; edit the table, then
regenerate it with `panel-slot-doc docs/panel-slots.md` (a tool of the build) or
`TIMS_UPDATE_DOCS=1 test_panel --gtest_filter='PanelSlotDoc.*'`. The panel tests fail while the
two disagree.

Every frame the plug-in writes the panel slots below, group by group and row by row in the order
shown. Where two rows name one slot, the later one stands. Slots that no row names are never
written and keep whatever the host or the vehicle put there.

Four layouts: `useLegacyDisp` 0 gives the standard layout and non-zero the legacy one; inside
either, `DispType` 0 or non-zero chooses the timetable rows. Groups marked "only with" are
skipped while their setting is 0.

Values: "as is" copies the field; "/ 5" divides by 5, truncating, which turns seconds 0 to 59
into 0 to 11 and the no-time second 60 into 12. Hours and minutes are shown as stored, with 24
and 60 meaning no time. Rows of the timetable are numbered from 1; field entry k is row k + 1.

The panel is also read: slot 83, never written by the plug-in, becomes the unit's `panel83Set`
(non-zero holds back one announcement-point sound); slot 254 plus 1 is the lit value of the
constant-speed lamp, and the plug-in clears slot 254 at the end of every write.
)";

std::string slotText(const PanelSlotRun& run) {
  switch (run.slotFrom) {
    case SlotFrom::LvMeterIndex:
      return "`LVMeterindex` (default 73)";
    case SlotFrom::HvMeterIndex:
      return "`HVMeterindex` (default 75)";
    case SlotFrom::Fixed:
      break;
  }
  const int32_t last = run.firstSlot + run.slotStep * (run.count - 1);
  if (run.count == 1) return std::to_string(run.firstSlot);
  std::string text = std::to_string(run.firstSlot) + " to " + std::to_string(last);
  if (run.slotStep != 1) text += ", step " + std::to_string(run.slotStep);
  return text;
}

std::string fieldText(const PanelSlotRun& run) {
  std::string text(run.source->name);
  if (run.source->entries == 0) return text;
  text += "[" + std::to_string(run.firstIndex);
  if (run.count > 1) text += ".." + std::to_string(run.firstIndex + run.count - 1);
  return text + "]";
}

std::string_view conditionText(GroupShownWhen when) {
  switch (when) {
    case GroupShownWhen::MeterDisplayEnabled:
      return " (only with `EnableMeterDisp`)";
    case GroupShownWhen::CarDisplayEnabled:
      return " (only with `UnitDispEnable`)";
    case GroupShownWhen::Always:
      break;
  }
  return "";
}

// The fixed slots that a layout writes more than once, with every writer in order.
std::map<int32_t, std::vector<std::string>> repeatedSlots(const PanelLayout& layout) {
  std::map<int32_t, std::vector<std::string>> writers;
  for (const PanelSlotGroup* group : layout.groups) {
    for (const PanelSlotRun& run : group->runs) {
      if (run.slotFrom != SlotFrom::Fixed) continue;
      for (int32_t k = 0; k < run.count; ++k) {
        writers[run.firstSlot + run.slotStep * k].push_back(
            panelSlotFieldName(run, run.firstIndex + k));
      }
    }
  }
  std::erase_if(writers, [](const auto& item) { return item.second.size() < 2; });
  return writers;
}

void appendLayout(std::string& out, const PanelLayout& layout) {
  out += "\n## " + std::string(layout.name) + "\n";
  for (const PanelSlotGroup* group : layout.groups) {
    out += "\n### " + std::string(group->title) + std::string(conditionText(group->shownWhen)) +
           "\n\n";
    if (group->recordsSlot83First) out += "Slot 83 is read before this group.\n\n";
    out += "| Slot | Shows | Value | Meaning |\n|---|---|---|---|\n";
    for (const PanelSlotRun& run : group->runs) {
      out += "| " + slotText(run) + " | `" + fieldText(run) + "` | " +
             (run.transform == SlotTransform::DivideBy5 ? "/ 5" : "as is") + " | " +
             std::string(run.description) + " |\n";
    }
  }
  const auto repeated = repeatedSlots(layout);
  if (repeated.empty()) return;
  out += "\nWritten more than once (the last one shows):\n\n";
  for (const auto& [slot, names] : repeated) {
    out += "- slot " + std::to_string(slot) + ":";
    for (std::size_t i = 0; i < names.size(); ++i) out += (i ? ", then `" : " `") + names[i] + "`";
    out += "\n";
  }
}

}  // namespace

std::string panelSlotFieldName(const PanelSlotRun& run, int32_t index) {
  std::string name(run.source->name);
  if (run.source->entries > 0) name += "[" + std::to_string(index) + "]";
  return name;
}

std::string panelSlotDocument() {
  std::string out(kIntroduction);
  for (const PanelLayout& layout : kPanelLayouts) appendLayout(out, layout);
  return out;
}

}  // namespace tims
