// A hostile card in force: the input carries the display settings, a card text and a run of
// frames. The card goes in either through the real insert path (written as the card file that a
// fixed beacon value names) or record by record into the catalogue, started at any row. The frames
// then move the train, open doors, pass beacons and write the panel.
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "beacon/beacon_dispatcher.h"
#include "fuzz_input.h"
#include "iccard/card_reader.h"
#include "panel/panel_writer.h"
#include "state/plugin_state.h"
#include "unit/card_insert.h"
#include "unit/frame_update.h"
#include "unit/station_progress.h"

namespace {

using namespace tims;

constexpr int32_t kCardBeaconValue = 12300;  // card 0, no prefix, number 123, suffix code 0
constexpr int kMaxFrames = 64;
constexpr int32_t kBeaconTypes[] = {1001, 1000, 8, 100, 101, 102, 113, 114, 119, 120, 135, 145};

void takeSettings(fuzz::FuzzInput& in, PluginState& plugin, TimsUnit& unit) {
  const uint8_t flags = in.byte();
  unit.dispType = (flags & 1) != 0;
  unit.useLegacyDisp = (flags & 2) != 0;
  unit.unitDispEnable = (flags & 4) != 0;
  unit.haltLoopVolume = (flags & 8) != 0;
  unit.enableEb = (flags & 16) != 0;
  plugin.enableMeterDisp = (flags & 32) != 0;
  unit.d01abRows = in.byte() % (kRows + 1);  // the settings reader keeps it within 0..7
  unit.nextStopType = in.value<int32_t>();
  plugin.lvMeterIndex = in.value<int16_t>();
  plugin.hvMeterIndex = in.value<int16_t>();
}

void insertThroughFile(TimsUnit& unit, std::string_view cardText,
                       const std::filesystem::path& folder) {
  unit.catalogue.cardFolders.assign(kCardFolderCount, folder);
  fuzz::writeFile(cardPath(unit.catalogue, kCardBeaconValue), cardText);
  insertCard(unit, kCardBeaconValue);
}

void insertByLines(TimsUnit& unit, std::string_view cardText, uint32_t startRow) {
  fuzz::forEachLine(cardText, [&](std::string_view line) { readCardLine(unit.catalogue, line); });
  unit.icCardActive = true;
  unit.trainNumberDigits = convertTrainNumber(unit, unit.catalogue.trainNumberText);
  unit.cardCodes = convertTrainNumber(unit, unit.catalogue.secondTrainNumberText);
  updateStationList(unit, startRow);
}

// One frame: tame values (whole km/h, up to five seconds) or raw ones, NaN and infinities too.
void runFrame(fuzz::FuzzInput& in, PluginState& plugin, TimsUnit& unit, int32_t* panel) {
  const uint8_t kind = in.byte();
  VehicleState& state = plugin.state;
  if ((kind & 1) != 0) {
    plugin.frameMs = static_cast<int32_t>(in.value<uint32_t>() & 0x7FFFFFFFu);
    state.speed = in.value<float>();
    state.location = in.value<double>();
    state.current = in.value<float>();
    state.time = in.value<int32_t>();
  } else {
    plugin.frameMs = in.byte() * 20;
    state.speed = static_cast<float>(in.value<int8_t>());
    state.current = static_cast<float>(in.value<int8_t>()) * 10.0f;
    state.time = static_cast<int32_t>(static_cast<uint32_t>(state.time) + plugin.frameMs);
  }
  plugin.frameDistance = static_cast<double>(state.speed) / 3.6 * plugin.frameMs / 1000.0;
  if ((kind & 1) == 0) state.location += plugin.frameDistance;

  if ((kind & 2) != 0) unit.advanceRequest = true;  // the doors opened
  if ((kind & 4) != 0) {
    const int32_t type = kBeaconTypes[in.byte() % std::size(kBeaconTypes)];
    dispatchBeacon(unit, {type, 0, 0, in.value<int32_t>()});
  }
  updateUnitFrame(unit);
  writePanel(plugin, unit, panel);
}

void checkUnit(const TimsUnit& unit, int32_t windowRows) {
  TIMS_FUZZ_CHECK(unit.d01abRows == windowRows);
  TIMS_FUZZ_CHECK(unit.icRowIndex <= cardRowCount(unit));
  for (int32_t sound : unit.soundOut) {
    TIMS_FUZZ_CHECK(sound == kSoundSilent || sound == kSoundSounding || sound == kSoundRaise ||
                    sound == kSoundNothingNew);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const fuzz::ScratchFolder folder("card-frames");
  fuzz::FuzzInput in({reinterpret_cast<const char*>(data), size});

  PluginState plugin;
  TimsUnit unit;
  bindUnit(unit, plugin);
  resetUnit(unit);  // no settings file: every setting at its default, then the input's
  takeSettings(in, plugin, unit);
  const int32_t windowRows = unit.d01abRows;

  const bool throughFile = in.flag();
  const auto startRow = in.value<uint32_t>();
  const std::string_view cardText = in.bytes(in.value<uint16_t>());
  if (throughFile) {
    insertThroughFile(unit, cardText, folder.path);
  } else {
    insertByLines(unit, cardText, startRow);
  }
  checkUnit(unit, windowRows);

  int32_t panel[kSlotCount] = {};
  for (int frame = 0; frame < kMaxFrames && !in.empty(); ++frame) {
    runFrame(in, plugin, unit, panel);
    checkUnit(unit, windowRows);
  }
  return 0;
}
