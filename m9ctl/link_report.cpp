#include "m9ctl/link_report.h"

#include "drive/connection/link_statistics_text.h"
#include "drive/files/file_access.h"
#include "m9ctl/exit_codes.h"
#include "m9ctl/output_paths.h"

#include <cstdio>

namespace m9ctl {

namespace {

void printStatistics(DriveSession &session)
{
    VQLinkStatistics statistics{};
    if (!session.drive().link().Statistics(statistics)) {
        warn("the link library keeps no statistics");
        return;
    }
    // On standard error: standard output stays the command's own results.
    std::string text = "link statistics, port " + session.port() + ", node " +
                       std::to_string(session.options().node) + ":\n";
    for (const tarvex::StatisticsRow &row : tarvex::statisticsRows(statistics))
        text += "  " + row.label + ": " + row.value + "\n";
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

int saveFrameLog(DriveSession &session, std::uint64_t after)
{
    const std::string path = driveOutputPath(session.options().frameLog, session.port(), session.options().node,
                                             kFrameLogExtension, severalNodes(session.options()));
    if (!session.drive().link().hasFrameLog()) {
        session.messages().fail(kFileError, "the link library keeps no frame log; " + path + " not written");
        return kFileError;
    }
    const tarvex::FileOutcome saved =
        tarvex::saveFileAtomically(path, tarvex::frameLogText(tarvex::readFrameLog(session.drive().link(), after)));
    if (!saved) {
        session.messages().fail(kFileError, "cannot write the frame log " + path + ": " + saved.reason);
        return kFileError;
    }
    return kDone;
}

} // namespace

LinkReportStart startLinkReport(DriveSession &session)
{
    const tarvex::LinkLibrary &link = session.drive().link();
    link.ResetStatistics();
    const std::vector<VQFrameLogEntry> log = tarvex::readFrameLog(link);
    return {log.empty() ? 0 : log.back().sequence};
}

int reportLink(DriveSession &session, const LinkReportStart &start)
{
    int code = kDone;
    if (session.options().stats)
        printStatistics(session);
    if (!session.options().frameLog.empty())
        code = worse(code, saveFrameLog(session, start.logAfter));
    return code;
}

} // namespace m9ctl
