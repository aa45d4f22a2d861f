// m9ctl: the suite's drive work on the command line.
#include "m9ctl/commands.h"
#include "m9ctl/exit_codes.h"
#include "m9ctl/output_paths.h"
#include "m9ctl/several_drives.h"
#include "m9ctl/shared_line.h"
#include "m9ctl/standard_output.h"

#include <cstdio>
#include <iostream>
#include <string>

using namespace m9ctl;

namespace {

DriveCommand driveCommand(const std::string &name)
{
    if (name == "scan")
        return runScan;
    if (name == "info")
        return runInfo;
    if (name == "params")
        return runParams;
    if (name == "monitor")
        return runMonitor;
    if (name == "trace")
        return runTrace;
    if (name == "alarms")
        return runAlarms;
    if (name == "alarm-reset")
        return runAlarmReset;
    if (name == "flash")
        return runFlash;
    return nullptr;
}

bool hasWord(const std::vector<std::string> &args, const std::string &word)
{
    for (const std::string &a : args)
        if (a == word)
            return true;
    return false;
}

bool hasPrefix(const std::vector<std::string> &args, const std::string &prefix)
{
    for (const std::string &a : args)
        if (a.rfind(prefix, 0) == 0)
            return true;
    return false;
}

int runCommandLine(int argc, char **argv)
{
    std::string error;
    std::optional<Invocation> inv = parseInvocation(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!inv)
        return usageError(error);
    if (inv->help) {
        std::fputs(usageText(), stdout);
        return kDone;
    }
    if (inv->version) {
        std::printf("m9ctl %s\n", M9CTL_VERSION);
        return kDone;
    }
    if (inv->command.empty())
        return usageError("no command given");
    if (inv->command == "ports")
        return runPorts(inv->args);
    const DriveCommand command = driveCommand(inv->command);
    if (!command)
        return usageError("unknown command \"" + inv->command + "\"");
    if (inv->link.ports.empty())
        return usageError(inv->command + " needs the drive's port: --port DEVICE (see m9ctl ports)");
    if (inv->link.ports.size() * inv->link.nodes.size() > kMostDrives)
        return usageError("at most " + std::to_string(kMostDrives) + " drives at once");
    if (severalNodes(inv->link)) {
        // The boot loader's protocol carries no node address: every drive on
        // the line would take the download as its own.
        if (inv->command == "flash")
            return usageError("flash takes one --node: on a shared line every drive would hear the boot "
                              "loader's download");
        // The nodes take the line in turn; an endless monitor keeps the rest waiting.
        if (inv->command == "monitor" && !hasWord(inv->args, "--count") && !hasPrefix(inv->args, "--count="))
            return usageError("monitor with several --node values needs --count N: the nodes take the line in turn");
    }
    if (inv->link.ports.size() > 1 || severalNodes(inv->link)) {
        // Checked before any drive is asked anything: a file each drive
        // overwrites in turn would keep only the last drive's values.
        if (const std::string shared = sharedOutputRefusal(*inv); !shared.empty())
            return usageError(shared);
        // The children cannot ask; the question is put once for all drives.
        if (inv->command == "flash" && !hasWord(inv->args, "--yes")) {
            if (!confirmFlash(inv->link.ports.size()))
                return kRefused;
            inv->args.emplace_back("--yes");
        }
        if (inv->link.ports.size() == 1)
            return runOnEveryNode(*inv, command);
        return runOnEveryPort(*inv);
    }
    ConsoleMessages messages;
    int code = kDone;
    {
        DriveSession session(inv->link, inv->link.ports.front(), messages);
        code = command(session, inv->args);
    }
    return worse(code, messages.worstCode());
}

} // namespace

int main(int argc, char **argv) { return withStandardOutput(runCommandLine(argc, argv)); }
