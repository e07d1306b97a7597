#include "tims-host/runner.h"

#include <algorithm>
#include <cmath>

#include "platform/profile.h"
#include "settings/spec_settings.h"

namespace tims::host {
namespace {

// A run command that has not arrived after a day of simulated time never will.
constexpr int64_t kMaxFramesPerCommand = 86400000;

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};

const char* handleName(HandleField field) {
  switch (field) {
    case HandleField::Brake:
      return "brake";
    case HandleField::Power:
      return "power";
    case HandleField::Reverser:
      return "reverser";
    case HandleField::ConstantSpeed:
      return "constant-speed";
  }
  return "?";
}

int32_t handleValue(const HandleSet& handles, HandleField field) {
  switch (field) {
    case HandleField::Brake:
      return handles.brake;
    case HandleField::Power:
      return handles.power;
    case HandleField::Reverser:
      return handles.reverser;
    case HandleField::ConstantSpeed:
      return handles.constantSpeed;
  }
  return 0;
}

bool matches(SoundEventKind kind, SoundAction action) {
  switch (kind) {
    case SoundEventKind::Any:
      return action == SoundAction::PlayOnce || action == SoundAction::PlayLoop;
    case SoundEventKind::Once:
      return action == SoundAction::PlayOnce;
    case SoundEventKind::Loop:
      return action == SoundAction::PlayLoop;
    case SoundEventKind::Stop:
      return action == SoundAction::Stop;
  }
  return false;
}

const char* kindText(SoundEventKind kind) {
  switch (kind) {
    case SoundEventKind::Any:
      return "start";
    case SoundEventKind::Once:
      return "play once";
    case SoundEventKind::Loop:
      return "start looping";
    case SoundEventKind::Stop:
      return "stop";
  }
  return "?";
}

}  // namespace

ScenarioRunner::ScenarioRunner(const PluginExports& exports, HostEnvironment environment)
    : exports_(exports), env_(std::move(environment)), cardNames_(env_.pluginFolder) {
  // The host's sound array starts silent; its panel starts at 0.
  sound_.fill(kSoundStop);
  soundWritten_ = sound_;
  if (env_.trace != nullptr) trace_ = std::make_unique<TraceWriter>(*env_.trace);
}

void ScenarioRunner::run(const Scenario& scenario) {
  file_ = scenario.file;
  if (env_.seed >= 0) {
    if (exports_.setLocalMilliseconds == nullptr) {
      ++failures_;
      if (env_.out != nullptr) {
        *env_.out << file_ << ": --seed needs the library's TimsHostSetLocalMilliseconds export\n";
      }
      return;
    }
    exports_.setLocalMilliseconds(env_.seed);
  }
  for (const Command& command : scenario.commands) execute(command);
}

void ScenarioRunner::perform(const CommandBody& body, const std::string& text) {
  execute(Command{0, text, body});
}

void ScenarioRunner::fail(const Command& command, const std::string& message) {
  ++failures_;
  lastFailure_ = message;
  if (env_.out != nullptr) {
    // Commands that come from no file (a drive's) have no line to name.
    if (command.line > 0) *env_.out << file_ << ":" << command.line << ": ";
    *env_.out << "FAILED " << command.text << "\n    " << message << " (at "
              << formatTimeOfDay(timeMs_) << ", frame " << frames_ << ")\n";
  }
}

void ScenarioRunner::showMonitor(const std::string& label) {
  if (env_.observer != nullptr) env_.observer->onMoment(label, timeMs_, panel_.data());
  if (env_.out == nullptr || !env_.printViews) {
    soundsSinceView_.clear();
    return;
  }
  if (!settings_) settings_ = std::make_unique<PanelSettings>(env_.pluginFolder);
  MonitorContext context;
  context.timeMs = timeMs_;
  context.location = location_;
  context.speed = speed_;
  context.handles = handles_;
  context.sounds = std::move(soundsSinceView_);
  context.names = &cardNames_;
  *env_.out << renderMonitor(PanelReading(panel_.data(), *settings_), context) << std::flush;
  soundsSinceView_.clear();
}

void ScenarioRunner::sendBeacon(int32_t type, int32_t data) {
  exports_.setBeaconData(BeaconData{type, 0, 0, data});
  if (env_.observer != nullptr) env_.observer->onBeacon(type, data, timeMs_);
  if (type == kBeaconCardInsert && !cardNames_.readCardFor(data) && env_.out != nullptr) {
    *env_.out << "note: beacon 1000 " << data << " names the card file "
              << cardNames_.lastCardFile().string() << ", which cannot be read\n";
  }
}

