// One request frame and one reply frame at a time with one drive: request
// building, the fixed waits of the line discipline, reply reception by
// polling, and validation into the link status values.
#pragma once

#include "byte_pipe.h"
#include "modbus_frame.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

namespace vq::link {

struct ExchangeResult {
    int result = 0;         // data bytes stored (reads) or 8/0 (writes)
    std::uint8_t status = 0; // link status value
};

struct ReceiveResult {
    bool completed = false;
    std::uint8_t status = 0;
    int length = 0;
};

// Waits of the line discipline, in milliseconds.
struct LineTiming {
    static constexpr unsigned kBeforeSend = 5;
    static constexpr unsigned kBeforeFirstPoll = 40;
    static constexpr unsigned kPerPoll = 5;
    static constexpr unsigned kPerEmptyPoll = 10;
    static constexpr int kEmptyPollLimit = 20;
    static constexpr unsigned kScatteredExtra = 50;
    static constexpr int kMaxChunk = 255;
    static constexpr int kBusyQueue = 1000; // a count this large is taken as noise
};

// Turnaround delay between the end of a send and the start of a receive for
// the rates the drive supports; other rates keep the current delay.
unsigned turnaroundForBaud(unsigned baud, unsigned current);

class FrameExchanger {
public:
    FrameExchanger(BytePipe &pipe, Sleeper &sleeper, std::function<void()> activity);

    void setNode(std::uint8_t node) { node_ = node; }
    void setTurnaround(unsigned ms) { turnaroundMs_ = ms; }

    // Function 0x03: `count` registers from `start` into `destination`
    // (2 x count bytes).
    ExchangeResult readRegisters(std::uint16_t start, int count, std::uint8_t *destination);
    // Function 0x64 in `mode` for `blocks` blocks; `destination` holds the
    // data bytes the mode returns (one for modes 1 and 4, 60 per block else).
    ExchangeResult readTrace(std::uint8_t mode, int blocks, std::uint8_t *destination);
    // Function 0x06.
    ExchangeResult writeSingle(std::uint16_t address, std::uint16_t value);
    // Function 0x10.
    ExchangeResult writeMultiple(std::uint16_t start, const std::uint16_t *values, int count);
    // Function 0x6A: byteCount / 2 addresses; `destination` holds byteCount bytes.
    ExchangeResult scatteredRead(const std::uint16_t *addresses, int byteCount,
                                 std::uint8_t *destination);

    // The two halves of an exchange, public for the tests of their timing.
    void sendFrame(const std::uint8_t *bytes, int length);
    ReceiveResult receiveReply(int expectedLength);
    const std::uint8_t *receiveBuffer() const { return rx_.data(); }

private:
    enum class Kind { Read, Write, Scattered };
    ExchangeResult finish(Kind kind, const ReceiveResult &received, int expectedLength,
                          std::uint8_t *destination, int capacity);
    void clearBuffers();

    BytePipe &pipe_;
    Sleeper &sleeper_;
    std::function<void()> activity_;
    // Settings may be changed from the user-interface thread while another
    // thread is between exchanges; they are read once per exchange.
    std::atomic<std::uint8_t> node_{0};
    std::atomic<unsigned> turnaroundMs_{0};
    std::array<std::uint8_t, modbus::kFrameBufferSize> tx_{};
    std::array<std::uint8_t, modbus::kFrameBufferSize> rx_{};
};

} // namespace vq::link
