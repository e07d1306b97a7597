#include "tims-host/trip_plots.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "tims-host/monitor_svg.h"
#include "tims-host/monitor_view.h"
#include "tims-host/scenario.h"
#include "tims-host/trip_plan.h"

namespace tims::host {
namespace {

constexpr double kLeft = 170;  // room for the lane names of the events
constexpr double kPlotWidth = 1000;
constexpr double kRight = 24;
constexpr double kTotalWidth = kLeft + kPlotWidth + kRight;
constexpr double kTop = 28;     // room for the title and legend
constexpr double kBottom = 22;  // room for the time labels

struct SeriesStyle {
  TripSeries series;
  const char* name;
  const char* colour;
  bool dashed;
};

struct PlotSpec {
  const char* id;
  const char* title;  // with its unit
  double areaHeight;
  std::vector<SeriesStyle> series;
  bool overLocation = false;  // against the location instead of the time
};

const std::vector<PlotSpec>& plotSpecs() {
  using enum TripSeries;
  static const std::vector<PlotSpec> specs{
      {"speed", "Speed (km/h)", 130, {{Speed, "speed", "#1f77b4", false}}},
      {"speed-location",
       "Speed over location (km/h against m)",
       100,
       {{Speed, "speed", "#1f77b4", false}},
       true},
      {"handles",
       "Handles (notch)",
       120,
       {{Power, "power returned", "#2563eb", false},
        {DriverPower, "driver's power", "#93c5fd", true},
        {Brake, "brake returned", "#dc2626", false},
        {DriverBrake, "driver's brake", "#fca5a5", true},
        {ConstantSpeed, "constant-speed command", "#16a34a", false}}},
      {"bars",
       "Pressure bars (segments lit)",
       100,
       {{BcSegments, "BC (20 kPa a segment)", "#9333ea", false},
        {MrSegments, "MR (10 kPa a segment above 700 kPa)", "#0891b2", false}}},
      {"line-voltage", "Line voltage (V)", 80, {{LineVoltage, "line", "#b45309", false}}},
      {"control-voltage",
       "Control voltage (V)",
       60,
       {{ControlVoltage, "control", "#4d7c0f", false}}},
  };
  return specs;
}

// A tick step of 1, 2 or 5 times a power of ten that cuts `range` into at most `parts` parts.
double tickStep(double range, double parts = 4) {
  if (range <= 0) return 1;
  const double magnitude = std::pow(10.0, std::floor(std::log10(range / parts)));
  for (const double step : {1.0, 2.0, 5.0, 10.0}) {
    if (range / (step * magnitude) <= parts) return step * magnitude;
  }
  return 10 * magnitude;
}

int64_t spanOf(int64_t frames) {
  return std::max<int64_t>(1, (frames + kMaxPlotSpans - 1) / kMaxPlotSpans);
}

int64_t totalMs(const std::vector<TripSample>& samples) {
  return samples.empty() ? 1 : std::max<int64_t>(1, samples.back().elapsedMs);
}

std::string clockText(int64_t timeOfDayMs, bool seconds) {
  const auto ms = static_cast<int32_t>(timeOfDayMs % kDayMs);
  const std::string text = formatTimeOfDay(ms);  // HH:MM:SS.mmm
  return text.substr(0, seconds ? 8 : 5);
}

// The frames a polyline visits, thinned as plotPointCount documents.
std::vector<std::size_t> pointFrames(const std::vector<TripSample>& samples, std::size_t series) {
  std::vector<std::size_t> frames;
  const auto n = static_cast<int64_t>(samples.size());
  const int64_t span = spanOf(n);
  for (int64_t start = 0; start < n; start += span) {
    const int64_t end = std::min(n, start + span);
    std::optional<std::size_t> low, high;
    for (auto i = static_cast<std::size_t>(start); i < static_cast<std::size_t>(end); ++i) {
      const float v = samples[i].values[series];
      if (std::isnan(v)) continue;
      if (!low || v < samples[*low].values[series]) low = i;
      if (!high || v > samples[*high].values[series]) high = i;
    }
    if (!low) continue;
    if (span == 1) {
      frames.push_back(*low);
    } else if (samples[*low].values[series] == samples[*high].values[series]) {
      // A flat span: both its ends, the last shown frame standing for the end.
      std::size_t last = static_cast<std::size_t>(end - 1);
      while (std::isnan(samples[last].values[series])) --last;
      frames.push_back(*low);
      frames.push_back(last);
    } else {
      frames.push_back(std::min(*low, *high));
      frames.push_back(std::max(*low, *high));
    }
  }
  return frames;
}

class PlotCanvas {
 public:
  PlotCanvas(const std::vector<TripSample>& samples, int32_t firstTimeMs, double areaHeight)
      : samples_(samples), firstTimeMs_(firstTimeMs), area_(areaHeight) {}

