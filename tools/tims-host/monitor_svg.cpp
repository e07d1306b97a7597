#include "tims-host/monitor_svg.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tims::host {
namespace {

constexpr int kWidth = 760;
constexpr int kHeight = 500;
constexpr int kLine = 24;       // one line of text
constexpr int kTableTop = 178;  // the window's header line

std::string number(int32_t value) {
  return std::to_string(value);
}

// A panel time with the parts the layout leaves out ("..") dimmed, so that the text content stays
// what the text view prints.
std::string timeContent(const std::string& time) {
  std::string out;
  for (std::size_t i = 0; i < time.size();) {
    if (time.compare(i, 2, "..") == 0) {
      out += R"(<tspan class="absent">..</tspan>)";
      i += 2;
    } else {
      out += escapeXml(time.substr(i, 1));
      ++i;
    }
  }
  return out;
}

class Drawing {
 public:
  void text(int x, int y, std::string_view cls, const std::string& content,
            std::string_view anchor = "start") {
    out_ +=
        "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" class=\"" + std::string(cls) + "\"";
    if (anchor != "start") out_ += " text-anchor=\"" + std::string(anchor) + "\"";
    out_ += ">" + content + "</text>";
  }
  void rect(int x, int y, int w, int h, std::string_view cls) {
    out_ += "<rect x=\"" + number(x) + "\" y=\"" + number(y) + "\" width=\"" + number(w) +
            "\" height=\"" + number(h) + "\" class=\"" + std::string(cls) + "\"/>";
  }
  void circle(int x, int y, int r, std::string_view cls) {
    out_ += "<circle cx=\"" + number(x) + "\" cy=\"" + number(y) + "\" r=\"" + number(r) +
            "\" class=\"" + std::string(cls) + "\"/>";
  }
  void raw(std::string_view svg) { out_ += svg; }
  std::string take() { return std::move(out_); }

 private:
  std::string out_;
};

void drawHeader(Drawing& d, const PanelReading& p) {
  d.rect(0, 0, kWidth, 48, "band");
  d.text(16, 34, "train", escapeXml(shownTrainNumber(p)));
  if (const auto lamp = p.get(kServiceDataLamp)) {
    d.circle(196, 25, 6, *lamp != 0 ? "lamp data on" : "lamp data");
    d.text(208, 30, "label", "service data");
  }
  d.text(kWidth / 2 + 40, 30, "label", escapeXml(p.layoutName()), "middle");
  char clock[16];
  std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", p.get(kClockHours).value_or(0),
                p.get(kClockMinutes).value_or(0), p.get(kClockSeconds).value_or(0));
  d.text(kWidth - 16, 34, "clock", clock, "end");
}

struct StationLine {
  const char* label;
  const PanelSource& id;
  const PanelSource *hour, *minute, *second;
  const char* timeLabel;
  const PanelSource* track;
};

void drawStations(Drawing& d, const PanelReading& p, const CardNames* names) {
  // Next stop, departed, terminal and the station after the window, in the text view's order.
  const std::array<StationLine, 4> lines{{
      {"next stop", kNextStopNumber, &kNextStopArrHour, &kNextStopArrMinute, &kNextStopArrSecond,
       "arr", &kNextStopTrack},
      {"departed", kDepartedStationId, &kDepartedDepHour, &kDepartedDepMinute, &kDepartedDepSecond,
       "dep", &kDepartedTrack},
      {"terminal", kTerminalStationId, &kTerminalArrHour, &kTerminalArrMinute, &kTerminalArrSecond,
       "arr", &kTerminalTrack},
      {"after list", kAfterListStationId, &kAfterListDepHour, &kAfterListDepMinute,
       &kAfterListDepSecond, "dep", &kAfterListTrack},
  }};
  int y = 76;
  for (const StationLine& line : lines) {
    const auto id = p.get(line.id);
    if (!id) continue;
    d.text(16, y, "label", line.label);
    d.text(110, y, "station", escapeXml(stationText(id, names)));
    if (p.get(*line.minute)) {
      d.text(330, y, "label", line.timeLabel);
      d.text(362, y, "time",
             timeContent(panelTime(p.get(*line.hour), p.get(*line.minute), p.get(*line.second))));
    }
    if (const auto track = p.get(*line.track)) {
      d.text(480, y, "label", "track");
      d.text(524, y, "value", number(*track));
    }
    y += kLine;
  }
  if (const auto next = p.get(kNextStopDepMinute)) {
    // The next stop's departure, where the layout shows it, goes beside its arrival.
    d.text(580, 76, "label", "dep");
    d.text(612, 76, "time",
           timeContent(panelTime(p.get(kNextStopDepHour), next, p.get(kNextStopDepSecond))));
  }
}

