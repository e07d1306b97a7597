#include "panel/panel_writer.h"

#include "panel/panel_slots.h"

namespace tims {

namespace {

void writeRun(const PanelSlotRun& run, const PanelInputs& in, int32_t* panel) {
  for (int32_t k = 0; k < run.count; ++k) {
    const int32_t slot = panelSlotOf(run, k, in.plugin);
    // A meter setting outside 0..255 names no slot.
    if (!isPanelSlot(slot)) continue;
    const int32_t value = run.source->read(in, run.firstIndex + k);
    panel[slot] = applySlotTransform(value, run.transform);
  }
}

}  // namespace

void writePanel(const PluginState& plugin, TimsUnit& unit, int32_t* panel) {
  const PanelInputs in{plugin, unit, panel};
  for (const PanelSlotGroup* group : panelSlotsFor(unit.useLegacyDisp, unit.dispType).groups) {
    // Slot 83 is the host's: the plug-in never writes it, but the meters may (by setting).
    if (group->recordsSlot83First) unit.panel83Set = panel[83] != 0;
    if (!panelGroupShown(*group, plugin, unit)) continue;
    for (const PanelSlotRun& run : group->runs) writeRun(run, in, panel);
  }
}

}  // namespace tims
