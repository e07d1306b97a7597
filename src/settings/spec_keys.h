// Every key of TIMS_Spec.ini that the plug-in reads: its section, name, default and what its value
// means. The settings readers, the unit's reset and the author's check (tims-host check) all read
// this table, so a key added here is read, explained and checked alike.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile.h"

namespace tims {

// How the plug-in uses a value, which decides what the check says about it.
enum class SpecValueKind : uint8_t {
  Number,      // taken as read
  Flag,        // nonzero is on
  WindowRows,  // clamped to 0..kMaxWindowRows
  MeterSlot,   // a panel slot the plug-in writes; outside 0..255 the meter is not shown
  LampSlot,    // a panel slot the plug-in reads; outside 0..255 the door events decide
  Unused,      // only written back with the defaults
};

// The timetable window's row vectors hold this many rows.
inline constexpr int32_t kMaxWindowRows = 7;

struct SpecKey {
  std::string_view section;
  std::string_view name;
  int32_t fallback;
  SpecValueKind kind;
  std::string_view use;
};

namespace spec_keys {
using enum SpecValueKind;
inline constexpr SpecKey kEnableCSpd{"CSpd", "EnableCSpd", -1, Flag,
                                     "constant-speed mode may engage"};
inline constexpr SpecKey kEnableCSpdLow{"CSpd", "EnableCSpdLow", -1, Flag,
                                        "low-speed mode may engage"};
inline constexpr SpecKey kEnableHoldBrk{"CSpd", "EnableHoldBrk", -1, Flag, "hold brake may engage"};
inline constexpr SpecKey kCSpdNotch{"CSpd", "CSpdNotch", 5, Number,
                                    "lowest power notch of the constant-speed mode"};
inline constexpr SpecKey kCSpdEnableSpd{"CSpd", "CSpdEnableSpd", 55, Number,
                                        "km/h above which constant speed and hold brake engage"};
inline constexpr SpecKey kCSpdDisableSpd{"CSpd", "CSpdDisableSpd", 53, Unused, "written back only"};
inline constexpr SpecKey kCSpdLowNotch{"CSpd", "CSpdLowNotch", 1, Number,
                                       "highest power notch of the low-speed mode"};
inline constexpr SpecKey kCSpdLowEnableSpd{"CSpd", "CSpdLowEnableSpd", 3, Number,
                                           "km/h above which the low-speed mode engages"};
inline constexpr SpecKey kCSpdLowDisableSpd{"CSpd", "CSpdLowDisableSpd", 12, Number,
                                            "km/h below which the low-speed mode engages"};
inline constexpr SpecKey kHldBlkEnableSpd{"CSpd", "HldBlkEnableSpd", 55, Unused,
                                          "written back only"};
inline constexpr SpecKey kHldBlkDisableSpd{"CSpd", "HldBlkDisableSpd", 53, Unused,
                                           "written back only"};
inline constexpr SpecKey kUseCSpd{"CSpd", "useCSpd", 0, Flag, "master switch of the driving aids"};
inline constexpr SpecKey kEnableMeterDisp{"Disp", "EnableMeterDisp", 1, Flag,
                                          "meters are written to the panel"};
inline constexpr SpecKey kEnableVmeter{"Disp", "EnableVmeter", 1, Flag,
                                       "the two voltages are simulated"};
inline constexpr SpecKey kHVMeterindex{"Disp", "HVMeterindex", 75, MeterSlot,
                                       "panel slot of the line voltage"};
inline constexpr SpecKey kLVMeterindex{"Disp", "LVMeterindex", 73, MeterSlot,
                                       "panel slot of the control voltage"};
inline constexpr SpecKey kD01ABnum{"Disp", "D01ABnum", 5, WindowRows,
                                   "rows of the timetable window"};
inline constexpr SpecKey kDispType{"Disp", "DispType", 0, Flag,
                                   "timetable layout with the next stop"};
inline constexpr SpecKey kUnitDispEnable{"Disp", "UnitDispEnable", 1, Flag,
                                         "car indicators are shown"};
inline constexpr SpecKey kUseLegacyDisp{"Disp", "useLegacyDisp", 0, Flag, "legacy panel layout"};
inline constexpr SpecKey kNextStopType{"Disp", "NextStopType", 0, Number,
                                       "added to the next-stop number while it blinks"};
inline constexpr SpecKey kHaltLoopVolume{"Sound", "HaltLoopVolume", 0, Flag,
                                         "a brake notch silences the halt sound"};
inline constexpr SpecKey kEnableEB{"EB", "EnableEB", 1, Flag, "EB vigilance device"};
inline constexpr SpecKey kPilotLampIndex{"Spec", "PilotLampIndex", -1, LampSlot,
                                         "panel slot of the doors-closed lamp"};
}  // namespace spec_keys

// In the order of the file's sections; the readers keep their own order.
inline constexpr std::array<const SpecKey*, 24> kSpecKeys{{
    &spec_keys::kEnableCSpd,      &spec_keys::kEnableCSpdLow,    &spec_keys::kEnableHoldBrk,
    &spec_keys::kCSpdNotch,       &spec_keys::kCSpdEnableSpd,    &spec_keys::kCSpdDisableSpd,
    &spec_keys::kCSpdLowNotch,    &spec_keys::kCSpdLowEnableSpd, &spec_keys::kCSpdLowDisableSpd,
    &spec_keys::kHldBlkEnableSpd, &spec_keys::kHldBlkDisableSpd, &spec_keys::kUseCSpd,
    &spec_keys::kD01ABnum,        &spec_keys::kDispType,         &spec_keys::kUnitDispEnable,
    &spec_keys::kUseLegacyDisp,   &spec_keys::kNextStopType,     &spec_keys::kEnableMeterDisp,
    &spec_keys::kEnableVmeter,    &spec_keys::kHVMeterindex,     &spec_keys::kLVMeterindex,
    &spec_keys::kHaltLoopVolume,  &spec_keys::kEnableEB,         &spec_keys::kPilotLampIndex,
}};

// What a reading of the settings did, for a tool that explains the file to its author. With a
// sink the readers record every key and every default they would write back, and write nothing.
struct SpecSettingsSink {
  struct Read {
    const SpecKey* key;
    int32_t value;  // what the plug-in uses, before any clamp
    platform::ProfileLookup lookup;
  };
  struct WriteBack {
    const SpecKey* key;
    std::string value;
  };
  std::vector<Read> reads;
  std::vector<WriteBack> writeBacks;
};

// Reads one key the way the plug-in does; the sink, when given, records the read.
int32_t readSpecKey(const std::filesystem::path& file, const SpecKey& key,
                    SpecSettingsSink* sink = nullptr);

}  // namespace tims
