// The three operations the frame protocol needs of a serial line, plus the
// purge that every exchange starts with. The serial port implements it over
// termios; tests implement it with scripted arrivals.
#pragma once

#include <cstdint>

namespace vq::link {

class BytePipe {
public:
    virtual ~BytePipe() = default;

    // Bytes waiting in the input queue, or -1 when the line cannot be asked
    // (port closed, device gone).
    virtual int waiting() = 0;

    // Reads what is queued, at most `max` bytes, without waiting. Returns the
    // count read (possibly 0) or -1 on failure.
    virtual int read(std::uint8_t *into, int max) = 0;

    // Writes a whole frame. False when the line refused it.
    virtual bool write(const std::uint8_t *bytes, int length) = 0;

    // Throws away everything queued in both directions.
    virtual void purge() = 0;
};

// Fixed waits of the protocol go through this so that tests can run them on
// a virtual clock.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void sleepMs(unsigned milliseconds) = 0;
};

class RealSleeper final : public Sleeper {
public:
    void sleepMs(unsigned milliseconds) override;
};

} // namespace vq::link