  double height() const { return kTop + area_ + kBottom; }
  // The value axis runs from `low` (0, or below for negative values) to `high`.
  void setRange(double low, double high) {
    step_ = tickStep(high - low);
    low_ = std::floor(low / step_) * step_;
    high_ = std::max(low_ + step_, std::ceil(high / step_) * step_);
  }
  double y(double value) const { return kTop + area_ - (value - low_) / (high_ - low_) * area_; }

  void open(std::string& out, const char* id, const char* title) const {
    out += "<svg class=\"plot\" id=\"plot-" + std::string(id) +
           "\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + coordinate(kTotalWidth) +
           " " + coordinate(height()) + "\" width=\"" + coordinate(kTotalWidth) + "\" height=\"" +
           coordinate(height()) + "\">";
    out += "<text class=\"plot-title\" x=\"" + coordinate(kLeft) + "\" y=\"16\">" +
           escapeXml(title) + "</text>";
  }

  void timeAxis(std::string& out) const {
    const int64_t total = totalMs(samples_);
    static constexpr int64_t kSteps[] = {1000,    2000,    5000,     10000,   15000,  30000,
                                         60000,   120000,  300000,   600000,  900000, 1800000,
                                         3600000, 7200000, 10800000, 21600000};
    int64_t step = kSteps[std::size(kSteps) - 1];
    for (const int64_t s : kSteps) {
      if (total / s <= 10) {
        step = s;
        break;
      }
    }
    const double bottom = kTop + area_;
    out += "<g class=\"axis\">";
    // Ticks fall on round times of day, not on round times since the start.
    const int64_t first = (step - firstTimeMs_ % step) % step;
    for (int64_t t = first; t <= total; t += step) {
      const double x = kLeft + static_cast<double>(t) / static_cast<double>(total) * kPlotWidth;
      out += "<line class=\"grid\" x1=\"" + coordinate(x) + "\" x2=\"" + coordinate(x) +
             "\" y1=\"" + coordinate(kTop) + "\" y2=\"" + coordinate(bottom) + "\"/>";
      out += "<text class=\"tick\" text-anchor=\"middle\" x=\"" + coordinate(x) + "\" y=\"" +
             coordinate(bottom + 15) + "\">" + clockText(firstTimeMs_ + t, step < 60000) +
             "</text>";
    }
    out += "<line class=\"frame\" x1=\"" + coordinate(kLeft) + "\" x2=\"" +
           coordinate(kLeft + kPlotWidth) + "\" y1=\"" + coordinate(bottom) + "\" y2=\"" +
           coordinate(bottom) + "\"/></g>";
  }

