// Placeholder: this subsystem is being built; replace this file whole.
#include "beacon/beacon_dispatcher.h"
namespace tims {
void dispatchBeacon(TimsUnit&, const BeaconData&) {}
void applyRouteData(TimsUnit&, int, int32_t, int32_t) {}
void selectCardRow(TimsUnit&, int32_t) {}
}
