// The cab monitor drawn as SVG, decoded from the panel slots like the text view: the same
// reading, the same row cells, only drawn.
#pragma once

#include <string>
#include <string_view>

#include "tims-host/monitor_view.h"

namespace tims::host {

// Text for XML content and attribute values.
std::string escapeXml(std::string_view text);

// A coordinate with one decimal ("12.5"), the precision of every drawn position.
std::string coordinate(double value);

// Japanese station names need a font that has them; the page names a few and falls back.
inline constexpr std::string_view kPageFonts =
    R"("IPAPGothic", "IPAGothic", "IPAexGothic", "Noto Sans CJK JP", "Yu Gothic", "Meiryo", sans-serif)";

// Lit segments of a pressure bar, 0..10; the upper bars of the brake cylinder use 20 for "the
// pressure is below this segment".
int litSegments(std::optional<int32_t> bar, bool upper);

// One <svg> element of the monitor. Fields the layout does not show are not drawn; the parts of
// a time it leaves out are kept dim, so that the text reads as the text view does.
std::string drawMonitor(const PanelReading& panel, const CardNames* names);

}  // namespace tims::host