void ScenarioRunner::fireBeaconsPassed(double from, double to) {
  if (pendingBeacons_.empty() || from == to) return;
  const bool forward = to > from;
  std::vector<PendingBeacon> passed;
  auto isPassed = [&](const PendingBeacon& b) {
    return forward ? (b.location > from && b.location <= to)
                   : (b.location < from && b.location >= to);
  };
  std::copy_if(pendingBeacons_.begin(), pendingBeacons_.end(), std::back_inserter(passed),
               isPassed);
  std::erase_if(pendingBeacons_, isPassed);
  // In the order the train meets them; beacons at one location in the order written.
  std::stable_sort(passed.begin(), passed.end(),
                   [&](const PendingBeacon& a, const PendingBeacon& b) {
                     return forward ? a.location < b.location : a.location > b.location;
                   });
  for (const PendingBeacon& b : passed) sendBeacon(b.type, b.data);
}

void ScenarioRunner::frame(int32_t durationMs, double endSpeed) {
  const double from = location_;
  // The speed changes evenly over the frame, so the mean speed moves the train.
  location_ += (speed_ + endSpeed) / 2.0 / 3.6 * durationMs / 1000.0;
  speed_ = endSpeed;
  timeMs_ = (timeMs_ + durationMs) % kDayMs;
  // The host passes the beacons the train went over, then runs the frame.
  fireBeaconsPassed(from, location_);

  VehicleState state{};
  state.location = location_;
  state.speed = static_cast<float>(speed_);
  state.time = timeMs_;
  state.bcPressure = static_cast<float>(bcPressure_);
  state.mrPressure = static_cast<float>(mrPressure_);
  state.current = static_cast<float>(current_);
  const auto panelBefore = panel_;
  const auto soundBefore = sound_;
  const HandleSet handles = exports_.elapse(state, panel_.data(), sound_.data());
  handles_ = handles;
  soundWritten_ = sound_;
  if (trace_) {
    trace_->write({frames_, state, handles, panelBefore.data(), panel_.data(), soundBefore.data(),
                   sound_.data()});
  }
  if (env_.observer != nullptr) {
    env_.observer->onFrame(
        {frames_, state, handles, driverPower_, driverBrake_, panel_.data(), sound_.data()});
  }
  ++frames_;

  for (const SoundEvent& event : soundRules_.react(timeMs_, sound_.data())) {
    if (env_.observer != nullptr) env_.observer->onSound(event);
    soundsSinceView_.push_back(event);
    soundsSinceCheck_[static_cast<std::size_t>(event.slot)].push_back(event.action);
  }
  const auto& violations = soundRules_.violations();
  for (; violationsReported_ < violations.size(); ++violationsReported_) {
    ++failures_;
    if (env_.observer != nullptr) env_.observer->onViolation(violations[violationsReported_]);
    if (env_.out != nullptr)
      *env_.out << "FAILED " << describe(violations[violationsReported_]) << "\n";
  }
}

void ScenarioRunner::runToSpeed(const Command& command, double target, double rate) {
  int64_t count = 0;
  while (speed_ != target) {
    if (++count > kMaxFramesPerCommand) return fail(command, "the speed is never reached");
    const double change = rate * stepMs_ / 1000.0;
    const double gap = target - speed_;
    // The tolerance keeps rounding of the many small steps from adding a needless last frame.
    if (std::abs(gap) <= change + 1e-9) {
      // The last frame lasts just as long as the change needs.
      const auto ms = static_cast<int32_t>(std::ceil(std::abs(gap) / rate * 1000.0 - 1e-6));
      frame(std::max(1, ms), target);
    } else {
      const double next = speed_ + (gap > 0 ? change : -change);
      frame(stepMs_, std::abs(target - next) < 1e-9 ? target : next);
    }
  }
}

