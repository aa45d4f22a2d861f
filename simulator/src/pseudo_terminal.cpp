#include "simulator/src/pseudo_terminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace vq::sim {
namespace {

long long nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1'000'000'000LL + ts.tv_nsec;
}

void sleepUntilNs(long long deadline)
{
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(deadline / 1'000'000'000LL);
    ts.tv_nsec = static_cast<long>(deadline % 1'000'000'000LL);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

std::string folderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Nobody but this user (and root) can put another file under a name in the
// folder: it is ours and closed to others, or a shared folder with the
// sticky bit (like /tmp), where a name once taken stays its owner's.
bool folderOnlyWeChange(const std::string &folder)
{
    struct stat st{};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    if (st.st_uid != ::geteuid() && st.st_uid != 0)
        return false;
    return (st.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (st.st_mode & S_ISVTX) != 0;
}

// A symbolic link this user owns whose target starts with `target` (the
// whole device path, or the pseudo-terminal folder).
bool isLinkOfOurs(const std::string &path, const std::string &target)
{
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    char text[256] = {};
    const ssize_t n = ::readlink(path.c_str(), text, sizeof text - 1);
    if (n <= 0)
        return false;
    const std::string points(text, static_cast<std::size_t>(n));
    return target.back() == '/' ? points.rfind(target, 0) == 0 : points == target;
}

} // namespace

PseudoTerminal::PseudoTerminal()
{
    const int fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (grantpt(fd) != 0 || unlockpt(fd) != 0) {
        ::close(fd);
        return;
    }
    char name[128] = {};
    if (ptsname_r(fd, name, sizeof name) != 0) {
        ::close(fd);
        return;
    }
    // A raw line: no echo, no translation of CR and LF, no signals.
    termios tio{};
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
    master_ = fd;
    devicePath_ = name;
    slaveKeeper_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

PseudoTerminal::~PseudoTerminal()
{
    // Another run may have taken the name over since; leave its link.
    if (!linkPath_.empty() && isLinkOfOurs(linkPath_, devicePath_))
        ::unlink(linkPath_.c_str());
    if (slaveKeeper_ >= 0)
        ::close(slaveKeeper_);
    if (master_ >= 0)
        ::close(master_);
}

bool PseudoTerminal::linkAt(const std::string &path, std::string &error)
{
    const std::string folder = folderOf(path);
    if (!folderOnlyWeChange(folder)) {
        error = "will not link " + path + ": the folder " + folder +
                " may be changed by another user (use a folder of your own)";
        return false;
    }
    struct stat st{};
    const bool exists = ::lstat(path.c_str(), &st) == 0;
    if (exists && !isLinkOfOurs(path, "/dev/pts/")) {
        error = "will not replace " + path +
                ": it is not a link of this user to a pseudo-terminal (left as it is)";
        return false;
    }
    // A link of an earlier run is replaced in one step: the name never
    // stands free for someone else to take.
    const std::string made = exists ? path + ".new-" + std::to_string(::getpid()) : path;
    if (::symlink(devicePath_.c_str(), made.c_str()) != 0 ||
        (exists && ::rename(made.c_str(), path.c_str()) != 0)) {
        error = "cannot make " + path + " a link to " + devicePath_ + ": " + std::strerror(errno);
        if (exists)
            ::unlink(made.c_str());
        return false;
    }
    if (!isLinkOfOurs(path, devicePath_)) {
        error = "cannot make " + path + " a link to " + devicePath_ + ": it was changed meanwhile";
        return false;
    }
    linkPath_ = path;
    return true;
}

int PseudoTerminal::read(std::uint8_t *into, std::size_t max, int timeoutMs)
{
    if (master_ < 0)
        return -1;
    pollfd p{master_, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready < 0)
        return errno == EINTR ? 0 : -1;
    if (ready == 0 || !(p.revents & POLLIN))
        return 0;
    const ssize_t n = ::read(master_, into, max);
    if (n < 0)
        return (errno == EAGAIN || errno == EINTR || errno == EIO) ? 0 : -1;
    return static_cast<int>(n);
}

bool PseudoTerminal::write(const std::uint8_t *bytes, std::size_t length)
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(master_, bytes + done, length - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool PseudoTerminal::writePaced(const std::uint8_t *bytes, std::size_t length, unsigned baud)
{
    if (baud == 0)
        return write(bytes, length);
    const long long perByte = byteTimeNs(baud);
    const long long start = nowNs();
    std::size_t sent = 0;
    while (sent < length) {
        // A byte is on the wire once its ten bit times have passed; send
        // every byte that is due, then sleep until the next one is.
        const long long elapsed = nowNs() - start;
        std::size_t due = static_cast<std::size_t>(elapsed / perByte);
        if (due > length)
            due = length;
        if (due > sent) {
            if (!write(bytes + sent, due - sent))
                return false;
            sent = due;
        }
        if (sent < length)
            sleepUntilNs(start + static_cast<long long>(sent + 1) * perByte);
    }
    return true;
}

unsigned PseudoTerminal::clientBaud() const
{
    termios tio{};
    if (master_ < 0 || tcgetattr(master_, &tio) != 0)
        return 0;
    switch (cfgetospeed(&tio)) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return 0;
    }
}

void PseudoTerminal::discardInput()
{
    if (master_ >= 0)
        tcflush(master_, TCIFLUSH);
}

} // namespace vq::sim
