// The upgrader's own serial link to the drive: the shared port layer (a
// serial device or a serial device server's address) opened with DTR and
// RTS off, every write preceded by a purge of what has
// arrived, reads that return at once with what is queued.
#pragma once

#include "link/device_line.h"

#include <cstdint>
#include <string>
#include <vector>

namespace upgrader {

class BootPort {
public:
    void setPortName(const std::string &device) { portName_ = device; }
    const std::string &portName() const { return portName_; }
    void setStation(std::uint8_t station) { station_ = station; }
    std::uint8_t station() const { return station_; }

    bool open(unsigned baud);
    void close() { port_.close(); }
    bool isOpen() const { return port_.isOpen(); }
    int lastError() const { return port_.lastError(); }

    // Discards what has arrived, then writes all bytes.
    bool send(const std::uint8_t *bytes, std::size_t length);
    bool send(std::initializer_list<std::uint8_t> bytes);
    // What is queued, at most `max` bytes; -1 when the line failed.
    int readQueued(std::uint8_t *into, int max);

private:
    vq::link::DeviceLine port_;
    std::string portName_ = "/dev/ttyS0"; // COM1
    std::uint8_t station_ = 0;
};

} // namespace upgrader