void ScenarioRunner::checkExpect(const Command& command, const Expect& expect) {
  ++checked_;
  if (expect.target == Target::Handle) {
    const auto field = static_cast<HandleField>(expect.first);
    if (!handles_) return fail(command, "no frame has run since the start");
    const int32_t actual = handleValue(*handles_, field);
    if (!compareHolds(expect.compare, actual, expect.values[0])) {
      fail(command, std::string("expected handle ") + handleName(field) + " " +
                        std::string(compareSymbol(expect.compare)) + " " +
                        std::to_string(expect.values[0]) + ", actual " + std::to_string(actual));
    }
    return;
  }
  const bool panel = expect.target == Target::Panel;
  // A sound slot is judged by what the plug-in wrote, before the host's write-back of 2.
  const auto& slots = panel ? panel_ : soundWritten_;
  std::string mismatches;
  for (int slot = expect.first; slot <= expect.last; ++slot) {
    const std::size_t k = static_cast<std::size_t>(slot - expect.first);
    const int32_t wanted = expect.values.size() == 1 ? expect.values[0] : expect.values[k];
    const int32_t actual = slots[static_cast<std::size_t>(slot)];
    if (compareHolds(expect.compare, actual, wanted)) continue;
    if (!mismatches.empty()) mismatches += "\n    ";
    mismatches += std::string("expected ") + (panel ? "panel" : "sound") + " slot " +
                  std::to_string(slot) + " " + std::string(compareSymbol(expect.compare)) + " " +
                  std::to_string(wanted) + ", actual " + std::to_string(actual);
  }
  if (!mismatches.empty()) fail(command, mismatches);
}

void ScenarioRunner::checkSound(const Command& command, const ExpectSound& expect) {
  ++checked_;
  auto& heard = soundsSinceCheck_[static_cast<std::size_t>(expect.slot)];
  const bool found = std::any_of(heard.begin(), heard.end(),
                                 [&](SoundAction action) { return matches(expect.kind, action); });
  heard.clear();
  if (found != expect.expected) {
    fail(command, "sound slot " + std::to_string(expect.slot) + (found ? " did " : " did not ") +
                      kindText(expect.kind) + " since the last check of that slot");
  }
}

void ScenarioRunner::checkSetting(const Command& command, const ExpectSetting& expect) {
  ++checked_;
  const auto file = env_.pluginFolder / kSpecFileName;
  // A value no file can hold marks a key that is not there.
  constexpr std::string_view kMissing = "\x01";
  const std::string actual =
      platform::readProfileString(file, expect.section, expect.key, kMissing, 4096);
  const bool isMissing = actual == kMissing;
  if (expect.missing ? !isMissing : actual != expect.value) {
    fail(command, "expected [" + expect.section + "] " + expect.key +
                      (expect.missing ? " to be missing" : " = '" + expect.value + "'") +
                      ", actual " + (isMissing ? "no such key" : "'" + actual + "'"));
  }
}

template <typename Check>
void ScenarioRunner::reportCheck(const Command& command, Check&& check) {
  const int failuresBefore = failures_;
  check();
  if (env_.observer == nullptr) return;
  const bool passed = failures_ == failuresBefore;
  env_.observer->onCheck(
      {command.line, command.text, passed, passed ? std::string() : lastFailure_, timeMs_});
}

