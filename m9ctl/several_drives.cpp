#include "m9ctl/several_drives.h"

#include "m9ctl/console_messages.h"
#include "m9ctl/drive_session.h"
#include "m9ctl/exit_codes.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace m9ctl {

namespace {

struct Child {
    std::string port;
    pid_t pid = -1;
    int out = -1;
    int err = -1;
    std::string outPending;
    std::string errPending;
};

// Prints the complete lines of `pending` with `prefix` in front.
// The line a download's drive ends with on its standard output; with
// several drives each one's result is that line alone, and its notes on the
// snapshot kept around the download go with the other notes.
constexpr const char *kFlashResult = "Firmware Download Completion!!";

// `notes`, when given, takes the lines that are not a download's result.
void flushLines(std::string &pending, FILE *to, const std::string &prefix, bool all, FILE *notes = nullptr)
{
    const auto put = [&](const std::string &line) {
        FILE *where = notes && line.find(kFlashResult) == std::string::npos ? notes : to;
        std::fprintf(where, "%s%s\n", prefix.c_str(), line.c_str());
    };
    std::size_t end;
    while ((end = pending.find('\n')) != std::string::npos) {
        put(pending.substr(0, end));
        pending.erase(0, end + 1);
    }
    if (all && !pending.empty()) {
        put(pending);
        pending.clear();
    }
    std::fflush(to);
    if (notes)
        std::fflush(notes);
}

bool start(Child &child, const Invocation &inv, const std::string &self)
{
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return false;
    }
    std::vector<std::string> words{self};
    for (const std::string &w : linkArguments(inv.link, child.port))
        words.push_back(w);
    words.push_back(inv.command);
    for (const std::string &a : inv.args)
        words.push_back(a);
    std::vector<char *> argv;
    for (std::string &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);

    child.pid = ::fork();
    if (child.pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::execv(self.c_str(), argv.data());
        _exit(kLinkFailure);
    }
    ::close(out[1]);
    ::close(err[1]);
    if (child.pid < 0) {
        ::close(out[0]);
        ::close(err[0]);
        return false;
    }
    child.out = out[0];
    child.err = err[0];
    return true;
}

// The result line of a drive whose download did not complete, by its exit code.
std::string flashFailureLine(int code)
{
    switch (code) {
    case kUsage: return "Firmware not downloaded: the command was refused (exit code 2)";
    case kRefused: return "Firmware not downloaded: refused (servo on, or not confirmed) (exit code 4)";
    case kFileError: return "Firmware not downloaded: the HEX file was refused (exit code 5)";
    default:
        return "Firmware not downloaded: the link failed (exit code " + std::to_string(code) +
               "); if the drive waits in its boot loader, run the same flash again";
    }
}

// The children, for a termination request to reach them.
pid_t childPids[kMostDrives];
volatile sig_atomic_t childCount = 0;

// Ctrl+C reaches every child from the terminal; the parent stays to pass on
// their last lines and their exit codes. A termination request sent to the
// parent alone is passed on. Handlers (not SIG_IGN) are reset in the
// children by exec, so they stop as usual.
extern "C" void keepWaiting(int) {}
extern "C" void passOnTermination(int)
{
    for (sig_atomic_t i = 0; i < childCount; ++i)
        ::kill(childPids[i], SIGTERM);
}

void outlastInterrupts()
{
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = keepWaiting;
    ::sigaction(SIGINT, &action, nullptr);
    action.sa_handler = passOnTermination;
    ::sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int runOnEveryPort(const Invocation &inv)
{
    outlastInterrupts();
    const std::string self = programDirectory() + "/m9ctl";
    std::vector<Child> children;
    int worst = kDone;
    // A child serving several nodes names port and node on each line
    // itself, and so do the results of a scan.
    const bool childNamesErrors = severalNodes(inv.link);
    const bool childNamesResults = childNamesErrors || inv.command == "scan";
    for (const std::string &port : inv.link.ports) {
        Child child;
        child.port = port;
        if (!start(child, inv, self)) {
            warn(port + ": cannot start a process for this drive");
            worst = worse(worst, kLinkFailure);
            continue;
        }
        if (childCount < static_cast<sig_atomic_t>(kMostDrives)) {
            childPids[childCount] = child.pid;
            childCount = childCount + 1;
        }
        children.push_back(std::move(child));
    }
    for (;;) {
        std::vector<pollfd> fds;
        std::vector<std::pair<std::size_t, bool>> owners; // child, standard error
        for (std::size_t i = 0; i < children.size(); ++i) {
            if (children[i].out >= 0) {
                fds.push_back({children[i].out, POLLIN, 0});
                owners.emplace_back(i, false);
            }
            if (children[i].err >= 0) {
                fds.push_back({children[i].err, POLLIN, 0});
                owners.emplace_back(i, true);
            }
        }
        if (fds.empty())
            break;
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (std::size_t f = 0; f < fds.size(); ++f) {
            if (fds[f].revents == 0)
                continue;
            Child &c = children[owners[f].first];
            const bool isErr = owners[f].second;
            char buffer[4096];
            const ssize_t n = ::read(fds[f].fd, buffer, sizeof buffer);
            std::string &pending = isErr ? c.errPending : c.outPending;
            const bool named = isErr ? childNamesErrors : childNamesResults;
            const std::string prefix = named ? std::string() : c.port + ": ";
            FILE *notes = !isErr && inv.command == "flash" ? stderr : nullptr;
            if (n > 0) {
                pending.append(buffer, static_cast<std::size_t>(n));
                flushLines(pending, isErr ? stderr : stdout, prefix, false, notes);
            } else if (n == 0 || errno != EINTR) {
                flushLines(pending, isErr ? stderr : stdout, prefix, true, notes);
                ::close(fds[f].fd);
                (isErr ? c.err : c.out) = -1;
            }
        }
    }
    for (Child &c : children) {
        int status = 0;
        while (::waitpid(c.pid, &status, 0) < 0 && errno == EINTR) {
        }
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : kLinkFailure;
        worst = worse(worst, code);
        // A drive's download that did not complete said why on the error
        // output; its result line still comes beside the completed ones.
        if (inv.command == "flash" && code != kDone)
            std::printf("%s: %s\n", c.port.c_str(), flashFailureLine(code).c_str());
    }
    std::fflush(stdout);
    return worst;
}

} // namespace m9ctl
