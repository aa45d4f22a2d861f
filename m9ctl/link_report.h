// What m9ctl tells of the link once the command is done: its statistics on
// standard error (--stats), and its frame log saved to a file (--log-frames).
#pragma once

#include "m9ctl/drive_session.h"

#include <cstdint>

namespace m9ctl {

// Where one drive's figures and frame log begin. Nodes on one line share the
// open link, so before each node's command the counts start afresh and the
// log's newest entry is noted; the log file then holds that node's only.
struct LinkReportStart {
    std::uint64_t logAfter = 0;
};
LinkReportStart startLinkReport(DriveSession &session);

// Reports as the session's options ask; returns the exit code of a failure
// (kDone when there was none).
int reportLink(DriveSession &session, const LinkReportStart &start = {});

} // namespace m9ctl