void ScenarioRunner::execute(const Command& command) {
  std::visit(
      Overloaded{
          [](const VehicleFolder&) {
            // Chosen before the library is loaded (see the tool's main).
          },
          [&](const SetSpec& s) {
            spec_.brakeNotches = s.brakeNotches;
            spec_.startBrakeNotch = s.startBrakeNotch;
          },
          [&](const EditSetting& s) {
            if (!env_.settingsEditable) {
              return fail(command,
                          "settings are not edited in the vehicle's own folder "
                          "(run without --write-through)");
            }
            if (!platform::writeProfileString(env_.pluginFolder / kSpecFileName, s.section, s.key,
                                              s.value)) {
              fail(command, "cannot write TIMS_Spec.ini in " + env_.pluginFolder.string());
            }
          },
          [&](const PinSeed& s) {
            if (exports_.setLocalMilliseconds == nullptr) {
              return fail(command, "the library has no TimsHostSetLocalMilliseconds export");
            }
            exports_.setLocalMilliseconds(s.milliseconds);
          },
          [&](const SetTimeOfDay& s) { timeMs_ = s.milliseconds; },
          [&](const Start& s) {
            // The plug-in reads its settings at Initialize; so does the view.
            settings_ = std::make_unique<PanelSettings>(env_.pluginFolder);
            if (!loaded_) exports_.load();
            loaded_ = true;
            exports_.setVehicleSpec(spec_);
            exports_.initialize(s.startCode);
            if (env_.observer != nullptr) env_.observer->onStart(timeMs_);
            started_ = true;
            handles_.reset();
          },
          [&](const SetFrameStep& s) { stepMs_ = s.milliseconds; },
          [&](const SetHandle& s) {
            switch (s.handle) {
              case Handle::Power:
                driverPower_ = s.value;
                exports_.setPower(s.value);
                break;
              case Handle::Brake:
                driverBrake_ = s.emergency ? spec_.brakeNotches + 1 : s.value;
                exports_.setBrake(driverBrake_);
                break;
              case Handle::Reverser:
                exports_.setReverser(s.value);
                break;
            }
          },
          [&](const HoldKey& k) {
            if (env_.pressKey != nullptr && env_.pressKey(k.virtualKey, k.down)) return;
            if (exports_.setKeyState == nullptr) {
              return fail(command,
                          "this platform has no thread key state and the library no "
                          "TimsHostSetKeyState export");
            }
            exports_.setKeyState(k.virtualKey, k.down ? 1 : 0);
          },
          [&](const HostKey& k) {
            if (k.call != KeyCall::Up) exports_.keyDown(k.index);
            if (k.call != KeyCall::Down) exports_.keyUp(k.index);
          },
          [&](const Horn& h) { exports_.hornBlow(h.kind); },
          [&](const Door& d) { d.open ? exports_.doorOpen() : exports_.doorClose(); },
          [&](const WritePanel& w) { panel_[static_cast<std::size_t>(w.slot)] = w.value; },
          [&](const SetQuantity& q) {
            switch (q.quantity) {
              case Quantity::Speed:
                speed_ = q.value;
                break;
              case Quantity::Location:
                location_ = q.value;
                break;
              case Quantity::Current:
                current_ = q.value;
                break;
              case Quantity::BcPressure:
                bcPressure_ = q.value;
                break;
              case Quantity::MrPressure:
                mrPressure_ = q.value;
                break;
            }
          },
          [&](const Beacon& b) {
            if (b.location) {
              pendingBeacons_.push_back({b.type, b.data, *b.location});
            } else {
              sendBeacon(b.type, b.data);
            }
          },
          [&](const RunFor& r) {
            for (int32_t left = r.milliseconds; left > 0;) {
              const int32_t ms = std::min(stepMs_, left);
              frame(ms, speed_);
              left -= ms;
            }
          },
          [&](const RunTo& r) {
            if (r.location <= location_) {
              return fail(command, "the train already stands at or beyond that location");
            }
            if (speed_ <= 0) return fail(command, "the train stands still; set a speed first");
            for (int64_t count = 0; location_ < r.location; ++count) {
              if (count > kMaxFramesPerCommand)
                return fail(command, "the location is never reached");
              // The last frame lasts just long enough to arrive.
              const double msLeft = (r.location - location_) / (speed_ / 3.6) * 1000.0;
              frame(static_cast<int32_t>(std::clamp(std::ceil(msLeft), 1.0, double(stepMs_))),
                    speed_);
            }
          },
          [&](const RunUntil& r) {
            // Forward to the next time the clock shows it, across midnight if need be.
            const int32_t wait = ((r.milliseconds - timeMs_) % kDayMs + kDayMs) % kDayMs;
            // More than half a day ahead is almost surely a time already passed.
            if (wait > kDayMs / 2) {
              return fail(command,
                          "that time lies behind the clock (" + formatTimeOfDay(timeMs_) + ")");
            }
            for (int32_t left = wait; left > 0;) {
              const int32_t ms = std::min(stepMs_, left);
              frame(ms, speed_);
              left -= ms;
            }
          },
          [&](const ChangeSpeed& c) { runToSpeed(command, c.target, c.rate); },
          [&](const StopAt& s) {
            const double distance = s.location - location_;
            if (speed_ <= 0 || distance <= 0) {
              return fail(command, "the train must be moving towards the stop location");
            }
            // Even braking: v^2 = 2 a d, in metres and seconds, as km/h per second.
            const double metresPerSecond = speed_ / 3.6;
            runToSpeed(command, 0.0, metresPerSecond * metresPerSecond / (2.0 * distance) * 3.6);
          },
          [&](const Show&) { showMonitor(); },
          [&](const Expect& e) { reportCheck(command, [&] { checkExpect(command, e); }); },
          [&](const ExpectSetting& e) {
            reportCheck(command, [&] { checkSetting(command, e); });
          },
          [&](const ExpectSound& e) { reportCheck(command, [&] { checkSound(command, e); }); },
      },
      command.body);
}

}  // namespace tims::host
