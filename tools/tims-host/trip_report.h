// The trip report of a drive: one line per timetable row, the totals and the failures.
#pragma once

#include <ostream>
#include <string>

#include "tims-host/trip_driver.h"

namespace tims::host {

void printTripReport(std::ostream& out, const std::string& title, const TripReport& report);

}  // namespace tims::host
