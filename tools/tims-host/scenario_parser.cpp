#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "tims-host/scenario.h"

namespace tims::host {
namespace {


bool isOperatorChar(char c) {
  return c == '=' || c == '!' || c == '<' || c == '>';
}

// Splits at white space; a run of = ! < > is a token of its own, so "slot=1" reads like
// "slot = 1".
std::vector<std::string> tokenize(std::string_view text) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
      continue;
    }
    std::size_t end = i;
    const bool op = isOperatorChar(c);
    while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != '\r' &&
           isOperatorChar(text[end]) == op) {
      ++end;
    }
    tokens.emplace_back(text.substr(i, end - i));
    i = end;
  }
  return tokens;
}

std::string trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

template <typename T>
std::optional<T> parseNumber(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  T value{};
  const auto* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  if constexpr (std::is_floating_point_v<T>) {
    if (!std::isfinite(value)) return std::nullopt;
  }
  return value;
}

// Parses one line's tokens; `fail` throws with the line's position.
class LineParser {
 public:
  LineParser(const std::string& file, int line, std::vector<std::string> tokens)
      : file_(file), line_(line), tokens_(std::move(tokens)) {}

  [[noreturn]] void fail(const std::string& message) const {
    throw ScenarioError(file_, line_, message);
  }

  std::size_t size() const { return tokens_.size(); }
  bool atEnd() const { return next_ >= tokens_.size(); }
  const std::string& peek() const {
    static const std::string none;
    return atEnd() ? none : tokens_[next_];
  }

  std::string word(const char* what) {
    if (atEnd()) fail(std::string("missing ") + what);
    return tokens_[next_++];
  }

  void keyword(const char* expected) {
    const std::string got = lower(word(expected));
    if (got != expected) fail("expected '" + std::string(expected) + "', found '" + got + "'");
  }

  int32_t integer(const char* what) {
    const std::string text = word(what);
    const auto value = parseNumber<int32_t>(text);
    if (!value) fail(std::string(what) + " must be a 32-bit integer, found '" + text + "'");
    return *value;
  }

  int32_t integerIn(const char* what, int32_t low, int32_t high) {
    const int32_t value = integer(what);
    if (value < low || value > high) {
      fail(std::string(what) + " must lie in " + std::to_string(low) + ".." + std::to_string(high) +
           ", found " + std::to_string(value));
    }
    return value;
  }

  double real(const char* what) {
    const std::string text = word(what);
    const auto value = parseNumber<double>(text);
    if (!value) fail(std::string(what) + " must be a number, found '" + text + "'");
    return *value;
  }

  // A duration with its unit attached ("10s") or as the next token ("10 s").
  int32_t duration(const char* what) {
    std::string text = word(what);
    if (!atEnd() && parseNumber<double>(text)) text += tokens_[next_++];
    const auto value = parseDuration(text);
    if (!value) {
      fail(std::string(what) + " must be a duration such as 500ms, 10s or 2min, found '" + text +
           "'");
    }
    return *value;
  }

  void done() const {
    if (!atEnd()) fail("unexpected '" + tokens_[next_] + "' at the end of the line");
  }

 private:
  const std::string& file_;
  int line_;
  std::vector<std::string> tokens_;
  std::size_t next_ = 1;  // token 0 is the command word
};

int slotNumber(LineParser& p, const char* what) {
  return p.integerIn(what, 0, 255);
}

Compare compareOperator(LineParser& p) {
  const std::string op = p.word("comparison (=, !=, <, <=, >, >=)");
  if (op == "=" || op == "==") return Compare::Equal;
  if (op == "!=") return Compare::NotEqual;
  if (op == "<") return Compare::Less;
  if (op == "<=") return Compare::LessOrEqual;
  if (op == ">") return Compare::Greater;
  if (op == ">=") return Compare::GreaterOrEqual;
  p.fail("unknown comparison '" + op + "'");
}

int virtualKeyCode(LineParser& p) {
  const std::string key = p.word("key (backspace or a virtual-key code)");
  if (lower(key) == "backspace") return 8;
  const auto code = parseNumber<int>(key);
  if (!code || *code < 0 || *code > 255) {
    p.fail("key must be 'backspace' or a virtual-key code 0..255, found '" + key + "'");
  }
  return *code;
}

