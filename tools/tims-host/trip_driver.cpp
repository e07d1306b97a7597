#include "tims-host/trip_driver.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "panel/panel_sources.h"
#include "tims-host/monitor_view.h"
#include "tims-host/trip_recorder.h"

namespace tims::host {
namespace {

constexpr int kEbAlarmSlot = 13;
constexpr int kStopChimeSlot = 14;
constexpr int kPassChimeSlot = 15;
constexpr int32_t kPowerNotch = 4;
// Enough motor current and pressure for the car indicators and meters to show what happens.
constexpr double kPowerCurrent = 300.0;
constexpr double kBrakeCurrent = -200.0;
constexpr double kBrakeCylinder = 300.0;
constexpr double kMainReservoir = 800.0;
// After the card goes in or the list moves on, every row of the window shows within 1.1 s.
constexpr int32_t kRevealMs = 2000;
constexpr int32_t kSettleMs = 1000;
// A leg longer than this is a typing error in the card rather than a line to drive.
constexpr double kLongestLegM = 1.0e6;
constexpr int32_t kHalfDayMs = kDayMs / 2;
constexpr double kSamePlaceM = 1e-6;  // locations closer than this are the same

// The timetable window as the panel shows it: its rows' station numbers and the route marker.
struct WindowState {
  std::array<std::optional<int32_t>, kRows> stations;
  std::optional<int32_t> marker;
  bool operator==(const WindowState&) const = default;
};

enum class Phase { Power, Coast, Brake };

class TripDriver {
 public:
  TripDriver(const PluginExports& exports, HostEnvironment environment, const TripPlan& plan,
             const DriveSettings& settings)
      : plan_(plan),
        settings_(settings),
        out_(environment.out),
        printViews_(environment.printViews),
        folder_(environment.pluginFolder),
        recorder_(environment.observer, settings.brakeNotches + 1),
        runner_(exports, withObserver(environment, recorder_)) {
    for (const TripRow& row : plan.rows) {
      RowOutcome outcome;
      outcome.row = row;
      report_.rows.push_back(std::move(outcome));
    }
    const int32_t frames = std::max(1, 1000 / settings.stepMs);
    chunkSeconds_ = frames * settings.stepMs / 1000.0;
  }

  TripReport drive();

 private:
  static HostEnvironment withObserver(HostEnvironment environment, RunObserver& observer) {
    environment.observer = &observer;
    return environment;
  }

  void setUp();
  bool driveLeg(std::size_t from, std::size_t to);
  void depart(std::size_t row);
  void arrive(std::size_t row);
  void standAt(std::size_t row);
  void waitUntil(int32_t timeMs);
  void show(const std::string& label);

  // Runs frames, then looks at what they brought as a driver would between two glances; with
  // `readFields`, notes the monitor's next-stop and terminal fields for the row ahead.
  void run(const CommandBody& body, bool readFields = true);
  void set(const CommandBody& body) { runner_.perform(body); }
  void setHandles(Phase phase);
  void notePass();
  void finishRow(std::size_t row, std::optional<int32_t> atMs);
  WindowState window() const;
  void check(int row, bool passed, const std::string& what, const std::string& failure);
  void fail(int row, const std::string& failure) { check(row, false, failure, failure); }
  std::string rowName(int row) const;
  int32_t serviceNotch() const { return std::max(1, settings_.startBrakeNotch); }
  // Metres to stop from `speed` (km/h) at the set rate.
  double brakingDistance(double speed) const {
    return speed * speed / (7.2 * settings_.deceleration);
  }

