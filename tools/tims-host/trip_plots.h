// The plots of a trip page: what the run did over time, drawn as SVG.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tims-host/run_observer.h"
#include "tims-host/sound_rules.h"

namespace tims::host {

enum class TripSeries {
  Speed,
  Power,  // as Elapse returned it
  Brake,
  DriverPower,
  DriverBrake,
  ConstantSpeed,
  BcSegments,  // pressure bar segments lit
  MrSegments,
  LineVoltage,
  ControlVoltage,
  Location,  // m, for the plot against the location
  Count,
};
inline constexpr std::size_t kTripSeriesCount = static_cast<std::size_t>(TripSeries::Count);
// A value the panel did not show in that frame (its layout or settings leave it out).
inline constexpr float kNotShown = std::numeric_limits<float>::quiet_NaN();

struct TripSample {
  int64_t elapsedMs;  // since the first frame
  std::array<float, kTripSeriesCount> values;
};

// A sound started or stopped (changes of a loop's volume are left out).
struct SoundMark {
  int64_t elapsedMs;
  SoundEvent event;
};

struct CheckMark {
  int64_t elapsedMs;
  CheckResult check;
};

// Long runs are thinned for the page: up to kMaxPlotSpans frames every frame is a point; beyond,
// the frames are cut into spans of ceil(frames / kMaxPlotSpans) frames and each span gives two
// points, its lowest and its highest value in the order they came (both its ends when it is
// flat), so no peak is lost.
inline constexpr int64_t kMaxPlotSpans = 1000;
int64_t plotPointCount(int64_t frames);

// Where a time lies on the plots' x axis, for the moment cursor.
double plotX(int64_t elapsedMs, const std::vector<TripSample>& samples);

// The plots, one <svg> each, for samples of a run that began at `firstTimeMs` (time of day).
std::string drawPlots(const std::vector<TripSample>& samples, int32_t firstTimeMs,
                      const std::vector<SoundMark>& sounds, const std::vector<CheckMark>& checks);

}  // namespace tims::host
