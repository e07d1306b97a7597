// A host session: a settings file, then host calls in any order (load, vehicle spec, start, frames
// with any vehicle state, handles, keys, doors, beacons, the host's own panel writes), checked
// after every frame, in a vehicle folder with a card list and cards that beacons can insert.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>

#include "aids/driver_controls.h"
#include "beacon/beacon_dispatcher.h"
#include "fuzz_input.h"
#include "panel/panel_slots.h"
#include "platform/keyboard.h"
#include "platform/local_time.h"
#include "plugin/frame.h"
#include "settings/spec_settings.h"

// The sanitizers' allocation hooks; absent (null) in a build without them.
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void*,
                                                                            std::size_t),
                                                         void (*freeHook)(const volatile void*))
    __attribute__((weak));

namespace {

using namespace tims;

constexpr int kMaxCalls = 400;

constexpr std::string_view kCardList = "[ICCard]\n0=cards\n1=cards\n2=missing\n";

// Cards as a vehicle author writes them: numbers, a long and a short timetable, a card of one
// row, hidden rows and passes, points and zones.
struct CardFile {
  std::string_view name;
  std::string_view text;
};
constexpr CardFile kCards[] = {
    {"1A.csv",
     "3,1A\n1,10,20\n11,label,7\n12,\x92\xCA"
     "1523K,101500,102000,3\n"
     "5,0,0.5,0.9,1\n5,1,0.1,0.3,2\n5,2,0.85,0.99,0\n5,3,0,0.2,3\n"
     "6,1,0.5,0.8,0.1,2\n6,2,2.5,2.8,0.1,0\n"
     "7,-1,A,,100000,1,0,0,0.0,0,1.2,0,15,15,1,NULL,120,1,1,NULL,NULL,\n"
     "7,90,B,100130,100150,2,5,10,1.2,0,0.8,1,15,15,1,NULL,120,1,2,NULL,NULL,\n"
     "7,60,C,,100300,0,0,0,2.0,0,1.0,2,15,15,1,NULL,120,1,3,NULL,NULL,1\n"
     "7,75,D,100430,100450,1,0,0,3.0,0,0.9,1,15,15,2,NULL,120,0,4,NULL,NULL,\n"
     "7,70,E,100600,100630,3,0,0,3.9,1,1.1,1,15,15,2,NULL,120,1,5,NULL,NULL,\n"
     "7,80,F,100800,100820,1,0,0,5.0,0,1.0,1,15,15,2,NULL,120,1,6,NULL,NULL,\n"
     "7,90,G,101000,101010,2,0,0,6.0,0,0.5,1,15,15,2,NULL,120,1,7,NULL,NULL,\n"
     "7,90,H,261100,261100,2,0,0,6.5,0,0.5,2,15,15,3,NULL,120,1,8,NULL,NULL,9\n"
     "7,90,I,101200,,2,0,0,7.0,0,0.0,1,15,15,3,NULL,120,1,9,NULL,NULL,\n"},
    {"2A.csv",
     "3,\x89\xD7"
     "2340M\n"
     "7,-1,P,,120000,4,0,0,0.0,0,2.0,0,15,15,5,NULL,120,1,11,NULL,NULL,\n"
     "7,150,Q,120230,120300,2,0,0,2.0,0,1.5,1,15,15,5,NULL,120,1,12,NULL,NULL,\n"
     "7,120,R,120500,,1,0,0,3.5,0,0.0,1,15,15,5,NULL,120,1,13,NULL,NULL,\n"},
    {"3A.csv", "3,9999Z\n7,-1,S,,000100,1,0,0,0.0,0,0.1,0,15,15,1,NULL,120,1,1,NULL,NULL,\n"},
    {"4A.csv", "12,,,,\n7\n7,,,,,,,,,1\n7,-5,,250000,246060,,,,1e308,1,-1,9,,,-7,,,,-3,,,-1\n"},
};
// Card values a type-1000 beacon may carry: cards 1A to 4A in folders 0 and 1, a folder that
// is a directory, a folder that is missing, and an index beyond the list.
constexpr int32_t kCardValues[] = {100,       200,       300,       400,        500,
                                   100000100, 100000200, 200000100, 2100000100, -100000100};

void makeVehicleFolder(const std::filesystem::path& root) {
  std::filesystem::create_directories(root / "cards" / "5A.csv");  // a folder, not a card
  fuzz::writeFile(root / kIcCardFileName, kCardList);
  for (const CardFile& card : kCards) fuzz::writeFile(root / "cards" / card.name, card.text);
}

// One byte per key: 0 leaves it out, 1 takes a raw 32-bit value, anything else a value near the
// slot numbers and notches that settings hold (-2 .. 252).
std::string settingsText(fuzz::FuzzInput& in) {
  std::string text;
  std::string_view section;
  for (const SpecKey* setting : kSpecKeys) {
    const uint8_t choice = in.byte();
    if (choice == 0) continue;
    const int32_t value = choice == 1 ? in.value<int32_t>() : choice - 3;
    if (setting->section != section) {
      section = setting->section;
      text += "[" + std::string(section) + "]\n";
    }
    text += std::string(setting->name) + "=" + std::to_string(value) + "\n";
  }
  return text;
}

thread_local bool countingAllocations = false;
thread_local std::size_t allocations = 0;

void onMalloc(const volatile void*, std::size_t) {
  if (countingAllocations) ++allocations;
}
void onFree(const volatile void*) {}

bool allocationsVisible() {
  static const bool installed = __sanitizer_install_malloc_and_free_hooks != nullptr &&
                                __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;
  return installed;
}

struct Session {
  // Load and Initialize read the settings files: a few of each keep the fuzzer fast.
  int loadsLeft = 2;
  int startsLeft = 4;
  PluginState plugin;
  TimsUnit unit;
  VehicleState vehicle{};
  int32_t panel[kSlotCount];
  int32_t sound[kSlotCount];
};

// Values as the host sends them: mostly near the usual ones, sometimes anything at all.
int32_t notchValue(fuzz::FuzzInput& in) {
  const uint8_t choice = in.byte();
  return choice < 16 ? in.value<int32_t>() : choice % 12 - 2;
}

float floatValue(fuzz::FuzzInput& in, bool raw, float scale) {
  return raw ? in.value<float>() : static_cast<float>(in.value<int8_t>()) * scale;
}

BeaconData beaconValue(fuzz::FuzzInput& in) {
  BeaconData beacon{};
  const uint8_t typeChoice = in.byte();
  const auto table = beaconTypeTable();
  if (typeChoice < 16) {
    beacon.type = in.value<int32_t>();
  } else {
    const BeaconTypeRange& row = table[typeChoice % table.size()];
    beacon.type = row.first + in.byte() % (row.last - row.first + 1);
  }
  const uint8_t dataChoice = in.byte();
  if (dataChoice < 64) {
    beacon.data = kCardValues[dataChoice % std::size(kCardValues)];
  } else if (dataChoice < 128) {
    beacon.data = in.value<int8_t>();
  } else {
    beacon.data = in.value<int32_t>();
  }
  return beacon;
}

void checkFrame(const Session& s, const HandleSet& handles, const int32_t* panelBefore,
                const int32_t* soundBefore, std::size_t frameAllocations) {
  TIMS_FUZZ_CHECK(handles.constantSpeed == 0 || handles.constantSpeed == 2);

  bool owned[kSlotCount] = {};  // sound slots the plug-in owns
  for (const SoundSlotRoute& route : kSoundSlotRoutes) owned[route.slot] = true;
  bool written[kSlotCount] = {};  // panel slots the layout writes
  forEachPanelSlot(s.plugin, s.unit, [&](const PanelSlotView& view) { written[view.slot] = true; });
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const int32_t sound = s.sound[slot];
    TIMS_FUZZ_CHECK(owned[slot] ? sound == kSoundSilent || sound == kSoundSounding ||
                                      sound == kSoundRaise || sound == kSoundNothingNew
                                : sound == soundBefore[slot]);
    TIMS_FUZZ_CHECK(written[slot] || s.panel[slot] == panelBefore[slot]);
  }
  TIMS_FUZZ_CHECK(frameAllocations == 0);
  TIMS_FUZZ_CHECK(s.unit.d01abRows >= 0 && s.unit.d01abRows <= kRows);
}