Expect parseExpect(LineParser& p) {
  Expect expect{};
  const std::string what = lower(p.word("what to expect (panel, sound, handle or setting)"));
  if (what == "panel" || what == "sound") {
    expect.target = what == "panel" ? Target::Panel : Target::Sound;
    const std::string slots = p.word("slot");
    const auto dots = slots.find("..");
    const auto first = parseNumber<int>(slots.substr(0, dots));
    const auto last = dots == std::string::npos ? first : parseNumber<int>(slots.substr(dots + 2));
    if (!first || !last || *first < 0 || *last > 255 || *first > *last) {
      p.fail("slot must be 0..255 or a range such as 130..134, found '" + slots + "'");
    }
    expect.first = *first;
    expect.last = *last;
  } else if (what == "handle") {
    const std::string name = lower(p.word("handle (brake, power, reverser, constant-speed)"));
    if (name == "brake") {
      expect.first = static_cast<int>(HandleField::Brake);
    } else if (name == "power") {
      expect.first = static_cast<int>(HandleField::Power);
    } else if (name == "reverser") {
      expect.first = static_cast<int>(HandleField::Reverser);
    } else if (name == "constant-speed") {
      expect.first = static_cast<int>(HandleField::ConstantSpeed);
    } else {
      p.fail("unknown handle '" + name + "' (brake, power, reverser, constant-speed)");
    }
    expect.target = Target::Handle;
    expect.last = expect.first;
  } else {
    p.fail("unknown expectation '" + what + "' (panel, sound, handle or setting)");
  }
  expect.compare = compareOperator(p);
  while (!p.atEnd()) expect.values.push_back(p.integer("expected value"));
  const auto count = static_cast<std::size_t>(expect.last - expect.first + 1);
  if (expect.values.empty()) p.fail("missing expected value");
  if (expect.values.size() != 1 && expect.values.size() != count) {
    p.fail("a range of " + std::to_string(count) + " slots needs one value or " +
           std::to_string(count) + " values, found " + std::to_string(expect.values.size()));
  }
  return expect;
}

ExpectSound parseExpectSound(LineParser& p, bool expected) {
  ExpectSound e{slotNumber(p, "sound slot"), SoundEventKind::Any, expected};
  if (!p.atEnd()) {
    const std::string kind = lower(p.word("kind"));
    if (kind == "once") {
      e.kind = SoundEventKind::Once;
    } else if (kind == "loop") {
      e.kind = SoundEventKind::Loop;
    } else if (kind == "stop") {
      e.kind = SoundEventKind::Stop;
    } else {
      p.fail("sound kind must be once, loop or stop, found '" + kind + "'");
    }
  }
  p.done();
  return e;
}