void drawWindow(Drawing& d, const PanelReading& p, const CardNames* names) {
  constexpr int kColumns[] = {16, 56, 300, 400, 500, 570};
  const char* const headings[] = {"row", "station", "arrive", "depart", "track", "run"};
  for (int c = 0; c < 6; ++c) d.text(kColumns[c], kTableTop, "heading", headings[c]);
  if (const auto position = p.get(kRoutePosition)) {
    d.text(kWidth - 16, kTableTop, "label", "route position " + number(*position), "end");
  }
  for (int row = 1; row <= kRows; ++row) {
    if (row % 2 == 1) d.rect(8, kTableTop + 6 + (row - 1) * kLine, kWidth - 16, kLine, "stripe");
  }
  d.raw("<g class=\"window\">");
  for (const WindowRow& row : windowRows(p, names)) {
    // Rows keep their place, so that a row the window leaves blank stays blank.
    const int y = kTableTop + row.row * kLine;
    d.raw("<g class=\"row\" data-row=\"" + number(row.row) + "\">");
    d.text(kColumns[0], y, "no", number(row.row));
    d.text(kColumns[1], y, "station", escapeXml(row.station));
    d.text(kColumns[2], y, "time arr", timeContent(row.arrive));
    d.text(kColumns[3], y, "time dep", timeContent(row.depart));
    d.text(kColumns[4], y, "value track", escapeXml(row.track));
    d.text(kColumns[5], y, "value run", escapeXml(row.run));
    d.raw("</g>");
  }
  d.raw("</g>");
}

void drawGauge(Drawing& d, int y, const char* label, std::initializer_list<int> lit) {
  d.text(440, y + 9, "label", label);
  int x = 472;
  for (const int segments : lit) {
    for (int s = 0; s < 10; ++s, x += 6) d.rect(x, y, 5, 10, s < segments ? "seg on" : "seg");
    x += 3;
  }
}

void drawStatus(Drawing& d, const PanelReading& p) {
  constexpr int kTop = 372;
  d.raw("<line x1=\"8\" x2=\"752\" y1=\"372\" y2=\"372\" class=\"rule\"/>");
  struct Lamp {
    const PanelSource& source;
    const char* label;
    const char* cls;
    int x;
  };
  const Lamp lamps[] = {{kEbAlarmLamp, "EB alarm", "eb", 24},
                        {kConstantSpeedLamp, "constant speed", "cspd", 130},
                        {kHoldBrakeActive, "hold brake", "hold", 280}};
  for (const Lamp& lamp : lamps) {
    const auto value = p.get(lamp.source);
    if (!value) continue;
    d.circle(lamp.x, kTop + 22, 8, std::string("lamp ") + lamp.cls + (*value != 0 ? " on" : ""));
    d.text(lamp.x + 14, kTop + 27, "label", lamp.label);
  }
  if (p.get(kSpeedDigitOnes)) {
    std::string digits;
    for (const PanelSource* source : {&kSpeedDigitHundreds, &kSpeedDigitTens, &kSpeedDigitOnes}) {
      const int32_t digit = p.get(*source).value_or(10);
      digits += digit >= 0 && digit <= 9 ? static_cast<char>('0' + digit) : ' ';
    }
    d.text(kWidth - 60, kTop + 34, "speed", escapeXml(digits), "end");
    d.text(kWidth - 16, kTop + 34, "label", "km/h", "end");
  }
  if (p.get(kCarState, 0)) {
    d.text(16, kTop + 62, "label", "cars");
    for (int i = 0; i < kCars; ++i) {
      const auto car = p.get(kCarState, i);
      if (!car) break;
      const char* cls = *car == 1 ? "car power" : *car == 2 ? "car brake" : "car";
      d.rect(56 + i * 30, kTop + 48, 26, 18, cls);
      d.text(69 + i * 30, kTop + 61, "carno", number(i + 1), "middle");
    }
  }
  const auto km = p.get(kLineKilometres);
  const auto hundreds = p.get(kLineHundredMetres);
  if (km && hundreds) {
    d.text(16, kTop + 96, "label", "line position");
    const bool unknown = *km == 300 && *hundreds == 10;
    d.text(110, kTop + 96, "value line",
           unknown ? std::string("not known yet") : number(*km) + "." + number(*hundreds) + " km");
  }
  if (p.get(kBcBar1)) {
    drawGauge(d, kTop + 50, "BC",
              {litSegments(p.get(kBcBar1), false), litSegments(p.get(kBcBar2), true),
               litSegments(p.get(kBcBar3), true), litSegments(p.get(kBcBar4), true)});
    drawGauge(d, kTop + 68, "MR",
              {litSegments(p.get(kMrBar1), false), litSegments(p.get(kMrBar2), false)});
  }
  std::string meters;
  if (const auto v = p.get(kHvMeterValue)) meters += "line " + number(*v) + " V   ";
  if (const auto v = p.get(kLvMeterValue)) meters += "control " + number(*v) + " V   ";
  if (const auto v = p.get(kSampledBrakeNotch)) meters += "brake notch " + number(*v);
  if (!meters.empty()) d.text(250, kTop + 96, "value meters", meters);
  if (const auto v = p.get(kStandingBlink); v && *v != 0) {
    d.text(kWidth - 16, kTop + 96, "warning", "standing without brake", "end");
  }
}

}  // namespace

int litSegments(std::optional<int32_t> bar, bool upper) {
  if (!bar || (upper && *bar == 20)) return 0;
  return std::clamp(*bar, 0, 10);
}

std::string escapeXml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string coordinate(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string drawMonitor(const PanelReading& panel, const CardNames* names) {
  Drawing d;
  d.raw("<svg class=\"monitor\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
        number(kWidth) + " " + number(kHeight) + "\" width=\"" + number(kWidth) + "\" height=\"" +
        number(kHeight) + "\">");
  d.rect(0, 0, kWidth, kHeight, "screen");
  drawHeader(d, panel);
  drawStations(d, panel, names);
  drawWindow(d, panel, names);
  drawStatus(d, panel);
  d.raw("</svg>");
  return d.take();
}

}  // namespace tims::host
