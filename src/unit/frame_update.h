// The unit's work in every frame.
#pragma once

#include "unit/tims_unit.h"

namespace tims {

// EB vigilance, line position, arrivals, reveal, announcements, car indicators, sound hand-over.
void updateUnitFrame(TimsUnit& unit);

}  // namespace tims