CommandBody parseCommand(LineParser& p, const std::string& command, std::string_view rest) {
  if (command == "vehicle") {
    const std::string folder = trim(rest);
    if (folder.empty()) p.fail("missing vehicle folder");
    return VehicleFolder{folder};
  }
  if (command == "spec") {
    SetSpec spec{};
    spec.brakeNotches = p.integerIn("brake notch count", 0, 255);
    spec.startBrakeNotch = p.integerIn("start brake notch", 0, 255);
    p.done();
    return spec;
  }
  if (command == "setting") {
    EditSetting edit{p.word("section"), p.word("key"), p.word("value")};
    p.done();
    return edit;
  }
  if (command == "seed") {
    PinSeed seed{p.integerIn("seed milliseconds", 0, 999)};
    p.done();
    return seed;
  }
  if (command == "time") {
    const std::string text = p.word("time of day");
    const auto ms = parseTimeOfDay(text);
    if (!ms) p.fail("time of day must read HH:MM[:SS[.mmm]], found '" + text + "'");
    p.done();
    return SetTimeOfDay{*ms};
  }
  if (command == "start") {
    Start start{p.integer("start code")};
    p.done();
    return start;
  }
  if (command == "step") {
    const int32_t ms = p.duration("frame step");
    if (ms < 1 || ms > 60000) p.fail("frame step must lie in 1ms..60s");
    p.done();
    return SetFrameStep{ms};
  }
  if (command == "power" || command == "reverser") {
    SetHandle set{command == "power" ? Handle::Power : Handle::Reverser, 0};
    const std::string value = lower(p.peek());
    if (command == "reverser" &&
        (value == "forward" || value == "neutral" || value == "backward")) {
      p.word("reverser");
      set.value = value == "forward" ? 1 : value == "neutral" ? 0 : -1;
    } else {
      set.value = p.integer(command == "power" ? "power notch" : "reverser position");
    }
    p.done();
    return set;
  }
  if (command == "brake") {
    SetHandle set{Handle::Brake, 0};
    if (lower(p.peek()) == "emergency") {
      p.word("brake notch");
      set.emergency = true;
    } else {
      set.value = p.integer("brake notch");
    }
    p.done();
    return set;
  }
  if (command == "hold" || command == "release") {
    HoldKey key{virtualKeyCode(p), command == "hold"};
    p.done();
    return key;
  }
  if (command == "key" || command == "key-down" || command == "key-up") {
    HostKey key{command == "key"        ? KeyCall::Press
                : command == "key-down" ? KeyCall::Down
                                        : KeyCall::Up,
                p.integer("key index")};
    p.done();
    return key;
  }
  if (command == "horn") {
    Horn horn{p.atEnd() ? 0 : p.integer("horn kind")};
    p.done();
    return horn;
  }
  if (command == "door") {
    const std::string state = lower(p.word("open or close"));
    if (state != "open" && state != "close")
      p.fail("door takes open or close, found '" + state + "'");
    p.done();
    return Door{state == "open"};
  }
  if (command == "panel") {
    WritePanel write{slotNumber(p, "panel slot"), 0};
    p.keyword("=");
    write.value = p.integer("slot value");
    p.done();
    return write;
  }
  if (command == "speed" || command == "location" || command == "current" || command == "bc" ||
      command == "mr") {
    const Quantity q = command == "speed"      ? Quantity::Speed
                       : command == "location" ? Quantity::Location
                       : command == "current"  ? Quantity::Current
                       : command == "bc"       ? Quantity::BcPressure
                                               : Quantity::MrPressure;
    SetQuantity set{q, p.real(command.c_str())};
    if (q == Quantity::Speed && set.value < 0) p.fail("speed must not be negative");
    p.done();
    return set;
  }
  if (command == "beacon") {
    Beacon beacon{p.integer("beacon type"), p.integer("beacon data"), std::nullopt};
    if (!p.atEnd()) {
      p.keyword("at");
      beacon.location = p.real("beacon location");
    }
    p.done();
    return beacon;
  }
  if (command == "run") {
    if (lower(p.peek()) == "until") {
      p.word("until");
      const std::string text = p.word("time of day");
      const auto ms = parseTimeOfDay(text);
      if (!ms) p.fail("time of day must read HH:MM[:SS[.mmm]], found '" + text + "'");
      p.done();
      return RunUntil{*ms};
    }
    if (lower(p.peek()) == "to") {
      p.word("to");
      RunTo run{p.real("location")};
      p.done();
      return run;
    }
    RunFor run{p.duration("duration")};
    p.done();
    return run;
  }
  if (command == "accelerate" || command == "decelerate") {
    p.keyword("to");
    ChangeSpeed change{p.real("target speed"), 0.0};
    p.keyword("at");
    change.rate = p.real("rate (km/h per second)");
    if (change.target < 0) p.fail("target speed must not be negative");
    if (change.rate <= 0) p.fail("rate must be positive");
    p.done();
    return change;
  }
  if (command == "stop") {
    p.keyword("at");
    StopAt stop{p.real("stop location")};
    p.done();
    return stop;
  }
  if (command == "show") {
    p.done();
    return Show{};
  }
  if (command == "expect") {
    if (lower(p.peek()) == "setting") {
      p.word("setting");
      ExpectSetting e{p.word("section"), p.word("key"), "", false};
      if (lower(p.peek()) == "missing") {
        p.word("missing");
        e.missing = true;
      } else {
        p.keyword("=");
        e.value = p.atEnd() ? std::string() : p.word("value");
      }
      p.done();
      return e;
    }
    return parseExpect(p);
  }
  if (command == "expect-sound") return parseExpectSound(p, true);
  if (command == "expect-no-sound") return parseExpectSound(p, false);
  p.fail("unknown command '" + command + "'");
}

}  // namespace

std::optional<int32_t> parseTimeOfDay(std::string_view text) {
  int32_t parts[3] = {0, 0, 0};
  int32_t millis = 0;
  const auto dot = text.find('.');
  if (dot != std::string_view::npos) {
    const std::string_view fraction = text.substr(dot + 1);
    if (fraction.empty() || fraction.size() > 3) return std::nullopt;
    const auto value = parseNumber<int32_t>(fraction);
    if (!value || *value < 0) return std::nullopt;
    millis = *value;
    for (std::size_t i = fraction.size(); i < 3; ++i) millis *= 10;
    text = text.substr(0, dot);
  }
  int count = 0;
  while (true) {
    const auto colon = text.find(':');
    const auto piece = text.substr(0, colon);
    if (count == 3 || piece.empty() || piece.size() > 2) return std::nullopt;
    const auto value = parseNumber<int32_t>(piece);
    if (!value || *value < 0) return std::nullopt;
    parts[count++] = *value;
    if (colon == std::string_view::npos) break;
    text = text.substr(colon + 1);
  }
  if (count < 2 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
  return ((parts[0] * 60 + parts[1]) * 60 + parts[2]) * 1000 + millis;
}

std::optional<int32_t> parseDuration(std::string_view text) {
  const auto unitAt = text.find_first_not_of("0123456789.+");
  if (unitAt == std::string_view::npos || unitAt == 0) return std::nullopt;
  const auto number = parseNumber<double>(text.substr(0, unitAt));
  const std::string unit = lower(std::string(text.substr(unitAt)));
  if (!number || *number < 0) return std::nullopt;
  double scale = 0;
  if (unit == "ms") {
    scale = 1;
  } else if (unit == "s") {
    scale = 1000;
  } else if (unit == "min") {
    scale = 60000;
  } else {
    return std::nullopt;
  }
  const double ms = std::round(*number * scale);
  if (ms > kDayMs) return std::nullopt;
  return static_cast<int32_t>(ms);
}

std::string formatTimeOfDay(int32_t milliseconds) {
  const int32_t ms = ((milliseconds % kDayMs) + kDayMs) % kDayMs;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", ms / 3600000, ms / 60000 % 60,
                ms / 1000 % 60, ms % 1000);
  return text;
}

