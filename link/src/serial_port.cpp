#include "link/serial_port.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace vq::link {

void RealSleeper::sleepMs(unsigned milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void RealSleeper::sleepUs(long long microseconds)
{
    if (microseconds > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

long long RealSleeper::nowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool requestLowLatency(int fd)
{
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) != 0)
        return false; // not a serial driver with such a setting (a pseudo-terminal, say)
    if (serial.flags & ASYNC_LOW_LATENCY)
        return true;
    serial.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(fd, TIOCSSERIAL, &serial) == 0;
}

void releaseAndClose(int fd)
{
    // The exclusive flag belongs to the terminal, not to the descriptor: a
    // pseudo-terminal whose other end stays open would keep it after the
    // close, and the next open by a normal user would find the port busy.
    ::ioctl(fd, TIOCNXCL);
    ::close(fd); // releases the advisory lock
}

bool baudToSpeed(unsigned baud, unsigned &speed)
{
    switch (baud) {
    case 1200: speed = B1200; return true;
    case 2400: speed = B2400; return true;
    case 4800: speed = B4800; return true;
    case 9600: speed = B9600; return true;
    case 19200: speed = B19200; return true;
    case 38400: speed = B38400; return true;
    case 57600: speed = B57600; return true;
    case 115200: speed = B115200; return true;
    case 230400: speed = B230400; return true;
    default: return false;
    }
}

SerialPort::~SerialPort() { close(); }

bool SerialPort::isOpen() const
{
    std::lock_guard lock(mutex_);
    return fd_ >= 0;
}

bool SerialPort::lowLatency() const
{
    std::lock_guard lock(mutex_);
    return lowLatency_;
}

bool SerialPort::open(const std::string &device, unsigned baud, ModemLines lines)
{
    std::lock_guard lock(mutex_);
    if (fd_ >= 0)
        return true;
    unsigned speed = 0;
    if (!baudToSpeed(baud, speed)) {
        lastError_ = EINVAL;
        return false;
    }
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        lastError_ = errno;
        return false;
    }
    // Exclusive use. The advisory lock refuses a second opener whoever it
    // is (root passes the exclusive flag by); the flag keeps out programs
    // that take no lock. Both go with the descriptor at close.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        lastError_ = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return false;
    }
    ::ioctl(fd, TIOCEXCL);

    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        lastError_ = errno;
        releaseAndClose(fd);
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CREAD | CLOCAL | HUPCL;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP);
    tio.c_cc[VMIN] = 0; // a read returns at once with what is queued
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, static_cast<speed_t>(speed));
    ::cfsetospeed(&tio, static_cast<speed_t>(speed));
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        lastError_ = errno;
        releaseAndClose(fd);
        return false;
    }
    // DTR and RTS on or off as asked (a pseudo-terminal has no modem lines
    // and refuses this, which is harmless).
    int modem = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, lines == ModemLines::HeldOn ? TIOCMBIS : TIOCMBIC, &modem);
    lowLatency_ = requestLowLatency(fd);
    ::tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    lastError_ = 0;
    return true;
}

void SerialPort::close()
{
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return;
    int dtr = TIOCM_DTR;
    ::ioctl(fd_, TIOCMBIC, &dtr);
    ::tcflush(fd_, TCIOFLUSH);
    releaseAndClose(fd_);
    fd_ = -1;
}

int SerialPort::waiting()
{
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return -1;
    int count = 0;
    if (::ioctl(fd_, FIONREAD, &count) != 0)
        return -1;
    return count;
}

int SerialPort::read(std::uint8_t *into, int max)
{
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return -1;
    if (max <= 0)
        return 0;
    const ssize_t n = ::read(fd_, into, static_cast<size_t>(max));
    if (n < 0)
        return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
    return static_cast<int>(n);
}

bool SerialPort::write(const std::uint8_t *bytes, int length)
{
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return false;
    int done = 0;
    // The driver queue takes a frame at once; the bounded wait only covers a
    // momentarily full queue so that a stuck line can never hang the caller.
    for (int stalls = 0; done < length && stalls < 50;) {
        const ssize_t n = ::write(fd_, bytes + done, static_cast<size_t>(length - done));
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 2);
        ++stalls;
    }
    return done == length;
}

void SerialPort::waitUntilSent(unsigned limitMs)
{
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return;
    // tcdrain alone could wait for ever on a driver whose queue never
    // empties; the queue is watched against the limit first, and tcdrain
    // then only waits for the driver's own short hold-back (an adapter's
    // FIFO), which the driver bounds itself.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        int queued = 0;
        if (::ioctl(fd_, TIOCOUTQ, &queued) != 0)
            return;
        if (queued <= 0)
            break;
        if (std::chrono::steady_clock::now() >= end)
            return;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    ::tcdrain(fd_);
}

int SerialPort::waitReadable(unsigned timeoutMs)
{
    int fd = -1;
    {
        std::lock_guard lock(mutex_);
        fd = fd_;
    }
    if (fd < 0)
        return -1;
    // Waiting without the lock lets a close from another thread go ahead;
    // the count is then asked again under the lock.
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(timeoutMs));
    if (ready < 0 && errno != EINTR)
        return -1;
    if (ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) && !(p.revents & POLLIN))
        return -1; // the device went away
    const int queued = waiting();
    if (queued < 0)
        return -1;
    return queued > 0 ? 1 : 0;
}

void SerialPort::discardInput()
{
    std::lock_guard lock(mutex_);
    if (fd_ >= 0)
        ::tcflush(fd_, TCIFLUSH);
}

void SerialPort::purge()
{
    std::lock_guard lock(mutex_);
    if (fd_ >= 0)
        ::tcflush(fd_, TCIOFLUSH);
}

} // namespace vq::link
