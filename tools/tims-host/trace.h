// A CSV trace of every frame, in long form: one row per panel or sound slot that the plug-in
// changed in the frame (and one row with empty slot columns for a frame that changed nothing),
// each row repeating the frame's time, location, speed and handles. A spreadsheet filters it by
// array and slot; a plotting tool reads value against time_ms.
#pragma once

#include <cstdint>
#include <ostream>

#include "state/records.h"

namespace tims::host {

inline constexpr const char* kTraceHeader =
    "frame,time_ms,clock,location_m,speed_kmh,brake,power,reverser,constant_speed,array,slot,"
    "value\n";

struct FrameRecord {
  int64_t frame;
  const VehicleState& state;
  const HandleSet& handles;
  const int32_t* panelBefore;  // 256 slots as the host passed them
  const int32_t* panelAfter;   // as the plug-in left them
  const int32_t* soundBefore;
  const int32_t* soundAfter;  // before the host's write-back
};

class TraceWriter {
 public:
  explicit TraceWriter(std::ostream& out);  // writes the header
  void write(const FrameRecord& frame);

 private:
  std::ostream& out_;
};

}  // namespace tims::host
