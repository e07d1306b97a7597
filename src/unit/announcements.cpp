#include <array>
#include <cstdint>

#include "unit/frame_steps.h"

namespace tims {
namespace {

// Metres run since the current station.
double travelled(const TimsUnit& unit) {
  return unit.stopDistanceTotal - unit.distanceToStop;
}

bool isRow(int32_t cardRowIndex, uint32_t unitRowIndex) {
  return cardRowIndex >= 0 && static_cast<uint32_t>(cardRowIndex) == unitRowIndex;
}

void raise(TimsUnit& unit, int command) {
  unit.soundCommand[command] = kSoundRaise;
}

// Whether `point` is active now; raises its sounds on activation.
bool checkPoint(TimsUnit& unit, const IcPointRecord& point, double run, double speed) {
  const std::array<bool, 4>& was = unit.pointLatch;
  const double start = point.startKm * 1000.0;
  switch (point.kind) {
    case 0:
      if (!(start < run && run < point.endKm * 1000.0 && speed < 25.0)) return false;
      if (!was[0]) raise(unit, kCmdPointKind0);
      return true;
    case 1:
      if (!(start - run < 400.0 && run - start < 700.0)) return false;
      if (!was[1]) raise(unit, kCmdPointKind1);
      return true;
    case 2:
    case 3: {
      // Faster trains hear the point earlier.
      const double lead = speed > 80.0 ? 700.0 : 400.0;
      if (!(start - run < lead && run - start < 1200.0 - lead)) return false;
      if (point.kind == 3) {
        if (!was[3]) raise(unit, kCmdPointKind2Or3);
        return true;
      }
      if (!was[2]) raise(unit, kCmdPointKind2Or3);
      if (was[2] && start - run < 100.0 && !unit.panel83Set && !was[3]) {
        raise(unit, kCmdPointKind2Last100m);
      }
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

void runAnnouncementPoints(TimsUnit& unit) {
  const auto& points = unit.catalogue.pointRecords;
  if (points.empty()) return;
  const double run = travelled(unit);
  const double speed = unit.statePtr->speed;
  std::array<bool, 4> active{};
  for (const IcPointRecord& point : points) {
    if (!isRow(point.rowIndex, unit.icRowIndex)) continue;
    if (checkPoint(unit, point, run, speed)) {
      active[static_cast<std::size_t>(point.kind)] = true;
      break;
    }
  }
  unit.pointLatch = active;

  const bool firstHalf = unit.statePtr->time % 1000 <= 500;
  unit.zoneIndicator[0] = active[0] ? (firstHalf ? 2 : 1) : 0;
  unit.zoneIndicator[1] = active[1] ? (firstHalf ? 4 : 3) : 0;
  unit.zoneIndicator[2] = active[2] ? (firstHalf ? 2 : 1) : 0;
  unit.zoneIndicator[3] = active[2] ? 1 : 0;
}

void runLinePositionZones(TimsUnit& unit) {
  const auto& zones = unit.catalogue.sectionRecords;
  if (zones.empty()) return;
  const double run = travelled(unit);
  const double position = unit.kmPostBase;
  bool insideKmZone = false;
  for (const IcSectionRecord& zone : zones) {
    const bool stationZone =
        (isRow(zone.rowIndex, unit.icRowIndex) && zone.zoneLengthKm * 1000.0 > run) ||
        (isRow(zone.rowIndex, unit.nextRowIndex) && unit.sectionRemaining < 600.0);
    if (stationZone) {
      if (!unit.stationZone) raise(unit, kCmdStationZone);
      unit.stationZone = true;
      unit.kmZone = insideKmZone;
      return;
    }
    const double from = zone.fromKm * 1000.0;
    const double to = zone.toKm * 1000.0;
    const bool inside = (from < to && from < position && position < to) ||
                        (from > to && to < position && position < from);
    if (inside) {
      // Raised from the second frame inside on, and in every frame after.
      if (unit.kmZone) raise(unit, kCmdKmZone);
      insideKmZone = true;
      break;
    }
  }
  unit.stationZone = false;
  unit.kmZone = insideKmZone;
}

void runApproachAnnouncement(TimsUnit& unit, bool& latch, const bool& blink) {
  const double speed = unit.statePtr->speed;
  // speed^2 / 14.4: about the braking distance at a comfortable deceleration.
  if (speed * speed / 14.4 > unit.distanceToStop || unit.distanceToStop < 50.0 || latch) {
    if (unit.stopAnnounceKind == 1) {
      raise(unit, kCmdStopChime);
      unit.soundOut[kOutHaltLoop] = kSoundSounding;
      latch = true;
      unit.stopAnnounceKind = 0;
    } else if (unit.stopAnnounceKind == 2) {
      raise(unit, kCmdPassChime);
      unit.stopAnnounceKind = 0;
    }
    unit.stopBlink = unit.statePtr->time % 1000 > 500 && blink ? 1 : 0;
  } else {
    unit.stopBlink = 0;
  }
}

}  // namespace tims
