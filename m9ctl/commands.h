// m9ctl's commands. Each checks its own arguments before it touches the
// drive (exit 2 on a usage error), prints its results on standard output
// and returns its exit code.
#pragma once

#include "m9ctl/drive_session.h"
#include "m9ctl/m9ctl_options.h"

#include <string>
#include <vector>

namespace m9ctl {

using DriveCommand = int (*)(DriveSession &, const std::vector<std::string> &);

int runPorts(const std::vector<std::string> &args);
int runScan(DriveSession &session, const std::vector<std::string> &args);
int runInfo(DriveSession &session, const std::vector<std::string> &args);
int runParams(DriveSession &session, const std::vector<std::string> &args);
int runMonitor(DriveSession &session, const std::vector<std::string> &args);
int runTrace(DriveSession &session, const std::vector<std::string> &args);
int runAlarms(DriveSession &session, const std::vector<std::string> &args);
int runAlarmReset(DriveSession &session, const std::vector<std::string> &args);
int runFlash(DriveSession &session, const std::vector<std::string> &args);

// The usage error of a command: the message, exit 2.
int usageError(const std::string &text);
// Whether progress may be shown (standard error is a terminal).
bool progressShown();

} // namespace m9ctl

namespace m9ctl {
// Asks on the terminal whether to download firmware into `drives` drives;
// false without a terminal to ask on.
bool confirmFlash(std::size_t drives);
} // namespace m9ctl