void elapse(fuzz::FuzzInput& in, Session& s) {
  const uint8_t kind = in.byte();
  VehicleState& v = s.vehicle;
  const int32_t previousTime = v.time;
  v.time = (kind & 1) != 0
               ? in.value<int32_t>()
               : static_cast<int32_t>(static_cast<uint32_t>(v.time) + in.value<uint16_t>());
  v.speed = floatValue(in, (kind & 2) != 0, 1.0f);
  if ((kind & 4) != 0) {
    v.location = in.value<double>();
  } else {
    const double ms = static_cast<double>(v.time) - previousTime;
    v.location += static_cast<double>(v.speed) / 3.6 * (ms > 0 ? ms : 0) / 1000.0;
  }
  const bool rawReadings = (kind & 8) != 0;
  v.bcPressure = floatValue(in, rawReadings, 10.0f);
  v.mrPressure = floatValue(in, rawReadings, 10.0f);
  v.current = floatValue(in, rawReadings, 10.0f);
  v.spare1 = in.value<uint32_t>();

  int32_t panelBefore[kSlotCount];
  int32_t soundBefore[kSlotCount];
  std::copy(std::begin(s.panel), std::end(s.panel), panelBefore);
  std::copy(std::begin(s.sound), std::end(s.sound), soundBefore);

  allocations = 0;
  countingAllocations = true;
  const HandleSet handles = elapseFrame(s.plugin, s.unit, v, s.panel, s.sound);
  countingAllocations = false;
  checkFrame(s, handles, panelBefore, soundBefore, allocationsVisible() ? allocations : 0);
}

