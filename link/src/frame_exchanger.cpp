#include "frame_exchanger.h"

#include "crc16.h"
#include "vq_communication.h"

#include <algorithm>
#include <cstring>

namespace vq::link {

using namespace vq::modbus;

unsigned turnaroundForBaud(unsigned baud, unsigned current)
{
    switch (baud) {
    case 9600: return 30;
    case 19200:
    case 38400:
    case 57600: return 0;
    default: return current;
    }
}

FrameExchanger::FrameExchanger(BytePipe &pipe, Sleeper &sleeper, std::function<void()> activity)
    : pipe_(pipe), sleeper_(sleeper), activity_(std::move(activity))
{
}

void FrameExchanger::clearBuffers()
{
    tx_.fill(0);
    rx_.fill(0);
}

void FrameExchanger::sendFrame(const std::uint8_t *bytes, int length)
{
    if (activity_)
        activity_();
    pipe_.purge(); // a late reply to an earlier request is thrown away here
    sleeper_.sleepMs(LineTiming::kBeforeSend);
    // A refused write is not a failure of the send: a lost request shows up
    // as a missing reply.
    (void)pipe_.write(bytes, length);
}

ReceiveResult FrameExchanger::receiveReply(int expectedLength)
{
    sleeper_.sleepMs(LineTiming::kBeforeFirstPoll);
    if (activity_)
        activity_();

    const int capacity = static_cast<int>(rx_.size());
    expectedLength = std::clamp(expectedLength, 0, capacity);
    int received = 0;
    int target = -1;
    int emptyPolls = 0;
    for (;;) {
        const int queued = pipe_.waiting();
        if (queued < 0)
            return {false, VQ_STATUS_FAILED_READ, received};
        sleeper_.sleepMs(LineTiming::kPerPoll);
        if (queued == 0 || queued >= LineTiming::kBusyQueue) {
            sleeper_.sleepMs(LineTiming::kPerEmptyPoll);
            if (++emptyPolls >= LineTiming::kEmptyPollLimit)
                return {true, VQ_STATUS_FAILED_READ, received};
            continue;
        }
        // Never read past the buffer, whatever the drive keeps sending.
        const int room = std::min(LineTiming::kMaxChunk, capacity - received);
        const int n = room > 0 ? pipe_.read(rx_.data() + received, room) : 0;
        if (n < 0)
            return {false, VQ_STATUS_FAILED_READ, received};
        received += n;
        if (target < 0 && received >= 2)
            target = (rx_[1] & kExceptionBit) ? kExceptionReplyLength : expectedLength;
        if ((target >= 0 && received >= target) || received >= capacity)
            return {true, 0, received};
        emptyPolls = 0;
    }
}

ExchangeResult FrameExchanger::finish(Kind kind, const ReceiveResult &received,
                                      int expectedLength, std::uint8_t *destination,
                                      int capacity)
{
    ExchangeResult out;
    const int length = received.length;
    const int tooShort = kind == Kind::Scattered ? 5 : 4;
    const int writeResult = kWriteReplyLength;

    if (!received.completed) {
        out = {0, received.status};
    } else if (length <= tooShort) {
        out = {kind == Kind::Write ? writeResult : 0, VQ_STATUS_NO_REPLY};
    } else if (rx_[0] != tx_[0]) {
        out = {0, VQ_STATUS_NODE_MISMATCH};
    } else if (rx_[1] & kExceptionBit) {
        if (!crcMatches(rx_.data(), kExceptionReplyLength))
            out = {0, VQ_STATUS_FAILED_READ};
        else {
            const std::uint8_t code = rx_[2];
            const bool traceNotReady = tx_[1] == kTraceRead && code == 5;
            out = {traceNotReady ? 2 : 0, code};
        }
    } else if (received.status == 0 && !crcMatches(rx_.data(), std::min(length, expectedLength))) {
        // A garbled reply is not data: report a failed read so that the
        // attempt loop asks again.
        out = {0, VQ_STATUS_FAILED_READ};
    } else if (kind == Kind::Write) {
        out = {writeResult, received.status};
    } else {
        // Only the frame the request asked for counts; bytes beyond it are
        // line noise and never reach the caller's buffer.
        const int frameLength = std::min(length, expectedLength);
        const int first = rx_[1] == kTraceRead ? 2 : 3;
        const int count = std::clamp(frameLength - 2 - first, 0, capacity);
        if (count > 0)
            std::memcpy(destination, rx_.data() + first, static_cast<std::size_t>(count));
        out = {count, received.status};
    }
    clearBuffers();
    return out;
}

ExchangeResult FrameExchanger::readRegisters(std::uint16_t start, int count,
                                             std::uint8_t *destination)
{
    std::fill_n(tx_.begin(), 64, 0);
    const int length =
        static_cast<int>(buildReadRequest(tx_.data(), node_, start, static_cast<std::uint8_t>(count)));
    const int expected = readReplyLength(count);
    sendFrame(tx_.data(), length);
    sleeper_.sleepMs(turnaroundMs_);
    return finish(Kind::Read, receiveReply(expected), expected, destination, 2 * count);
}

ExchangeResult FrameExchanger::readTrace(std::uint8_t mode, int blocks, std::uint8_t *destination)
{
    std::fill_n(tx_.begin(), 64, 0);
    const int length = static_cast<int>(buildTraceRequest(tx_.data(), node_, mode));
    const int expected = traceReplyLength(mode, blocks);
    sendFrame(tx_.data(), length);
    sleeper_.sleepMs(turnaroundMs_);
    return finish(Kind::Read, receiveReply(expected), expected, destination, expected - 4);
}

ExchangeResult FrameExchanger::writeSingle(std::uint16_t address, std::uint16_t value)
{
    std::fill_n(tx_.begin(), 64, 0);
    const int length = static_cast<int>(buildWriteSingleRequest(tx_.data(), node_, address, value));
    sendFrame(tx_.data(), length);
    sleeper_.sleepMs(turnaroundMs_);
    return finish(Kind::Write, receiveReply(kWriteReplyLength), kWriteReplyLength, nullptr, 0);
}

ExchangeResult FrameExchanger::writeMultiple(std::uint16_t start, const std::uint16_t *values,
                                             int count)
{
    std::fill_n(tx_.begin(), 64, 0);
    const int length =
        static_cast<int>(buildWriteMultipleRequest(tx_.data(), node_, start, values, count));
    sendFrame(tx_.data(), length);
    sleeper_.sleepMs(turnaroundMs_);
    return finish(Kind::Write, receiveReply(kWriteReplyLength), kWriteReplyLength, nullptr, 0);
}

ExchangeResult FrameExchanger::scatteredRead(const std::uint16_t *addresses, int byteCount,
                                             std::uint8_t *destination)
{
    std::fill_n(tx_.begin(), 64, 0);
    const int length =
        static_cast<int>(buildScatteredRequest(tx_.data(), node_, addresses, byteCount));
    const int expected = scatteredReplyLength(byteCount);
    sendFrame(tx_.data(), length);
    sleeper_.sleepMs(LineTiming::kScatteredExtra);
    sleeper_.sleepMs(turnaroundMs_);
    return finish(Kind::Scattered, receiveReply(expected), expected, destination, byteCount);
}

} // namespace vq::link
