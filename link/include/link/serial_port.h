// POSIX serial port: raw 8N1, no flow control, exclusive use, reads that
// return at once with whatever is queued. The drive link holds DTR and RTS on
// while the port is open; the firmware upgrader keeps them off. USB serial
// adapters are asked for their low-latency mode at open, so that a reply is
// handed over as it arrives instead of after the adapter's latency timer.
#pragma once

#include "link/src/byte_pipe.h"

#include <mutex>
#include <string>

namespace vq::link {

class SerialPort final : public BytePipe {
public:
    SerialPort() = default;
    ~SerialPort() override;
    SerialPort(const SerialPort &) = delete;
    SerialPort &operator=(const SerialPort &) = delete;

    enum class ModemLines { HeldOn, Off };

    // Opens and configures the device. Returns false (with lastError() set to
    // the errno) when it cannot be opened or the line settings are refused;
    // EBUSY when another program holds the port.
    bool open(const std::string &device, unsigned baud, ModemLines lines = ModemLines::HeldOn);
    // Clears DTR, purges both queues and closes; safe when already closed.
    void close();
    bool isOpen() const;
    int lastError() const { return lastError_; }
    // Whether the driver took the low-latency request at the last open (a
    // device that refuses it still opens).
    bool lowLatency() const;

    int waiting() override;
    int read(std::uint8_t *into, int max) override;
    bool write(const std::uint8_t *bytes, int length) override;
    void waitUntilSent(unsigned limitMs) override;
    int waitReadable(unsigned timeoutMs) override;
    void purge() override;
    // Throws away only what has arrived; bytes still on their way out stay.
    void discardInput();

private:
    // Guards the descriptor so that closing from one thread while another is
    // inside an exchange can never act on a reused descriptor number.
    mutable std::mutex mutex_;
    int fd_ = -1;
    int lastError_ = 0;
    bool lowLatency_ = false;
};

// Asks the driver of an open serial device for its low-latency mode; false
// when the driver has no such setting or refuses it.
bool requestLowLatency(int fd);

// Clears the exclusive flag set at open and closes the descriptor.
void releaseAndClose(int fd);

// termios speed constant for a baud rate; false for rates the port cannot set.
bool baudToSpeed(unsigned baud, unsigned &speed);

} // namespace vq::link
