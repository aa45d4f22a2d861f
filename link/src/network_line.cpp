#include "link/network_line.h"

#include "link/src/telnet_codec.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vq::link {

namespace {

// More than a few frames waiting is noise; the rest stays in the socket.
constexpr std::size_t kInputLimit = 4096;
constexpr std::size_t kChunk = 512;

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point end)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

NetworkLine::NetworkLine() : scratch_(kChunk) {}

NetworkLine::~NetworkLine() { close(); }

bool NetworkLine::isOpen() const
{
    std::lock_guard lock(mutex_);
    return fd_ >= 0;
}

bool NetworkLine::open(const NetworkAddress &address, unsigned baud)
{
    std::lock_guard lock(mutex_);
    if (fd_ >= 0)
        return true;
    input_.clear();
    lost_ = false;
    telnet_.reset();
    if (!connectTo(address))
        return false;
    if (address.protocol == NetworkProtocol::Rfc2217) {
        telnet_ = std::make_unique<TelnetCodec>();
        if (!settleLineSettings(baud)) {
            closeSocket();
            return false;
        }
    }
    lastError_ = 0;
    return true;
}

bool NetworkLine::connectTo(const NetworkAddress &address)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const std::string service = std::to_string(address.port);
    if (::getaddrinfo(address.host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
        lastError_ = ENXIO;
        return false;
    }
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(kConnectLimitMs);
    lastError_ = ECONNREFUSED;
    for (addrinfo *a = found; a && fd_ < 0; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastError_ = errno;
            continue;
        }
        int error = 0;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            error = errno;
            if (error == EINPROGRESS) {
                pollfd p{fd, POLLOUT, 0};
                const int ready = ::poll(&p, 1, msLeft(end));
                socklen_t size = sizeof error;
                if (ready <= 0)
                    error = ETIMEDOUT;
                else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
                    error = errno;
            }
        }
        if (error != 0) {
            lastError_ = error;
            ::close(fd);
            continue;
        }
        // Frames are small and each waits for its answer: send at once.
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
        fd_ = fd;
    }
    ::freeaddrinfo(found);
    return fd_ >= 0;
}

bool NetworkLine::settleLineSettings(unsigned baud)
{
    const std::vector<std::uint8_t> opening = TelnetCodec::opening(baud);
    if (!sendAll(opening.data(), opening.size())) {
        lastError_ = lost_ ? ECONNRESET : errno;
        return false;
    }
    // The first request must not go out before the line runs at its rate.
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(kSettingsLimitMs);
    for (;;) {
        if (!pull()) {
            lastError_ = ECONNRESET;
            return false;
        }
        if (telnet_->comPortRefused()) {
            lastError_ = EPROTONOSUPPORT;
            return false;
        }
        if (telnet_->confirmedBaud() != 0)
            break;
        const int left = msLeft(end);
        if (left == 0) {
            lastError_ = ETIMEDOUT;
            return false;
        }
        pollfd p{fd_, POLLIN, 0};
        ::poll(&p, 1, left);
    }
    input_.clear(); // whatever came before the line was set is not a reply
    return true;
}

void NetworkLine::closeSocket()
{
    if (fd_ >= 0) {
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
    }
    fd_ = -1;
    input_.clear();
}

void NetworkLine::close()
{
    std::lock_guard lock(mutex_);
    closeSocket();
}

bool NetworkLine::pull()
{
    if (lost_)
        return false;
    std::vector<std::uint8_t> answers;
    while (input_.size() < kInputLimit) {
        const ssize_t n = ::recv(fd_, scratch_.data(), scratch_.size(), MSG_DONTWAIT);
        if (n == 0) {
            lost_ = true; // the server closed its end
            break;
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                lost_ = true; // reset, or the network gone
            break;
        }
        if (telnet_)
            telnet_->take(scratch_.data(), static_cast<int>(n), input_, answers);
        else
            input_.insert(input_.end(), scratch_.begin(), scratch_.begin() + n);
    }
    if (!answers.empty() && !lost_)
        sendAll(answers.data(), answers.size());
    return !lost_;
}

bool NetworkLine::sendAll(const std::uint8_t *bytes, std::size_t length)
{
    std::size_t done = 0;
    // A frame fits the socket's buffer at once; the bounded wait only covers
    // a momentarily full one, so a stalled server never hangs the caller.
    for (int stalls = 0; done < length && stalls < 50;) {
        const ssize_t n = ::send(fd_, bytes + done, length - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            lost_ = true;
            return false;
        }
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 2);
        ++stalls;
    }
    return done == length;
}

int NetworkLine::waiting()
{
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return -1;
    pull();
    // A reply that came whole before the server went away still counts.
    if (input_.empty() && lost_)
        return -1;
    return static_cast<int>(input_.size());
}

int NetworkLine::read(std::uint8_t *into, int max)
{
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return -1;
    if (max <= 0)
        return 0;
    pull();
    if (input_.empty())
        return lost_ ? -1 : 0;
    const auto n = std::min<std::size_t>(input_.size(), static_cast<std::size_t>(max));
    std::copy_n(input_.begin(), n, into);
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
    return static_cast<int>(n);
}

bool NetworkLine::write(const std::uint8_t *bytes, int length)
{
    std::lock_guard lock(mutex_);
    if (fd_ < 0 || lost_ || length < 0)
        return false;
    if (!telnet_)
        return sendAll(bytes, static_cast<std::size_t>(length));
    std::vector<std::uint8_t> escaped;
    escaped.reserve(static_cast<std::size_t>(length) * 2);
    TelnetCodec::escape(bytes, length, escaped);
    return sendAll(escaped.data(), escaped.size());
}

void NetworkLine::waitUntilSent(unsigned limitMs)
{
    // The bytes are on their way once the peer has them; the serial line
    // behind the server is paced by the caller from the line's rate.
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (fd_ < 0 || lost_)
                return;
            int unsent = 0;
            if (::ioctl(fd_, SIOCOUTQ, &unsent) != 0 || unsent <= 0)
                return;
        }
        if (Clock::now() >= end)
            return;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
}

int NetworkLine::waitReadable(unsigned timeoutMs)
{
    int fd = -1;
    {
        std::lock_guard lock(mutex_);
        if (fd_ < 0)
            return -1;
        if (!input_.empty())
            return 1;
        if (lost_)
            return -1;
        fd = fd_;
    }
    // Waiting without the lock lets a close from another thread go ahead;
    // the queue is then asked again under the lock.
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(timeoutMs));
    if (ready < 0 && errno != EINTR)
        return -1;
    const int queued = waiting();
    if (queued < 0)
        return -1;
    return queued > 0 ? 1 : 0;
}

void NetworkLine::purge()
{
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return;
    pull();
    input_.clear();
}

} // namespace vq::link
