// What m9ctl tells of the link once the command is done: its statistics on
// standard error (--stats), and its frame log saved to a file (--log-frames).
#pragma once

#include "m9ctl/drive_session.h"

namespace m9ctl {

// Reports as the session's options ask; returns the exit code of a failure
// (kDone when there was none).
int reportLink(DriveSession &session);

} // namespace m9ctl
