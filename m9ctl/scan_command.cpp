// m9ctl scan: which drives answer on a port's line. Every line names the
// port and the node the way the results of several nodes do, so that a
// script can feed them back as --port and --node.
#include "m9ctl/commands.h"

#include "drive/connection/bus_scan.h"
#include "drive/text/node_list.h"
#include "m9ctl/exit_codes.h"
#include "m9ctl/json_text.h"

#include <cstdio>

namespace m9ctl {

int runScan(DriveSession &session, const std::vector<std::string> &argsIn)
{
    CommandArgs args(argsIn);
    const bool json = args.flag("--json");
    std::optional<std::string> nodesText;
    if (!args.value("--nodes", nodesText))
        return usageError("scan: --nodes needs a list of nodes, such as 0-31 or 1,2,5");
    if (!args.words().empty())
        return usageError("scan: unexpected \"" + args.words().front() + "\"");
    if (severalNodes(session.options()) || session.options().node != 0)
        return usageError("scan asks the nodes of --nodes LIST; --node is for the other commands");
    const std::string listText =
        nodesText.value_or(std::to_string(tarvex::kScanFirstNode) + "-" + std::to_string(tarvex::kScanLastNode));
    const auto nodes = tarvex::parseNodeList(listText, tarvex::kNodeMin, tarvex::kNodeMax);
    if (!nodes)
        return usageError("scan: --nodes " + listText + ": give node numbers 0 to 99, each once, such as 0-31 or 1,2,5");
    if (!session.openLine())
        return worse(kLinkFailure, session.messages().worstCode());
    const bool progress = progressShown();
    const std::vector<tarvex::FoundDrive> found =
        tarvex::scanBus(session.drive(), *nodes, [&](std::size_t asked) {
            if (progress)
                std::fprintf(stderr, "\rasking node %u (%zu of %zu)...", unsigned{(*nodes)[asked]}, asked + 1,
                             nodes->size());
            return true;
        });
    if (progress)
        std::fprintf(stderr, "\r%60s\r", "");
    std::vector<std::string> items;
    for (const tarvex::FoundDrive &drive : found) {
        if (json)
            items.push_back(jsonObject({{"port", jsonString(session.port())},
                                        {"node", std::to_string(drive.node)},
                                        {"firmware", jsonString(drive.firmware)}}));
        else
            std::printf("%s node %u: %s\n", session.port().c_str(), unsigned{drive.node}, drive.firmware.c_str());
    }
    if (json)
        std::printf("%s\n", jsonArray(items).c_str());
    if (found.empty()) {
        warn("no drive answered on nodes " + listText);
        return kLinkFailure;
    }
    return kDone;
}

} // namespace m9ctl
