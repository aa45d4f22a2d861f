#include "m9ctl/shared_line.h"

#include "m9ctl/exit_codes.h"
#include "m9ctl/prefixed_lines.h"

#include <string>

namespace m9ctl {

int runOnEveryNode(const Invocation &inv, DriveCommand command)
{
    const std::string &port = inv.link.ports.front();
    ConsoleMessages messages;
    int worst = kDone;
    bool outputLost = false;
    {
        DriveSession session(inv.link, port, messages);
        for (const std::uint8_t node : inv.link.nodes) {
            PrefixedLines lines(port + " node " + std::to_string(node) + ": ");
            session.selectNode(node);
            const int code = command(session, inv.args);
            worst = worse(worst, code);
            outputLost = !lines.finish() || outputLost;
            if (code == kUsage)
                break; // the same words are wrong for every node
        }
    }
    if (outputLost) {
        warn("cannot write the results to standard output; what was printed is incomplete");
        worst = worse(worst, kFileError);
    }
    return worse(worst, messages.worstCode());
}

} // namespace m9ctl