  void valueAxis(std::string& out) const {
    out += "<g class=\"axis\">";
    for (double value = low_; value <= high_ + step_ / 2; value += step_) {
      const double yy = y(value);
      char label[32];
      std::snprintf(label, sizeof label, "%g", value);
      out += "<line class=\"grid\" x1=\"" + coordinate(kLeft) + "\" x2=\"" +
             coordinate(kLeft + kPlotWidth) + "\" y1=\"" + coordinate(yy) + "\" y2=\"" +
             coordinate(yy) + "\"/><text class=\"tick\" text-anchor=\"end\" x=\"" +
             coordinate(kLeft - 6) + "\" y=\"" + coordinate(yy + 4) + "\">" + label + "</text>";
    }
    out += "</g>";
  }

  void cursor(std::string& out) const {
    out += "<line class=\"cursor\" x1=\"" + coordinate(kLeft) + "\" x2=\"" + coordinate(kLeft) +
           "\" y1=\"" + coordinate(kTop) + "\" y2=\"" + coordinate(kTop + area_) + "\"/>";
  }

  double x(int64_t elapsedMs) const { return plotX(elapsedMs, samples_); }

  // For plots against the location: the x axis spans the locations the train was at.
  void setLocationRange(double low, double high) {
    xLow_ = low;
    xHigh_ = high > low ? high : low + 1;
  }
  double xAt(double location) const {
    return kLeft + (location - xLow_) / (xHigh_ - xLow_) * kPlotWidth;
  }
  void locationAxis(std::string& out) const {
    const double step = tickStep(xHigh_ - xLow_, 10);
    const double bottom = kTop + area_;
    out += "<g class=\"axis\">";
    for (double m = std::ceil(xLow_ / step) * step; m <= xHigh_; m += step) {
      char label[32];
      std::snprintf(label, sizeof label, "%g m", m);
      out += "<line class=\"grid\" x1=\"" + coordinate(xAt(m)) + "\" x2=\"" + coordinate(xAt(m)) +
             "\" y1=\"" + coordinate(kTop) + "\" y2=\"" + coordinate(bottom) +
             "\"/><text class=\"tick\" text-anchor=\"middle\" x=\"" + coordinate(xAt(m)) +
             "\" y=\"" + coordinate(bottom + 15) + "\">" + label + "</text>";
    }
    out += "<line class=\"frame\" x1=\"" + coordinate(kLeft) + "\" x2=\"" +
           coordinate(kLeft + kPlotWidth) + "\" y1=\"" + coordinate(bottom) + "\" y2=\"" +
           coordinate(bottom) + "\"/></g>";
  }

