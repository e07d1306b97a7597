// Records and arrays that cross the boundary with the host simulator. Their layout is the host's:
// every field keeps its width, order and offset, including the ones the plug-in never reads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tims {

struct VehicleSpec {
  int32_t brakeNotches;  // the emergency brake is notch brakeNotches + 1
  int32_t spare1;
  int32_t spare2;
  int32_t startBrakeNotch;  // applied by Initialize with start code -1
  int32_t spare3;
};

struct VehicleState {
  double location;  // metres along the route
  float speed;      // km/h
  int32_t time;     // milliseconds since midnight
  float bcPressure;
  float mrPressure;
  uint32_t spare1;  // copied, never read
  uint32_t spare2;
  uint32_t spare3;
  float current;  // motor current, positive while powering
};

struct HandleSet {
  int32_t brake;
  int32_t power;
  int32_t reverser;
  int32_t constantSpeed;  // only ever 0 or 2
};

struct BeaconData {
  int32_t type;
  uint32_t spare1;  // not read
  uint32_t spare2;  // not read
  int32_t data;
};

// The host's panel and sound arrays: 256 signed 32-bit slots each.
inline constexpr int kSlotCount = 256;

static_assert(sizeof(VehicleSpec) == 20);
static_assert(offsetof(VehicleSpec, startBrakeNotch) == 12);
static_assert(offsetof(VehicleSpec, spare3) == 16);

static_assert(sizeof(VehicleState) == 40);
static_assert(offsetof(VehicleState, location) == 0);
static_assert(offsetof(VehicleState, speed) == 8);
static_assert(offsetof(VehicleState, time) == 12);
static_assert(offsetof(VehicleState, bcPressure) == 16);
static_assert(offsetof(VehicleState, mrPressure) == 20);
static_assert(offsetof(VehicleState, spare1) == 24);
static_assert(offsetof(VehicleState, current) == 36);

static_assert(sizeof(HandleSet) == 16);
static_assert(offsetof(HandleSet, power) == 4);
static_assert(offsetof(HandleSet, reverser) == 8);
static_assert(offsetof(HandleSet, constantSpeed) == 12);

static_assert(sizeof(BeaconData) == 16);
static_assert(offsetof(BeaconData, data) == 12);

}  // namespace tims
