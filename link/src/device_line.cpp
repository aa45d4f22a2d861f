#include "link/device_line.h"

#include <cerrno>

namespace vq::link {

bool DeviceLine::open(const std::string &device, unsigned baud, SerialPort::ModemLines lines)
{
    if (isOpen())
        return true;
    addressError_ = 0;
    if (!isNetworkDevice(device)) {
        networked_ = false;
        return serial_.open(device, baud, lines);
    }
    networked_ = true;
    std::string problem;
    const auto address = parseNetworkAddress(device, problem);
    if (!address) {
        addressError_ = EINVAL;
        return false;
    }
    return network_.open(*address, baud);
}

void DeviceLine::close()
{
    serial_.close();
    network_.close();
}

bool DeviceLine::isOpen() const { return serial_.isOpen() || network_.isOpen(); }

int DeviceLine::lastError() const
{
    if (addressError_ != 0)
        return addressError_;
    return networked_ ? network_.lastError() : serial_.lastError();
}

bool DeviceLine::lowLatency() const { return !networked_ && serial_.lowLatency(); }

void DeviceLine::discardInput()
{
    if (networked_)
        network_.purge(); // a socket has only its input to throw away
    else
        serial_.discardInput();
}

BytePipe &DeviceLine::active()
{
    if (networked_)
        return network_;
    return serial_;
}

int DeviceLine::waiting() { return active().waiting(); }
int DeviceLine::read(std::uint8_t *into, int max) { return active().read(into, max); }
bool DeviceLine::write(const std::uint8_t *bytes, int length) { return active().write(bytes, length); }
void DeviceLine::waitUntilSent(unsigned limitMs) { active().waitUntilSent(limitMs); }
int DeviceLine::waitReadable(unsigned timeoutMs) { return active().waitReadable(timeoutMs); }
void DeviceLine::purge() { active().purge(); }

} // namespace vq::link
