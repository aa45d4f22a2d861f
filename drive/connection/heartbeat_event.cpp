#include "drive/connection/heartbeat_event.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace tarvex {

HeartbeatEvent::HeartbeatEvent() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (fd_ < 0)
        fd_ = VQ_NO_EVENT;
}

HeartbeatEvent::~HeartbeatEvent()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool HeartbeatEvent::wait(std::chrono::milliseconds timeout) const
{
    if (fd_ < 0)
        return false;
    pollfd waiting{fd_, POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&waiting, 1, static_cast<int>(timeout.count()));
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return false;
    std::uint64_t count = 0;
    return ::read(fd_, &count, sizeof count) == static_cast<ssize_t>(sizeof count);
}

void HeartbeatEvent::signal() const
{
    if (fd_ < 0)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
}

} // namespace tarvex
