#include <cstdint>

#include "common/numeric.h"
#include "unit/frame_steps.h"

namespace tims {
namespace {

constexpr int32_t kBlankDigit = 10;

// A timetable row passed without a stop: its section, line position and code take over.
void takePassedRow(TimsUnit& unit) {
  if (unit.rowsPassed < UINT32_MAX) ++unit.rowsPassed;
  // 64-bit, so that a long run past the card's end cannot wrap back onto a real row.
  const IcRow* row = cardRow(unit, uint64_t{unit.icRowIndex} + unit.rowsPassed);
  if (row == nullptr) return;
  unit.sectionRemaining = row->sectionKm * 1000.0;
  unit.kmPostBase = row->kmPost * 1000.0;
  // The passed row's flag is read the other way round than the current row's at a rebuild.
  unit.kmPostAscending = !row->kmAscending;
  if (row->sectionCode != unit.sectionCode) {
    unit.sectionCode = row->sectionCode;
    unit.soundCommand[kCmdSectionCode] = kSoundRaise;
  }
}

}  // namespace

std::array<int32_t, kKmDigits> kmPostDigitsFor(double metres) {
  const double v = metres > 0.0 ? metres : 0.0;  // NaN reads as 0 as well
  const int32_t hundredsKm = v < 100000.0 ? kBlankDigit : saturatingInt32(v) / 100000;
  const int32_t tensKm =
      v < 10000.0 ? kBlankDigit : saturatingInt32(v / 10000.0 - (hundredsKm % 10) * 10);
  int32_t km = saturatingInt32(v / 1000.0);
  if (v >= 10000.0) km -= (hundredsKm % 10) * 100 + (tensKm % 10) * 10;
  const int32_t hundredsM = saturatingInt32(v / 100.0) % 10;
  return {hundredsKm, tensKm, km, hundredsM};
}

void runLinePositionStep(TimsUnit& unit) {
  const double distance = *unit.frameDistancePtr;
  double position = 0.0;
  if (unit.beaconTrainNumberSet) {
    // The beacon base and offset count tens of metres.
    const double sign = unit.kmPostAscending ? 1.0 : -1.0;
    position = ((unit.statePtr->location / 10 - unit.kmPostRefLocation / 10) * sign +
                unit.kmPostBase + unit.kmPostOffset / 10) *
               10;
  }
  if (unit.icCardActive) {
    position = unit.kmPostAscending ? unit.kmPostBase + distance : unit.kmPostBase - distance;
    unit.kmPostBase = position;
    if (position < 0) {
      unit.kmPostBase = 0.0;
      position = 0.0;
    }
  }
  unit.sectionRemaining -= distance;
  unit.distanceToStop -= distance;
  // A section ended before the next station: a row without a stop was passed.
  if (unit.sectionRemaining < 0 && unit.distanceToStop > 0) takePassedRow(unit);
  unit.kmPostDigits = kmPostDigitsFor(position);
}

}  // namespace tims
