// m9sim: the virtual drive as a program. Serves a pseudo-terminal until
// SIGINT or SIGTERM (or "quit" on standard input), taking control commands
// on standard input meanwhile.
#include "simulator/src/catalogue_defaults.h"
#include "simulator/src/console_commands.h"
#include "simulator/src/m9sim_options.h"
#include "simulator/src/virtual_drive.h"
#include "link/virtual_drive_link.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/stat.h>
#include <sys/signalfd.h>
#include <unistd.h>

using namespace vq::sim;

namespace {

constexpr std::size_t kMaxLine = 1024;

int signalDescriptor()
{
    // Blocked before any thread starts, so that only this descriptor sees them.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return signalfd(-1, &set, SFD_CLOEXEC);
}

// Runs every complete line in `buffer`; false once a command asked to quit.
bool runLines(VirtualDrive &drive, std::string &buffer)
{
    for (std::size_t end; (end = buffer.find('\n')) != std::string::npos;) {
        std::string line = buffer.substr(0, end);
        buffer.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const ConsoleResult result = runConsoleCommand(drive, line);
        if (!result.reply.empty()) {
            std::cout << result.reply;
            if (result.reply.back() != '\n')
                std::cout << '\n';
            std::cout.flush();
        }
        if (result.quit)
            return false;
    }
    if (buffer.size() > kMaxLine) {
        std::cout << "line too long, ignored" << std::endl;
        buffer.clear();
    }
    return true;
}

// The default link's folder: made private to this user when missing, and
// refused when it exists but another user could reach into it (someone
// may have made it in /tmp first, to plant a link of theirs).
bool prepareDefaultLinkFolder(std::string &error)
{
    const std::string folder = tarvex::virtualDriveLinkFolder();
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot make the folder " + folder + " for the link: " + std::strerror(errno);
        return false;
    }
    if (!tarvex::isPrivateFolder(folder)) {
        error = folder + " is not a private folder of this user (a directory of yours that only you may "
                         "open); remove it, or give --link PATH or --no-link";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    ProgramOptions options;
    std::string error;
    if (!parseProgramOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::cerr << "m9sim: " << error << "\n\n" << programUsage();
        return 2;
    }
    if (options.showHelp) {
        std::cout << programUsage();
        return 0;
    }

    CatalogueDefaults catalogue;
    if (options.useCatalogue) {
        if (!loadCatalogueDefaults(options.cataloguePath, catalogue, error)) {
            if (options.catalogueGiven) {
                std::cerr << "m9sim: " << error << '\n';
                return 1;
            }
            std::cerr << "m9sim: " << error << "; running without parameter defaults\n";
        }
        for (const std::string &warning : catalogue.warnings)
            std::cerr << "m9sim: catalogue " << warning << '\n';
    }

    const int signals = signalDescriptor();
    if (signals < 0) {
        std::cerr << "m9sim: cannot watch for signals\n";
        return 1;
    }
    if (options.defaultLink && !options.drive.linkPath.empty() && !prepareDefaultLinkFolder(error)) {
        std::cerr << "m9sim: " << error << '\n';
        return 1;
    }
    VirtualDrive drive(options.drive, catalogue);
    drive.setTuningDuration(std::chrono::milliseconds(static_cast<long long>(options.tuningSeconds * 1000.0)));
    error.clear();
    if (!drive.start(error)) {
        std::cerr << "m9sim: " << error << '\n';
        return 1;
    }
    std::cout << drive.devicePath() << std::endl;
    // The link on a line of its own, for scripts to find.
    if (drive.linked())
        std::cerr << "m9sim: linked as " << options.drive.linkPath << '\n';
    std::cerr << "m9sim: serving " << drive.devicePath();
    std::cerr << (options.drive.otherNodes.empty() ? ", node " : ", nodes ") << int{options.drive.node};
    for (const std::uint8_t node : options.drive.otherNodes)
        std::cerr << ',' << int{node};
    std::cerr << ", " << options.drive.lineSpeed << " baud, "
              << (options.drive.paced ? "paced" : "instant") << ", " << catalogue.parameters.size()
              << " catalogue parameters; type help for commands\n";

    std::string buffer;
    bool stdinOpen = true;
    for (;;) {
        pollfd fds[2] = {{signals, POLLIN, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[0].revents & POLLIN)
            break;
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            char chunk[512];
            const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (n <= 0) {
                stdinOpen = false; // no console (or it closed): serve until a signal
                continue;
            }
            buffer.append(chunk, static_cast<std::size_t>(n));
            if (!runLines(drive, buffer))
                break;
        }
    }
    drive.stop();
    ::close(signals);
    std::cerr << "m9sim: stopped\n";
    return 0;
}
