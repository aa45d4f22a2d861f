// The lines of a status recording: a comma-separated file with one row per
// poll cycle, the time of the cycle (ISO 8601, UTC) and its seconds since
// the recording began, then one column per state variable with its unit in
// the header. A variable the poll did not read in a cycle (not ticked)
// leaves its cell empty; the values are the texts the pane shows.
#pragma once

#include "drive/connection/status_views.h"

#include <chrono>
#include <string>

namespace tarvex::status_record {

// The title line, the start time line and the header row, each ending with LF.
std::string headerLines(std::chrono::system_clock::time_point started);

// One row for `cycle`, ending with LF.
std::string rowLine(const StatusCycle &cycle, std::chrono::steady_clock::time_point started);

// "2026-03-01T09:15:02.250Z"
std::string isoTime(std::chrono::system_clock::time_point time);

} // namespace tarvex::status_record
