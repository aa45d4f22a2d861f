#include "boot_port.h"

namespace upgrader {

bool BootPort::open(unsigned baud)
{
    return port_.open(portName_, baud, vq::link::SerialPort::ModemLines::Off);
}

bool BootPort::send(const std::uint8_t *bytes, std::size_t length)
{
    port_.purge();
    return port_.write(bytes, static_cast<int>(length));
}

bool BootPort::send(std::initializer_list<std::uint8_t> bytes)
{
    return send(bytes.begin(), bytes.size());
}

int BootPort::readQueued(std::uint8_t *into, int max)
{
    return port_.read(into, max);
}

} // namespace upgrader
