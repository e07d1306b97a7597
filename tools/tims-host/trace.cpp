#include "tims-host/trace.h"

#include <cstdio>
#include <string>

#include "tims-host/scenario.h"

namespace tims::host {

TraceWriter::TraceWriter(std::ostream& out) : out_(out) {
  out_ << kTraceHeader;
}

void TraceWriter::write(const FrameRecord& f) {
  char prefix[192];
  std::snprintf(prefix, sizeof prefix, "%lld,%d,%s,%.3f,%.3f,%d,%d,%d,%d,",
                static_cast<long long>(f.frame), f.state.time,
                formatTimeOfDay(f.state.time).c_str(), f.state.location,
                static_cast<double>(f.state.speed), f.handles.brake, f.handles.power,
                f.handles.reverser, f.handles.constantSpeed);
  bool any = false;
  auto changes = [&](const char* array, const int32_t* before, const int32_t* after) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
      if (before[slot] == after[slot]) continue;
      out_ << prefix << array << ',' << slot << ',' << after[slot] << '\n';
      any = true;
    }
  };
  changes("panel", f.panelBefore, f.panelAfter);
  changes("sound", f.soundBefore, f.soundAfter);
  if (!any) out_ << prefix << ",,\n";
}

}  // namespace tims::host