// The host's own calls besides the plug-in's: a panel slot it writes (the pilot lamp, slot 83),
// a key held, the clock pinned.
void hostCall(fuzz::FuzzInput& in, Session& s) {
  const uint8_t kind = in.byte() % 3;
  if (kind == 0) {
    const int8_t value = in.value<int8_t>();  // an assignment reads its right side first
    s.panel[in.byte()] = value;
  } else if (kind == 1) {
    const int32_t key = in.flag() ? platform::kVirtualKeyBackspace : in.value<int32_t>();
    platform::setHostKeyState(key, in.flag());
  } else {
    platform::pinLocalMilliseconds(in.value<int16_t>());
  }
}

// A call of the host, chosen by a byte modulo 16: frames (four entries) are most of a session.
using In = fuzz::FuzzInput;
constexpr void (*kCalls[])(In&, Session&) = {
    [](In&, Session& s) {
      if (s.loadsLeft-- > 0) loadPlugin(s.unit);
    },
    [](In& in, Session& s) {
      const int32_t brakeNotches = notchValue(in);
      setVehicleSpec(s.plugin, {brakeNotches, 0, 0, notchValue(in), 0});
    },
    [](In& in, Session& s) {
      const int32_t startCode = notchValue(in);
      if (s.startsLeft-- > 0) initializeRun(s.plugin, s.unit, startCode);
    },
    elapse,
    elapse,
    elapse,
    elapse,
    [](In& in, Session& s) { setPower(s.plugin, s.unit, notchValue(in)); },
    [](In& in, Session& s) {
      setBrake(s.plugin, s.unit, in.flag() ? s.plugin.emergencyBrakeNotch : notchValue(in));
    },
    [](In& in, Session& s) { setReverser(s.plugin, notchValue(in)); },
    [](In& in, Session& s) { keyDown(s.unit, notchValue(in)); },
    [](In&, Session& s) { hornBlow(s.unit); },
    [](In&, Session& s) { doorOpen(s.plugin); },
    [](In&, Session& s) { doorClose(s.plugin); },
    [](In& in, Session& s) { dispatchBeacon(s.unit, beaconValue(in)); },
    hostCall,
};
static_assert(std::size(kCalls) == 16);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const fuzz::ScratchFolder folder("host-session");
  [[maybe_unused]] static const bool ready =
      (makeVehicleFolder(folder.path), allocationsVisible(), true);
  fuzz::FuzzInput in({reinterpret_cast<const char*>(data), size});
  fuzz::writeFile(folder.path / kSpecFileName, settingsText(in));
  // Process-wide host state starts the same for every input.
  platform::setHostKeyState(platform::kVirtualKeyBackspace, false);
  platform::pinLocalMilliseconds(0);

  Session s;
  attachPlugin(s.plugin, s.unit, folder.path);
  // The host's arrays hold its own values; sound slots the plug-in does not own must keep them.
  for (int slot = 0; slot < kSlotCount; ++slot) {
    s.panel[slot] = 0x50000 + slot;
    s.sound[slot] = 0x70000 + slot;
  }
  for (int n = 0; n < kMaxCalls && !in.empty(); ++n) kCalls[in.byte() % 16](in, s);
  return 0;
}
