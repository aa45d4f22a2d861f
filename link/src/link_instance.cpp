#include "link/src/link_instance.h"

#include <cstdint>

#include <unistd.h>

namespace vq::link {

LinkInstance::LinkInstance() : exchanger_(port_, sleeper_, [this] { signalActivity(); }) {}

std::string LinkInstance::deviceForPortNumber(std::uint32_t port)
{
    if (port < 1)
        return "/dev/null/no-such-port"; // COM0 does not exist; the open fails
    return "/dev/ttyS" + std::to_string(port - 1);
}

void LinkInstance::configure(std::uint8_t node, const std::string &device, unsigned baud,
                             VQEventHandle event)
{
    std::lock_guard lock(settingsMutex_);
    if (device != device_)
        exchanger_.forgetOwedReplies(); // another line owes nothing
    device_ = device;
    baud_ = baud;
    turnaroundMs_ = turnaroundForBaud(baud, turnaroundMs_);
    exchanger_.setNode(node);
    exchanger_.setTurnaround(turnaroundMs_);
    exchanger_.setBaud(baud);
    setEvent(event);
}

void LinkInstance::setEvent(VQEventHandle event)
{
    if (event >= 0)
        event_.store(event);
}

bool LinkInstance::openPort()
{
    if (port_.isOpen())
        return true;
    std::string device;
    unsigned baud = 0;
    {
        std::lock_guard lock(settingsMutex_);
        device = device_;
        baud = baud_;
    }
    if (!port_.open(device, baud)) {
        closePort();
        return false;
    }
    return true;
}

void LinkInstance::closePort()
{
    port_.close();
    event_.store(VQ_NO_EVENT); // a later open without a new event runs without heartbeat
}

void LinkInstance::signalActivity() const
{
    const VQEventHandle fd = event_.load();
    if (fd < 0)
        return;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
}

} // namespace vq::link