  const TripPlan& plan_;
  DriveSettings settings_;
  std::ostream* out_;
  bool printViews_;
  std::filesystem::path folder_;
  TripRecorder recorder_;
  ScenarioRunner runner_;
  std::unique_ptr<PanelSettings> panelSettings_;
  TripReport report_;
  double chunkSeconds_ = 1.0;
  int currentRow_ = -1;              // the row the train heads for or stands at
  std::vector<std::size_t> passes_;  // rows of the leg not yet passed
  std::size_t nextPass_ = 0;
  std::optional<int32_t> shownNextStop_, shownTerminal_;  // at the last glance
  bool alarmSounding_ = false;
  std::optional<int32_t> firstDepartureMs_;
};

std::string TripDriver::rowName(int row) const {
  if (row < 0) return "set-up";
  return "card row " + std::to_string(row) + " (" +
         rowLabel(plan_.rows[static_cast<std::size_t>(row)]) + ")";
}

void TripDriver::check(int row, bool passed, const std::string& what, const std::string& failure) {
  const int32_t now = runner_.timeOfDay();
  recorder_.onCheck({0, rowName(row) + ": " + what, passed, passed ? std::string() : failure, now});
  if (passed) {
    ++report_.checksPassed;
    return;
  }
  report_.failures.push_back({row, now, failure});
  if (out_ != nullptr) {
    *out_ << "FAILED " << rowName(row) << ", " << formatTimeOfDay(now) << ": " << failure << "\n";
  }
}

WindowState TripDriver::window() const {
  const PanelReading panel(runner_.panel().data(), *panelSettings_);
  WindowState state;
  for (int k = 0; k < kRows; ++k)
    state.stations[static_cast<std::size_t>(k)] = panel.get(kDispStationId, k);
  state.marker = panel.get(kRoutePosition);
  return state;
}

void TripDriver::run(const CommandBody& body, bool readFields) {
  runner_.perform(body);
  for (const SoundViolation& v : recorder_.takeViolations()) {
    ++report_.rejectedSoundValues;
    fail(currentRow_, "the plug-in wrote " + std::to_string(v.value) + " into sound slot " +
                          std::to_string(v.slot) + " at " + formatTimeOfDay(v.timeMs) +
                          ", a value the host rejects");
  }
  for (int32_t at : recorder_.takeEbApplications()) {
    ++report_.ebApplied;
    fail(currentRow_, "the EB device applied the emergency brake at " + formatTimeOfDay(at));
  }
  // The alarm loops on its slot until a driver operation; the reset key answers it.
  const bool sounding = runner_.sound()[kEbAlarmSlot] != kSoundStop;
  if (sounding && !alarmSounding_) ++report_.ebAlarms;
  alarmSounding_ = sounding;
  if (sounding) set(HostKey{KeyCall::Press, 2});
  notePass();
  if (!readFields) return;
  const PanelReading panel(runner_.panel().data(), *panelSettings_);
  shownTerminal_ = panel.get(kTerminalStationId);
  const auto number = panel.get(kNextStopNumber);
  if (const auto id = panel.get(kNextStopStationId)) {
    shownNextStop_ = id;
  } else if (!number || runner_.timeOfDay() % 1000 <= 500) {
    // While the stop is announced the number blinks (blank or offset) in the second half of
    // every second; the first half shows the station.
    shownNextStop_ = number;
  }
}

void TripDriver::setHandles(Phase phase) {
  const bool power = phase == Phase::Power;
  const bool brake = phase == Phase::Brake;
  if (power) set(SetHandle{Handle::Brake, 0});
  set(SetHandle{Handle::Power, power ? kPowerNotch : 0});
  if (brake) set(SetHandle{Handle::Brake, serviceNotch()});
  set(SetQuantity{Quantity::Current, power ? kPowerCurrent : brake ? kBrakeCurrent : 0.0});
  set(SetQuantity{Quantity::BcPressure, brake ? kBrakeCylinder : 0.0});
}

void TripDriver::finishRow(std::size_t row, std::optional<int32_t> atMs) {
  RowOutcome& outcome = report_.rows[row];
  outcome.reached = true;
  outcome.arrivedMs = atMs;
  outcome.nextStopShown = shownNextStop_;
  outcome.terminalShown = shownTerminal_;
  if (outcome.row.role == RowRole::Hidden) return;
  outcome.sounds = recorder_.takeStartedSounds();
  const int kind = outcome.row.announceKind;
  if (kind != 1 && kind != 2) return;
  const int slot = kind == 1 ? kStopChimeSlot : kPassChimeSlot;
  const char* chime = kind == 1 ? "stop chime" : "pass chime";
  const bool heard =
      std::find(outcome.sounds.begin(), outcome.sounds.end(), slot) != outcome.sounds.end();
  check(static_cast<int>(row), heard, std::string(chime) + " on the approach",
        std::string("the ") + chime + " (sound " + std::to_string(slot) +
            ") the card asks for was not raised on the approach");
}

void TripDriver::notePass() {
  const auto crossed = recorder_.crossedMs();
  if (!crossed || nextPass_ >= passes_.size()) return;
  const std::size_t row = passes_[nextPass_];
  finishRow(row, crossed);
  report_.rows[row].departedMs = crossed;
  ++nextPass_;
  // Rows at one place are passed in one frame.
  recorder_.watch(nextPass_ < passes_.size() ? plan_.rows[passes_[nextPass_]].location
                                             : std::nullopt);
  currentRow_ = static_cast<int>(nextPass_ < passes_.size() ? passes_[nextPass_] : row + 1);
  if (recorder_.crossedMs()) notePass();
}

void TripDriver::waitUntil(int32_t timeMs) {
  const int32_t wait = clockAhead(timeMs, runner_.timeOfDay());
  if (wait > 0 && wait <= kHalfDayMs) run(RunUntil{timeMs});
}

void TripDriver::show(const std::string& label) {
  if (out_ != nullptr && printViews_) *out_ << "---- " << label << " ----\n";
  runner_.showMonitor(label);
}

void TripDriver::setUp() {
  set(SetSpec{settings_.brakeNotches, settings_.startBrakeNotch});
  set(SetFrameStep{settings_.stepMs});
  set(SetTimeOfDay{settings_.startTimeMs.value_or(defaultStartTime(plan_))});
  set(Start{settings_.startCode});
  panelSettings_ = std::make_unique<PanelSettings>(folder_);
  // A driver on duty: the brake held at service, the main reservoir charged.
  set(SetHandle{Handle::Brake, serviceNotch()});
  set(SetQuantity{Quantity::BcPressure, kBrakeCylinder});
  set(SetQuantity{Quantity::MrPressure, kMainReservoir});
  run(RunFor{kSettleMs});
  // The route inserts the card at standstill, as the example scenarios do.
  set(Beacon{kBeaconCardInsert, settings_.beaconData, std::nullopt});
  run(RunFor{kRevealMs});
  show("start at " + rowLabel(plan_.rows.front()));
}

void TripDriver::depart(std::size_t row) {
  if (row == 0) {
    if (const auto planned = plan_.rows[0].plannedDepartureMs) waitUntil(*planned);
    report_.rows[0].reached = true;
    report_.rows[0].sounds = recorder_.takeStartedSounds();
  } else {
    set(Door{false});
  }
  report_.rows[row].departedMs = runner_.timeOfDay();
  if (!firstDepartureMs_) firstDepartureMs_ = runner_.timeOfDay();
}

bool TripDriver::driveLeg(std::size_t from, std::size_t to) {
  const TripRow& target = plan_.rows[to];
  if (!target.location) {
    const int missing = target.missingSectionRow;
    fail(missing, "no section length (column 10) to reach the next stop, " +
                      rowName(static_cast<int>(to)) + "; the drive ends here");
    return false;
  }
  const double stopAt = *target.location;
  const double length = stopAt - runner_.location();
  if (length > kLongestLegM) {
    fail(static_cast<int>(from), "the section lengths put the next stop " +
                                     std::to_string(length / 1000.0) +
                                     " km ahead, beyond what a drive covers");
    return false;
  }
  currentRow_ = static_cast<int>(from);
  passes_.clear();
  for (std::size_t r = from + 1; r < to; ++r) passes_.push_back(r);
  nextPass_ = 0;
  recorder_.watch(passes_.empty() ? std::nullopt : plan_.rows[passes_.front()].location);
  depart(from);
  currentRow_ = static_cast<int>(passes_.empty() ? to : passes_.front());

  // The highest speed from which the train can still stop at the next stop.
  const double a = settings_.acceleration;
  const double b = settings_.deceleration;
  // Speeds in km/h and rates in km/h per second: v^2 / (7.2 rate) metres to reach or lose v.
  const double peak =
      std::min(settings_.lineSpeed, std::sqrt(7.2 * std::max(0.0, length) * a * b / (a + b)));
  Phase phase = Phase::Power;
  setHandles(phase);
  WindowState before = window();
  // Every pass of the loop runs frames or changes the phase; the bound only guards a fault.
  for (int guard = 0; guard < 10000000; ++guard) {
    const double x = runner_.location();
    const double v = runner_.speed();
    const double left = stopAt - x;
    if (left <= kSamePlaceM && v <= 0.0) break;
    if (phase != Phase::Brake && (left <= brakingDistance(v) + kSamePlaceM || peak <= 0.0)) {
      phase = Phase::Brake;
      setHandles(phase);
      before = window();
    }
    if (phase == Phase::Power) {
      if (v >= peak - 1e-9) {
        phase = Phase::Coast;
        setHandles(phase);
        continue;
      }
      run(ChangeSpeed{std::min(peak, v + a * chunkSeconds_), a});
    } else if (phase == Phase::Coast) {
      double until = std::min(x + v / 3.6 * chunkSeconds_, stopAt - brakingDistance(v));
      // A pass ahead ends the glance there, so that the monitor is read as the train reaches it.
      if (nextPass_ < passes_.size()) {
        const double pass = *plan_.rows[passes_[nextPass_]].location;
        if (pass > x + kSamePlaceM) until = std::min(until, pass);
      }
      if (until > x + kSamePlaceM) {
        run(RunTo{until});
      } else {
        phase = Phase::Brake;
        setHandles(phase);
        before = window();
      }
    } else if (left <= kSamePlaceM) {
      run(SetQuantity{Quantity::Speed, 0.0}, false);  // on the mark: stand
    } else if (v <= 0.0) {
      break;  // stands short of the mark (rounding); this is the stop
    } else if (v <= b * chunkSeconds_ + 1e-9) {
      // The plug-in counts the distance from the speed at the end of each frame, the runner from
      // the mean speed; the two agree to centimetres, so the list may move on in this last
      // second. The fields are read before it, as the driver saw them on arrival.
      run(StopAt{stopAt}, false);
    } else {
      // Even braking that lands on the mark, as close to the set rate as the rounding allows.
      const double rate = v * v / (7.2 * left);
      run(ChangeSpeed{std::max(0.0, v - rate * chunkSeconds_), rate});
    }
  }
  currentRow_ = static_cast<int>(to);
  arrive(to);
  // The list moves on when the doors open at a stop.
  const WindowState after = window();
  check(static_cast<int>(to), after != before, "the timetable window moves on at the stop",
        "the timetable window did not move on when the doors opened");
  return true;
}

void TripDriver::arrive(std::size_t row) {
  report_.rows[row].arrivedMs = runner_.timeOfDay();
  set(SetQuantity{Quantity::Current, 0.0});  // no braking current at a standstill
  set(Door{true});
  // The plug-in sees the doors open at the end of one frame and moves the list in the next.
  run(RunFor{2 * settings_.stepMs}, false);
  finishRow(row, report_.rows[row].arrivedMs);
  run(RunFor{kRevealMs});
  report_.runningMs = clockAhead(*report_.rows[row].arrivedMs, firstDepartureMs_.value_or(0));
  show("stop at " + rowLabel(plan_.rows[row]));
}

void TripDriver::standAt(std::size_t row) {
  const int32_t arrived = *report_.rows[row].arrivedMs;
  int32_t leave = (arrived + settings_.dwellMs) % kDayMs;
  // A planned departure later than the shortest stop is kept; an earlier one is already missed.
  if (const auto planned = plan_.rows[row].plannedDepartureMs) {
    if (clockAhead(*planned, leave) <= kHalfDayMs) leave = *planned;
  }
  waitUntil(leave);
}

TripReport TripDriver::drive() {
  setUp();
  if (plan_.rows.size() < 2) {
    fail(-1, "the card has " + std::to_string(plan_.rows.size()) +
                 " timetable rows; a drive needs two or more");
  } else {
    std::size_t at = 0;
    while (at + 1 < plan_.rows.size()) {
      std::size_t next = at + 1;
      while (plan_.rows[next].role != RowRole::Stop) ++next;
      if (!driveLeg(at, next)) break;
      at = next;
      if (at + 1 < plan_.rows.size()) standAt(at);
    }
  }
  report_.distanceM = runner_.location();
  report_.frames = runner_.framesRun();
  report_.commandFailures = runner_.failures() - report_.rejectedSoundValues;
  return report_;
}

}  // namespace

TripReport driveTrip(const PluginExports& exports, HostEnvironment environment,
                     const TripPlan& plan, const DriveSettings& settings) {
  TripDriver driver(exports, std::move(environment), plan, settings);
  return driver.drive();
}

}  // namespace tims::host
