// POSIX serial port: raw 8N1, no flow control, exclusive use, reads that
// return at once with whatever is queued. The drive link holds DTR and RTS on
// while the port is open; the firmware upgrader keeps them off.
#pragma once

#include "byte_pipe.h"

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
    // the errno) when it cannot be opened or the line settings are refused.
    bool open(const std::string &device, unsigned baud, ModemLines lines = ModemLines::HeldOn);
    // Clears DTR, purges both queues and closes; safe when already closed.
    void close();
    bool isOpen() const;
    int lastError() const { return lastError_; }

    int waiting() override;
    int read(std::uint8_t *into, int max) override;
    bool write(const std::uint8_t *bytes, int length) override;
    void purge() override;
    // Throws away only what has arrived; bytes still on their way out stay.
    void discardInput();

private:
    // Guards the descriptor so that closing from one thread while another is
    // inside an exchange can never act on a reused descriptor number.
    mutable std::mutex mutex_;
    int fd_ = -1;
    int lastError_ = 0;
};

// termios speed constant for a baud rate; false for rates the port cannot set.
bool baudToSpeed(unsigned baud, unsigned &speed);

} // namespace vq::link
