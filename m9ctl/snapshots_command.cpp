// "m9ctl snapshots": the parameter snapshots kept before every change of a
// drive, listed, compared with a drive and restored to it. A snapshot is a
// parameter file, so diff and restore are "params diff" and "params load"
// of it, with all their checks.
#include "m9ctl/commands.h"

#include "drive/snapshots/snapshot_store.h"
#include "m9ctl/exit_codes.h"
#include "m9ctl/json_text.h"

#include <cstdio>

namespace m9ctl {

using tarvex::snapshots::Snapshot;
using tarvex::snapshots::SnapshotStore;

namespace {

SnapshotStore userStore() { return SnapshotStore(tarvex::snapshots::defaultSnapshotFolder()); }

// The snapshot NAME names ("latest" the newest); a usage error when none.
int resolve(const std::string &name, Snapshot &out)
{
    const SnapshotStore store = userStore();
    const std::optional<Snapshot> found = store.find(name);
    if (!found)
        return usageError("no snapshot named \"" + name + "\" in " + store.folder() + " (see m9ctl snapshots list)");
    out = *found;
    return kDone;
}

} // namespace

int runSnapshotList(const std::vector<std::string> &argsIn)
{
    CommandArgs args(std::vector<std::string>(argsIn.begin() + (argsIn.empty() ? 0 : 1), argsIn.end()));
    const bool json = args.flag("--json");
    if (std::optional<std::string> unknown = args.unknownOption())
        return usageError("snapshots list: unknown option " + *unknown);
    if (!args.words().empty())
        return usageError("snapshots list takes no arguments");
    const SnapshotStore store = userStore();
    const std::vector<Snapshot> all = store.list();
    if (json) {
        std::vector<std::string> items;
        for (const Snapshot &s : all)
            items.push_back(jsonObject({{"name", jsonString(s.name)},
                                        {"time", jsonString(s.header.time)},
                                        {"reason", jsonString(s.header.reason)},
                                        {"firmware", jsonString(s.header.firmware)},
                                        {"port", jsonString(s.header.port)},
                                        {"node", std::to_string(s.header.node)},
                                        {"file", jsonString(s.parameterFile)}}));
        std::printf("%s\n", jsonArray(items).c_str());
        return kDone;
    }
    for (const Snapshot &s : all)
        std::printf("%s  %s  %s, firmware %s, %s node %d\n", s.name.c_str(), s.header.time.c_str(),
                    s.header.reason.c_str(), s.header.firmware.c_str(), s.header.port.c_str(), s.header.node);
    if (all.empty())
        std::printf("no snapshots in %s\n", store.folder().c_str());
    return kDone;
}

int runSnapshots(DriveSession &session, const std::vector<std::string> &argsIn)
{
    if (argsIn.empty())
        return usageError("snapshots needs list, diff or restore");
    const std::string verb = argsIn.front();
    CommandArgs args(std::vector<std::string>(argsIn.begin() + 1, argsIn.end()));
    const bool verify = verb == "restore" && args.flag("--verify");
    const bool otherDrive = verb == "restore" && args.flag("--other-drive");
    if (std::optional<std::string> unknown = args.unknownOption())
        return usageError("snapshots " + verb + ": unknown option " + *unknown);
    if (verb != "diff" && verb != "restore")
        return usageError("unknown snapshots command \"" + verb + "\" (list, diff or restore)");
    if (args.words().size() != 1)
        return usageError("snapshots " + verb + " needs exactly one snapshot name (or latest)");
    Snapshot snapshot;
    if (int code = resolve(args.words().front(), snapshot))
        return code;
    if (verb == "diff")
        return printFileDifferences(session, snapshot.parameterFile);
    // One drive's set-up written into another is seldom meant (several
    // --port values would each get it); it is asked for by name.
    if (!otherDrive && (snapshot.header.port != session.port() || snapshot.header.node != session.options().node)) {
        session.messages().fail(kRefused, snapshot.name + " was kept from " + snapshot.header.port + " node " +
                                              std::to_string(snapshot.header.node) + ", not " + session.port() +
                                              " node " + std::to_string(session.options().node) +
                                              "; give --other-drive to restore it to this drive (nothing was written)");
        return kRefused;
    }
    return writeFileDifferences(session, snapshot.parameterFile, verify, "m9ctl snapshots restore " + snapshot.name);
}

} // namespace m9ctl
