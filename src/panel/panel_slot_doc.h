// Text views of the panel slot table: field names for a monitor view and the vehicle authors'
// reference docs/panel-slots.md. Not used on the per-frame path.
#pragma once

#include <string>

#include "panel/panel_slots.h"

namespace tims {

// "unit.dispStationId[0]", "clock.hours": the source name, with the entry for indexed sources.
std::string panelSlotFieldName(const PanelSlotRun& run, int32_t index);
inline std::string panelSlotFieldName(const PanelSlotView& view) {
  return panelSlotFieldName(*view.run, view.index);
}

// The whole of docs/panel-slots.md, generated from the slot table.
std::string panelSlotDocument();

}  // namespace tims
