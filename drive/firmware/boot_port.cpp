#include "drive/firmware/boot_port.h"

namespace upgrader {

bool BootPort::open(unsigned baud)
{
    return port_.open(portName_, baud, vq::link::SerialPort::ModemLines::Off);
}

bool BootPort::send(const std::uint8_t *bytes, std::size_t length)
{
    // Stale answers are thrown away before every write; the bytes of the
    // previous write are not, or the three single handshake bytes in a row
    // could swallow each other before they reach the line.
    port_.discardInput();
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