std::string_view compareSymbol(Compare compare) {
  switch (compare) {
    case Compare::Equal:
      return "=";
    case Compare::NotEqual:
      return "!=";
    case Compare::Less:
      return "<";
    case Compare::LessOrEqual:
      return "<=";
    case Compare::Greater:
      return ">";
    case Compare::GreaterOrEqual:
      return ">=";
  }
  return "?";
}

bool compareHolds(Compare compare, int64_t actual, int64_t expected) {
  switch (compare) {
    case Compare::Equal:
      return actual == expected;
    case Compare::NotEqual:
      return actual != expected;
    case Compare::Less:
      return actual < expected;
    case Compare::LessOrEqual:
      return actual <= expected;
    case Compare::Greater:
      return actual > expected;
    case Compare::GreaterOrEqual:
      return actual >= expected;
  }
  return false;
}

namespace {

// Checks the order of the commands: what the plug-in must not see before a run has started.
void validateOrder(const Scenario& scenario) {
  bool started = false;
  bool vehicleSeen = false;
  for (const Command& command : scenario.commands) {
    const CommandBody& body = command.body;
    if (std::holds_alternative<VehicleFolder>(body)) {
      if (vehicleSeen) throw ScenarioError(scenario.file, command.line, "a second vehicle line");
      if (started) {
        throw ScenarioError(scenario.file, command.line, "the vehicle must be named before start");
      }
      vehicleSeen = true;
    }
    if (std::holds_alternative<Start>(body)) started = true;
    const auto* beacon = std::get_if<Beacon>(&body);
    const auto* expect = std::get_if<Expect>(&body);
    const bool needsRun =
        std::holds_alternative<SetHandle>(body) || std::holds_alternative<HostKey>(body) ||
        std::holds_alternative<Horn>(body) || std::holds_alternative<Door>(body) ||
        (beacon != nullptr && !beacon->location) || std::holds_alternative<RunFor>(body) ||
        std::holds_alternative<RunTo>(body) || std::holds_alternative<RunUntil>(body) ||
        std::holds_alternative<ChangeSpeed>(body) || std::holds_alternative<StopAt>(body) ||
        std::holds_alternative<ExpectSound>(body) ||
        (expect != nullptr && expect->target != Target::Panel);
    if (needsRun && !started) {
      throw ScenarioError(scenario.file, command.line,
                          "'" + command.text + "' needs a run: put a start line before it");
    }
  }
}

}  // namespace

Scenario parseScenario(std::string_view text, const std::string& file) {
  Scenario scenario{file, {}};
  int lineNumber = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    const auto end = text.find('\n', start);
    std::string_view line =
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    ++lineNumber;
    start = end == std::string_view::npos ? text.size() + 1 : end + 1;
    if (lineNumber == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    const auto hash = line.find('#');
    const std::string content = trim(line.substr(0, hash));
    if (content.empty()) continue;
    std::vector<std::string> tokens = tokenize(content);
    const std::string command = lower(tokens.front());
    const auto restAt = content.find_first_of(" \t", 0);
    const std::string_view rest =
        restAt == std::string::npos ? std::string_view() : std::string_view(content).substr(restAt);
    LineParser parser(file, lineNumber, std::move(tokens));
    scenario.commands.push_back(Command{lineNumber, content, parseCommand(parser, command, rest)});
  }
  validateOrder(scenario);
  return scenario;
}

Scenario loadScenario(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ScenarioError(path.string(), 0, "cannot open the scenario file");
  std::stringstream text;
  text << in.rdbuf();
  return parseScenario(text.str(), path.string());
}

}  // namespace tims::host
