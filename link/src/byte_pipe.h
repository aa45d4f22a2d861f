// The operations the frame protocol needs of a serial line, plus the purge
// that every exchange starts with. The serial port implements it over
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

    // Waits until what was written has left the driver's transmit queue, or
    // `limitMs` has passed.
    virtual void waitUntilSent(unsigned limitMs) = 0;

    // Waits up to `timeoutMs` for input: 1 when bytes are waiting, 0 when
    // none came in time, -1 when the line cannot be asked.
    virtual int waitReadable(unsigned timeoutMs) = 0;

    // Throws away everything queued in both directions.
    virtual void purge() = 0;
};

// Fixed waits of the protocol go through this so that tests can run them on
// a virtual clock.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void sleepMs(unsigned milliseconds) = 0;
    virtual void sleepUs(long long microseconds)
    {
        if (microseconds > 0)
            sleepMs(static_cast<unsigned>((microseconds + 999) / 1000));
    }
    // A monotonic time in microseconds, for the deadlines of an exchange.
    virtual long long nowUs() = 0;
};

class RealSleeper final : public Sleeper {
public:
    void sleepMs(unsigned milliseconds) override;
    void sleepUs(long long microseconds) override;
    long long nowUs() override;
};

} // namespace vq::link
