// The drive's end of a pseudo-terminal: the program under test opens the
// slave device as if it were a serial port, the virtual drive reads requests
// from and writes replies to the master side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vq::sim {

class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return master_ >= 0; }
    // The device path a client opens, for example /dev/pts/3.
    const std::string &devicePath() const { return devicePath_; }
    // Makes `path` a symbolic link to the device so that users can type one
    // port name. Only a link this user made to a pseudo-terminal (one left
    // by an earlier run) is replaced; anything else there, or a folder that
    // another user may change, is refused with `error` set, the file left as
    // it is. Removed on destruction if it is still this device's link.
    bool linkAt(const std::string &path, std::string &error);

    // Waits at most timeoutMs for bytes and reads what is there (up to max).
    // Returns the count, 0 on time-out, -1 on failure.
    int read(std::uint8_t *into, std::size_t max, int timeoutMs);
    // Writes all bytes at once.
    bool write(const std::uint8_t *bytes, std::size_t length);
    // Writes the bytes as a serial line at `baud` would deliver them: each
    // byte takes ten bit times (start, eight data bits, stop).
    bool writePaced(const std::uint8_t *bytes, std::size_t length, unsigned baud);
    // Discards whatever the client has sent and the drive has not read yet.
    void discardInput();

    // The line speed the client has set on its end (the slave's termios,
    // which the master reports), in bit/s; 0 when it cannot be told.
    unsigned clientBaud() const;

    int masterFd() const { return master_; }

private:
    int master_ = -1;
    int slaveKeeper_ = -1; // keeps the slave side open so the master never sees a hang-up
    std::string devicePath_;
    std::string linkPath_;
};

// Ten bit times per byte at `baud`, in nanoseconds.
constexpr long long byteTimeNs(unsigned baud) { return 10'000'000'000LL / baud; }

} // namespace vq::sim
