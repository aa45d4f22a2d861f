// The line a device string names: a serial device path, or a serial device
// server's "tcp://HOST:PORT" / "rfc2217://HOST:PORT". Both the drive link
// and the upgrader open their port through this, so an address works
// wherever a port is named.
#pragma once

#include "link/network_line.h"
#include "link/serial_port.h"

#include <atomic>
#include <string>

namespace vq::link {

class DeviceLine final : public BytePipe {
public:
    // Opens the device at `baud` (a network line sets it through RFC 2217,
    // or leaves it to the server with raw TCP). False with lastError() set;
    // EINVAL for a malformed address.
    bool open(const std::string &device, unsigned baud,
              SerialPort::ModemLines lines = SerialPort::ModemLines::HeldOn);
    void close();
    bool isOpen() const;
    int lastError() const;
    bool lowLatency() const;
    // Throws away what has arrived; bytes on their way out stay.
    void discardInput();

    int waiting() override;
    int read(std::uint8_t *into, int max) override;
    bool write(const std::uint8_t *bytes, int length) override;
    void waitUntilSent(unsigned limitMs) override;
    int waitReadable(unsigned timeoutMs) override;
    void purge() override;

private:
    BytePipe &active();

    SerialPort serial_;
    NetworkLine network_;
    // Which of the two the last open chose; changed only while both are closed.
    std::atomic<bool> networked_{false};
    std::atomic<int> addressError_{0};
};

} // namespace vq::link
