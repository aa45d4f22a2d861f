#include "pseudo_terminal.h"

#include <cerrno>
#include <cstdlib>
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
    if (!linkPath_.empty()) {
        // Another instance may have taken the name over since; leave its link.
        char target[256] = {};
        const ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
        if (n > 0 && devicePath_ == std::string(target, static_cast<std::size_t>(n)))
            ::unlink(linkPath_.c_str());
    }
    if (slaveKeeper_ >= 0)
        ::close(slaveKeeper_);
    if (master_ >= 0)
        ::close(master_);
}

bool PseudoTerminal::linkAt(const std::string &path)
{
    struct stat st{};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            return false; // never replace a real file or device
        ::unlink(path.c_str());
    }
    if (::symlink(devicePath_.c_str(), path.c_str()) != 0)
        return false;
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
