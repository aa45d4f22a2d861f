// The status poll thread: while cyclic monitoring runs it reads the ticked
// state variables in one scattered read and the input/output words in one
// block read, and hands the texts and lamp states to the status panes; it
// idles while monitoring is off and ends, closing the link, when a read fails.
#pragma once

#include <chrono>

namespace tarvex {

class DriveConnection;

namespace status_poll {
inline constexpr std::chrono::milliseconds kIdleWait{10};
// Between two cell updates, so the repaints never flood the user interface.
inline constexpr std::chrono::milliseconds kCellPacing{5};
} // namespace status_poll

// The thread's body; returns when the thread ends.
void runStatusPoll(DriveConnection &drive);

} // namespace tarvex
