// A scenario: what a host does to the plug-in, line by line, and what it expects to see.
// The text format is described in docs/scenarios.md; parseScenario turns it into commands.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tims::host {

inline constexpr int32_t kDayMs = 86400000;
inline constexpr int32_t kBeaconCardInsert = 1000;  // the beacon type that inserts an IC card

// A scenario text that cannot be read, with where and why.
class ScenarioError : public std::runtime_error {
 public:
  ScenarioError(std::string file, int line, const std::string& message)
      : std::runtime_error(file + ":" + std::to_string(line) + ": " + message),
        file_(std::move(file)),
        line_(line) {}
  const std::string& file() const { return file_; }
  int line() const { return line_; }

 private:
  std::string file_;
  int line_;
};

// Set-up, before the run starts.
struct VehicleFolder {
  std::filesystem::path folder;  // as written; relative to the scenario's folder
};
struct SetSpec {
  int32_t brakeNotches;
  int32_t startBrakeNotch;
};
struct EditSetting {  // writes a key of TIMS_Spec.ini in the working folder
  std::string section, key, value;
};
struct PinSeed {  // the milliseconds of the local clock that Initialize reads
  int32_t milliseconds;
};
struct SetTimeOfDay {
  int32_t milliseconds;
};
struct Start {  // Load (first time only), SetVehicleSpec, Initialize(code)
  int32_t startCode;
};
struct SetFrameStep {
  int32_t milliseconds;
};

// Driver and door calls between frames.
enum class Handle { Power, Brake, Reverser };
struct SetHandle {
  Handle handle;
  int32_t value;
  bool emergency = false;  // brake: the vehicle's emergency notch, whatever its number
};
struct HoldKey {  // the keyboard state the plug-in polls
  int virtualKey;
  bool down;
};
enum class KeyCall { Press, Down, Up };
struct HostKey {  // KeyDown / KeyUp with the host's key index
  KeyCall call;
  int32_t index;
};
struct Horn {
  int32_t kind;
};
struct Door {
  bool open;
};
struct WritePanel {  // the host puts a value into a panel slot (pilot lamp, slot 83, ...)
  int slot;
  int32_t value;
};

// The vehicle state the next frames carry.
enum class Quantity { Speed, Location, Current, BcPressure, MrPressure };
struct SetQuantity {
  Quantity quantity;
  double value;
};
struct Beacon {
  int32_t type;
  int32_t data;
  std::optional<double> location;  // fire when the train passes it; none: at once
};

// Running frames.
struct RunFor {
  int32_t milliseconds;
};
struct RunTo {
  double location;
};
struct RunUntil {  // run frames until the clock shows this time of day
  int32_t milliseconds;
};
struct ChangeSpeed {  // accelerate or decelerate to a speed at a rate, then stop running
  double target;      // km/h
  double rate;        // km/h per second, positive
};
struct StopAt {  // brake evenly so that the train stands exactly at the location
  double location;
};

// Looking and checking.
struct Show {};
enum class Compare { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual };
enum class Target { Panel, Sound, Handle };
// The four values Elapse returns, in HandleSet order.
enum class HandleField { Brake, Power, Reverser, ConstantSpeed };
struct Expect {
  Target target;
  int first;  // slot, or the HandleField for Target::Handle
  int last;   // same as first unless a slot range was given
  Compare compare;
  std::vector<int32_t> values;  // one value for every slot, or one for all
};
struct ExpectSetting {
  std::string section, key, value;
  bool missing = false;  // expect the key not to be there at all
};
enum class SoundEventKind { Any, Once, Loop, Stop };
struct ExpectSound {
  int slot;
  SoundEventKind kind;
  bool expected;  // false: expect-no-sound
};

using CommandBody =
    std::variant<VehicleFolder, SetSpec, EditSetting, PinSeed, SetTimeOfDay, Start, SetFrameStep,
                 SetHandle, HoldKey, HostKey, Horn, Door, WritePanel, SetQuantity, Beacon, RunFor,
                 RunTo, RunUntil, ChangeSpeed, StopAt, Show, Expect, ExpectSetting, ExpectSound>;

struct Command {
  int line;
  std::string text;  // the line as written, without its comment
  CommandBody body;
};

struct Scenario {
  std::string file;  // name used in messages
  std::vector<Command> commands;
};

// Parses a whole scenario text; throws ScenarioError naming `file` and the line at the first
// line that is not understood.
Scenario parseScenario(std::string_view text, const std::string& file);

// Reads and parses a scenario file.
Scenario loadScenario(const std::filesystem::path& path);

// "09:58:00", "9:58", "09:58:00.500" to milliseconds since midnight; nullopt when malformed.
std::optional<int32_t> parseTimeOfDay(std::string_view text);

// "16ms", "10s", "2min", "1.5s" (and the same with a space before the unit, split by the caller)
// to milliseconds; nullopt when malformed, negative or beyond a day.
std::optional<int32_t> parseDuration(std::string_view text);

// Milliseconds since midnight as HH:MM:SS.mmm.
std::string formatTimeOfDay(int32_t milliseconds);

std::string_view compareSymbol(Compare compare);
bool compareHolds(Compare compare, int64_t actual, int64_t expected);

}  // namespace tims::host