 private:
  const std::vector<TripSample>& samples_;
  int32_t firstTimeMs_;
  double area_;
  double low_ = 0;
  double high_ = 1;
  double step_ = 1;
  double xLow_ = 0;
  double xHigh_ = 1;
};

void drawValuePlot(std::string& out, const PlotSpec& spec, const std::vector<TripSample>& samples,
                   int32_t firstTimeMs) {
  // A series the panel never showed (meters switched off) has no line; a plot with none, no svg.
  std::vector<const SeriesStyle*> shown;
  double low = 0;
  double top = 0;
  for (const SeriesStyle& style : spec.series) {
    const auto s = static_cast<std::size_t>(style.series);
    bool any = false;
    for (const TripSample& sample : samples) {
      if (std::isnan(sample.values[s])) continue;
      any = true;
      top = std::max(top, static_cast<double>(sample.values[s]));
      low = std::min(low, static_cast<double>(sample.values[s]));
    }
    if (any) shown.push_back(&style);
  }
  if (shown.empty()) return;
  PlotCanvas canvas(samples, firstTimeMs, spec.areaHeight);
  canvas.setRange(low, top);
  canvas.open(out, spec.id, spec.title);
  double legendX = kLeft + kPlotWidth;
  for (auto it = shown.rbegin(); it != shown.rend(); ++it) {
    // The legend runs from the right edge leftwards, about 7 px a character.
    const double width = 24 + 6.5 * static_cast<double>(std::string_view((*it)->name).size());
    legendX -= width + 12;
    out += "<line class=\"key" + std::string((*it)->dashed ? " dashed" : "") + "\" x1=\"" +
           coordinate(legendX) + "\" x2=\"" + coordinate(legendX + 18) +
           "\" y1=\"12\" y2=\"12\" stroke=\"" + (*it)->colour + "\"/><text class=\"legend\" x=\"" +
           coordinate(legendX + 22) + "\" y=\"16\">" + escapeXml((*it)->name) + "</text>";
  }
  canvas.valueAxis(out);
  const auto location = static_cast<std::size_t>(TripSeries::Location);
  if (spec.overLocation) {
    const auto [lowest, highest] = std::minmax_element(
        samples.begin(), samples.end(), [&](const TripSample& a, const TripSample& b) {
          return a.values[location] < b.values[location];
        });
    canvas.setLocationRange(lowest->values[location], highest->values[location]);
    canvas.locationAxis(out);
  } else {
    canvas.timeAxis(out);
  }
  for (const SeriesStyle* style : shown) {
    const auto s = static_cast<std::size_t>(style->series);
    const std::vector<std::size_t> frames = pointFrames(samples, s);
    out += "<polyline class=\"series" + std::string(style->dashed ? " dashed" : "") +
           "\" data-series=\"" + escapeXml(style->name) + "\" stroke=\"" + style->colour +
           "\" points=\"";
    for (std::size_t k = 0; k < frames.size(); ++k) {
      const TripSample& sample = samples[frames[k]];
      if (k > 0) out += ' ';
      const double x =
          spec.overLocation ? canvas.xAt(sample.values[location]) : canvas.x(sample.elapsedMs);
      out += coordinate(x) + "," + coordinate(canvas.y(sample.values[s]));
    }
    out += "\"/>";
  }
  // The moment cursor marks a time, which this axis does not have.
  if (!spec.overLocation) canvas.cursor(out);
  out += "</svg>";
}

void drawEvents(std::string& out, const std::vector<TripSample>& samples, int32_t firstTimeMs,
                const std::vector<SoundMark>& sounds, const std::vector<CheckMark>& checks) {
  constexpr double kLane = 18;
  std::map<int, int> lanes;  // sound slot -> lane
  for (const SoundMark& mark : sounds) lanes.emplace(mark.event.slot, 0);
  int lane = 0;
  for (auto& [slot, index] : lanes) index = lane++;
  const int checkLane = lane;
  const PlotCanvas canvas(samples, firstTimeMs, kLane * (checkLane + 1) + 4);
  canvas.open(out, "events", "Sounds and checks");
  canvas.timeAxis(out);
  auto laneY = [&](int index) { return kTop + 4 + kLane * index; };
  for (const auto& [slot, index] : lanes) {
    std::string name = soundName(slot);
    if (name.empty()) name = "sound " + std::to_string(slot);
    out += "<text class=\"lane\" text-anchor=\"end\" x=\"" + coordinate(kLeft - 6) + "\" y=\"" +
           coordinate(laneY(index) + 12) + "\">" + escapeXml(name) + "</text>";
  }
  out += "<text class=\"lane\" text-anchor=\"end\" x=\"" + coordinate(kLeft - 6) + "\" y=\"" +
         coordinate(laneY(checkLane) + 12) + "\">checks</text>";
  // A loop is a band from its start to its stop (or the end of the run); a single play a tick,
  // and plays raised frame after frame one tick with a thin band to the last of them.
  constexpr int64_t kRepeatGapMs = 250;
  auto band = [&](const SoundMark& from, int64_t toMs, const char* cls, double top, double height,
                  const std::string& title) {
    const double x0 = canvas.x(from.elapsedMs);
    out += "<rect class=\"" + std::string(cls) + "\" x=\"" + coordinate(x0) + "\" y=\"" +
           coordinate(laneY(lanes[from.event.slot]) + top) + "\" width=\"" +
           coordinate(std::max(1.0, canvas.x(toMs) - x0)) + "\" height=\"" + coordinate(height) +
           "\"><title>" + escapeXml(title) + "</title></rect>";
  };
  struct Plays {
    const SoundMark* first;
    const SoundMark* last;
    int count;
  };
  auto tick = [&](const Plays& plays) {
    std::string title = describe(plays.first->event);
    if (plays.count > 1) {
      title += " x" + std::to_string(plays.count) + " until " +
               formatTimeOfDay(plays.last->event.timeMs);
      band(*plays.first, plays.last->elapsedMs, "once", 7, 3, title);
    }
    out += "<path class=\"once\" d=\"M" + coordinate(canvas.x(plays.first->elapsedMs)) + " " +
           coordinate(laneY(lanes[plays.first->event.slot]) + 2) + "l-4 13h8z\"><title>" +
           escapeXml(title) + "</title></path>";
  };
  std::map<int, const SoundMark*> looping;
  std::map<int, Plays> playing;
  for (const SoundMark& mark : sounds) {
    const int slot = mark.event.slot;
    switch (mark.event.action) {
      case SoundAction::PlayOnce: {
        const auto pending = playing.find(slot);
        if (pending != playing.end() &&
            mark.elapsedMs - pending->second.last->elapsedMs <= kRepeatGapMs) {
          pending->second.last = &mark;
          ++pending->second.count;
          break;
        }
        if (pending != playing.end()) tick(pending->second);
        playing.insert_or_assign(slot, Plays{&mark, &mark, 1});
        break;
      }
      case SoundAction::PlayLoop:
        if (!looping.contains(slot)) looping[slot] = &mark;
        break;
      case SoundAction::Stop:
        if (looping.contains(slot)) {
          band(*looping[slot], mark.elapsedMs, "loop", 3, 12, describe(looping[slot]->event));
        }
        looping.erase(slot);
        break;
      case SoundAction::ChangeVolume:
        break;
    }
  }
  for (const auto& [slot, plays] : playing) tick(plays);
  for (const auto& [slot, start] : looping) {
    band(*start, totalMs(samples), "loop", 3, 12, describe(start->event));
  }
  for (const CheckMark& mark : checks) {
    const double cx = canvas.x(mark.elapsedMs);
    const double cy = laneY(checkLane) + 9;
    std::string title = mark.check.line > 0 ? "line " + std::to_string(mark.check.line) + ": " : "";
    title += mark.check.text + (mark.check.passed ? " (held)" : " FAILED: " + mark.check.message);
    out += "<circle class=\"check " + std::string(mark.check.passed ? "pass" : "fail") +
           "\" cx=\"" + coordinate(cx) + "\" cy=\"" + coordinate(cy) + "\" r=\"4\"><title>" +
           escapeXml(title) + "</title></circle>";
    if (!mark.check.passed && mark.check.line > 0) {
      out += "<text class=\"fail-label\" x=\"" + coordinate(cx + 6) + "\" y=\"" +
             coordinate(cy + 4) + "\">line " + std::to_string(mark.check.line) + "</text>";
    }
  }
  canvas.cursor(out);
  out += "</svg>";
}

}  // namespace

int64_t plotPointCount(int64_t frames) {
  const int64_t span = spanOf(frames);
  return span == 1 ? frames : 2 * ((frames + span - 1) / span);
}

double plotX(int64_t elapsedMs, const std::vector<TripSample>& samples) {
  return kLeft +
         static_cast<double>(elapsedMs) / static_cast<double>(totalMs(samples)) * kPlotWidth;
}

std::string drawPlots(const std::vector<TripSample>& samples, int32_t firstTimeMs,
                      const std::vector<SoundMark>& sounds, const std::vector<CheckMark>& checks) {
  std::string out;
  if (samples.empty()) return out;
  for (const PlotSpec& spec : plotSpecs()) drawValuePlot(out, spec, samples, firstTimeMs);
  drawEvents(out, samples, firstTimeMs, sounds, checks);
  return out;
}

}  // namespace tims::host
