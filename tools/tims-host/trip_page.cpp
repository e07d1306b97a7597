#include "tims-host/trip_page.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "tims-host/monitor_svg.h"
#include "tims-host/scenario.h"
#include "tims-host/trip_plan.h"

namespace tims::host {
namespace {

// A clock that jumps further than this between frames was set by hand, not run.
constexpr int32_t kLongestStepMs = 3600000;

int64_t forwardMs(int32_t from, int32_t to) {
  const int32_t step = clockAhead(to, from);
  return step > kLongestStepMs ? 0 : step;
}

float panelValue(const int32_t* panel, std::optional<int32_t> slot) {
  return slot ? static_cast<float>(panel[*slot]) : kNotShown;
}

std::optional<int32_t> panelEntry(const int32_t* panel, std::optional<int32_t> slot) {
  if (!slot) return std::nullopt;
  return panel[*slot];
}

const char* const kStyle = R"(
body{margin:16px 24px;color:#1b1b1b;background:#f6f6f3;font-family:FONTS}
h1{font-size:22px;margin:0 0 8px} h2{font-size:17px;margin:20px 0 8px}
table{border-collapse:collapse} td,th{padding:2px 12px 2px 0;text-align:left;vertical-align:top}
th{font-weight:600;color:#444}
svg text{font-family:FONTS}
.viewer{display:flex;gap:20px;align-items:flex-start;flex-wrap:wrap}
.controls{margin:0 0 8px} #moment-slider{width:520px;vertical-align:middle}
ol.moments{margin:0;padding-left:22px;max-height:520px;overflow:auto}
ol.moments button{font:inherit;border:1px solid #bbb;background:#fff;padding:1px 8px;margin:1px 0;cursor:pointer}
ol.moments button.current{background:#16324f;color:#fff}
figure{margin:0} figcaption{font-size:13px;color:#333;max-width:760px;margin-top:4px}
.monitor .screen{fill:#0b1622} .monitor .band{fill:#16324f}
.monitor text{fill:#e6edf3;font-size:17px}
.monitor .train,.monitor .clock{font-size:26px;font-weight:bold} .monitor .clock{fill:#fde68a}
.monitor .label,.monitor .heading{fill:#8aa1b5;font-size:13px}
.monitor .absent{fill:#3b4b5c} .monitor .stripe{fill:#122131} .monitor .rule{stroke:#2c3e50}
.monitor .lamp,.monitor .car{fill:#26313d;stroke:#56677a}
.monitor .eb.on{fill:#ef4444} .monitor .cspd.on{fill:#22c55e} .monitor .hold.on{fill:#f59e0b}
.monitor .data.on{fill:#38bdf8}
.monitor .car.power{fill:#3b82f6} .monitor .car.brake{fill:#f59e0b} .monitor .carno{font-size:11px}
.monitor .seg{fill:#26313d} .monitor .seg.on{fill:#a78bfa}
.monitor .speed{font-size:30px;font-weight:bold} .monitor .warning{fill:#f87171}
.plot{display:block;background:#fff;margin:0 0 6px;border:1px solid #ddd}
.plot .series{fill:none;stroke-width:1.5} .dashed{stroke-dasharray:5 3} .key{stroke-width:2}
.plot .grid{stroke:#ececec} .plot .frame{stroke:#888} .plot .tick,.plot .lane{font-size:11px;fill:#555}
.plot-title{font-size:13px;font-weight:bold} .legend{font-size:12px}
.cursor{stroke:#111;stroke-dasharray:2 2}
.loop{fill:#fbbf24;opacity:.75} .once{fill:#2563eb}
.check.pass{fill:#16a34a} .check.fail{fill:#dc2626} .fail-label{fill:#dc2626;font-size:11px}
tr.fail td,.bad{color:#b91c1c;font-weight:600}
)";

// Shows one moment: its drawing, its place in the list and the cursor on the plots.
const char* const kScript = R"(
(function () {
  var figures = document.querySelectorAll('figure.moment');
  var buttons = document.querySelectorAll('ol.moments button');
  var slider = document.getElementById('moment-slider');
  var caption = document.getElementById('moment-caption');
  function pick(i) {
    for (var k = 0; k < figures.length; ++k) {
      figures[k].hidden = k !== i;
      buttons[k].className = k === i ? 'current' : '';
    }
    slider.value = i;
    caption.textContent = figures[i].dataset.caption;
    var cursors = document.querySelectorAll('line.cursor');
    for (var c = 0; c < cursors.length; ++c) {
      cursors[c].setAttribute('x1', figures[i].dataset.x);
      cursors[c].setAttribute('x2', figures[i].dataset.x);
    }
  }
  if (!figures.length) return;
  slider.addEventListener('input', function () { pick(Number(slider.value)); });
  for (var b = 0; b < buttons.length; ++b) {
    buttons[b].addEventListener('click', function (e) { pick(Number(e.target.dataset.moment)); });
  }
  // A link may name a moment (counted from 0): trip.html#moment=3.
  var named = /^#moment=(\d+)$/.exec(location.hash);
  pick(named && Number(named[1]) < figures.length ? Number(named[1]) : 0);
})();
)";

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string clockOf(int32_t timeMs) {
  return formatTimeOfDay(timeMs).substr(0, 8);
}

}  // namespace

TripPage::TripPage(std::filesystem::path pluginFolder, TripPageSource source)
    : pluginFolder_(std::move(pluginFolder)), source_(std::move(source)), names_(pluginFolder_) {}

const PanelSettings& TripPage::settings() {
  if (!settings_) {
    settings_ = std::make_unique<PanelSettings>(pluginFolder_);
    layouts_.emplace_back(settings_->layout().name);
  }
  return *settings_;
}

void TripPage::onStart(int32_t timeMs) {
  if (alsoTell_ != nullptr) alsoTell_->onStart(timeMs);
  // The plug-in has just read its settings; the page decodes with the same ones from here on.
  settings_.reset();
  settings();
}

void TripPage::onBeacon(int32_t type, int32_t data, int32_t timeMs) {
  if (alsoTell_ != nullptr) alsoTell_->onBeacon(type, data, timeMs);
  if (type == kBeaconCardInsert) names_.readCardFor(data);
}

int64_t TripPage::elapsedAt(int32_t timeMs) const {
  if (!anyFrame_) return 0;
  return samples_.back().elapsedMs + forwardMs(lastTimeMs_, timeMs);
}

void TripPage::onFrame(const FrameSample& frame) {
  if (alsoTell_ != nullptr) alsoTell_->onFrame(frame);
  const PanelSettings& s = settings();
  if (!anyFrame_) firstTimeMs_ = lastTimeMs_ = frame.state.time;
  TripSample sample{elapsedAt(frame.state.time), {}};
  anyFrame_ = true;
  lastTimeMs_ = frame.state.time;
  lastState_ = frame.state;
  lastHandles_ = frame.handles;

  using enum TripSeries;
  auto set = [&](TripSeries series, float value) {
    sample.values[static_cast<std::size_t>(series)] = value;
  };
  set(Speed, frame.state.speed);
  set(Location, static_cast<float>(frame.state.location));
  set(Power, static_cast<float>(frame.handles.power));
  set(Brake, static_cast<float>(frame.handles.brake));
  set(DriverPower, static_cast<float>(frame.driverPower));
  set(DriverBrake, static_cast<float>(frame.driverBrake));
  set(ConstantSpeed, static_cast<float>(frame.handles.constantSpeed));
  const int32_t* panel = frame.panel;
  if (s.slotOf(kBcBar1)) {
    set(BcSegments, static_cast<float>(litSegments(panelEntry(panel, s.slotOf(kBcBar1)), false) +
                                       litSegments(panelEntry(panel, s.slotOf(kBcBar2)), true) +
                                       litSegments(panelEntry(panel, s.slotOf(kBcBar3)), true) +
                                       litSegments(panelEntry(panel, s.slotOf(kBcBar4)), true)));
    set(MrSegments, static_cast<float>(litSegments(panelEntry(panel, s.slotOf(kMrBar1)), false) +
                                       litSegments(panelEntry(panel, s.slotOf(kMrBar2)), false)));
  } else {
    set(BcSegments, kNotShown);
    set(MrSegments, kNotShown);
  }
  set(LineVoltage, panelValue(panel, s.slotOf(kHvMeterValue)));
  set(ControlVoltage, panelValue(panel, s.slotOf(kLvMeterValue)));
  samples_.push_back(sample);
}

void TripPage::onSound(const SoundEvent& event) {
  if (alsoTell_ != nullptr) alsoTell_->onSound(event);
  // A loop may change its volume every frame; its start and stop tell the story.
  if (event.action != SoundAction::ChangeVolume)
    sounds_.push_back({elapsedAt(event.timeMs), event});
}

void TripPage::onViolation(const SoundViolation& violation) {
  if (alsoTell_ != nullptr) alsoTell_->onViolation(violation);
  violations_.push_back(violation);
}

void TripPage::onCheck(const CheckResult& check) {
  if (alsoTell_ != nullptr) alsoTell_->onCheck(check);
  checks_.push_back({elapsedAt(check.timeMs), check});
}

void TripPage::onMoment(const std::string& label, int32_t timeMs, const int32_t* panel) {
  if (alsoTell_ != nullptr) alsoTell_->onMoment(label, timeMs, panel);
  const PanelReading reading(panel, settings());
  Moment moment{label,
                timeMs,
                elapsedAt(timeMs),
                drawMonitor(reading, &names_),
                {},
                shownTrainNumber(reading)};
  moment.caption = escapeXml(vehicleText(lastState_.location, lastState_.speed,
                                         anyFrame_ ? std::optional(lastHandles_) : std::nullopt));
  std::vector<SoundEvent> heard;
  for (; soundsShown_ < sounds_.size(); ++soundsShown_)
    heard.push_back(sounds_[soundsShown_].event);
  if (heard.empty()) moment.caption += "<br>no sounds since the last moment";
  for (const std::string& line : soundLines(heard)) moment.caption += "<br>" + escapeXml(line);
  moments_.push_back(std::move(moment));
}

std::string TripPage::summary() const {
  int passed = 0;
  for (const CheckMark& mark : checks_) passed += mark.check.passed ? 1 : 0;
  const int failed = static_cast<int>(checks_.size()) - passed;
  const auto frames = static_cast<int64_t>(samples_.size());
  std::string layouts;
  for (const std::string& layout : layouts_) {
    if (layouts.find(layout) != std::string::npos) continue;
    layouts += (layouts.empty() ? "" : "; ") + layout;
  }
  std::string out = "<table class=\"summary\">";
  auto row = [&](const std::string& name, const std::string& value, const char* id) {
    out += "<tr><th>" + name + "</th><td id=\"" + id + "\">" + value + "</td></tr>";
  };
  row("Run", escapeXml(source_.run), "summary-run");
  row("Vehicle folder", escapeXml(source_.vehicle.string()), "summary-vehicle");
  row("Layout", escapeXml(layouts.empty() ? "-" : layouts), "summary-layout");
  std::string span = std::to_string(frames);
  if (anyFrame_) {
    span += " (" + clockOf(firstTimeMs_) + " to " + clockOf(lastTimeMs_) + ")";
  }
  row("Frames", span, "summary-frames");
  row("Checks",
      std::to_string(passed) + " passed, " +
          (failed > 0 ? "<span class=\"bad\">" + std::to_string(failed) + " failed</span>"
                      : std::string("0 failed")),
      "summary-checks");
  std::string rejected = std::to_string(violations_.size());
  for (const SoundViolation& violation : violations_) {
    rejected += "<br><span class=\"bad\">" + escapeXml(describe(violation)) + "</span>";
  }
  row("Rejected sound values", rejected, "summary-rejected");
  const int64_t points = plotPointCount(frames);
  row("Plot points",
      std::to_string(points) + " a line" +
          (points == frames ? std::string(", one a frame")
                            : ", thinned from " + std::to_string(frames) +
                                  " frames: the lowest and highest value of each span of frames"),
      "summary-points");
  return out + "</table>";
}

std::string TripPage::checkTable() const {
  if (checks_.empty()) return "<p>No checks.</p>";
  std::string out =
      "<table class=\"checks\"><tr><th>line</th><th>time</th><th>check</th>"
      "<th>result</th></tr>";
  for (const CheckMark& mark : checks_) {
    const CheckResult& c = mark.check;
    out += std::string("<tr class=\"") + (c.passed ? "pass" : "fail") + "\"><td>" +
           (c.line > 0 ? std::to_string(c.line) : "") + "</td><td>" + formatTimeOfDay(c.timeMs) +
           "</td><td>" + escapeXml(c.text) + "</td><td>" +
           (c.passed ? "held" : "FAILED: " + escapeXml(c.message)) + "</td></tr>";
  }
  return out + "</table>";
}

std::string TripPage::html() const {
  // The title names the train the monitor showed last.
  const std::string train = moments_.empty() ? std::string() : moments_.back().train;
  const std::string title = "Trip page" +
                            (train.empty() || train == "-" ? "" : " " + escapeXml(train)) + ": " +
                            escapeXml(source_.run);
  const std::string fonts(kPageFonts);
  std::string out = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" +
                    title + "</title><style>" + replaceAll(kStyle, "FONTS", fonts) +
                    "</style></head>\n<body>\n<h1>" + title + "</h1>\n" + summary() + "\n";

  out += "<h2>The monitor</h2>\n";
  if (moments_.empty()) {
    out += "<p>The run showed the monitor at no moment.</p>\n";
  } else {
    out += "<div class=\"controls\"><input type=\"range\" id=\"moment-slider\" min=\"0\" max=\"" +
           std::to_string(moments_.size() - 1) +
           "\" value=\"0\" step=\"1\" aria-label=\"moment\"> <output id=\"moment-caption\">" +
           "</output></div>\n<div class=\"viewer\"><div>";
    for (std::size_t i = 0; i < moments_.size(); ++i) {
      const Moment& m = moments_[i];
      const std::string caption = formatTimeOfDay(m.timeMs) + " " + m.label;
      out += "<figure class=\"moment\" id=\"moment-" + std::to_string(i) + "\" data-label=\"" +
             escapeXml(m.label) + "\" data-time=\"" + formatTimeOfDay(m.timeMs) +
             "\" data-caption=\"" + escapeXml(caption) + "\" data-x=\"" +
             coordinate(plotX(m.elapsedMs, samples_)) + "\"" + (i > 0 ? " hidden" : "") + ">" +
             m.svg + "<figcaption>" + m.caption + "</figcaption></figure>\n";
    }
    out += "</div><ol class=\"moments\">";
    for (std::size_t i = 0; i < moments_.size(); ++i) {
      out += "<li><button type=\"button\" data-moment=\"" + std::to_string(i) + "\">" +
             clockOf(moments_[i].timeMs) + " " + escapeXml(moments_[i].label) + "</button></li>";
    }
    out += "</ol></div>\n";
  }
  out += "<h2>The run</h2>\n" + drawPlots(samples_, firstTimeMs_, sounds_, checks_) +
         "\n<h2>Checks</h2>\n" + checkTable() + "\n<script>" + kScript +
         "</script>\n</body></html>\n";
  return out;
}

std::unique_ptr<TripPage> attachTripPage(HostEnvironment& env, TripPageSource source) {
  if (!std::ofstream(source.file, std::ios::binary | std::ios::trunc)) {
    throw std::runtime_error("cannot write the trip page " + source.file.string());
  }
  auto page = std::make_unique<TripPage>(env.pluginFolder, std::move(source));
  page->alsoTell_ = env.observer;
  env.observer = page.get();
  return page;
}

void finishTripPage(const TripPage& page) {
  std::ofstream file(page.source().file, std::ios::binary | std::ios::trunc);
  file << page.html();
  if (!file.flush()) {
    throw std::runtime_error("cannot write the trip page " + page.source().file.string());
  }
}

}  // namespace tims::host
