#include "simulator/src/modbus_slave.h"

#include "link/crc16.h"
#include "link/modbus_frame.h"

#include <array>

namespace vq::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace vq::modbus;

constexpr std::uint8_t kIllegalFunction = 1;
constexpr std::uint8_t kIllegalValue = 3;
constexpr std::uint8_t kNotReady = 5;

Bytes finish(Bytes frame)
{
    const std::size_t body = frame.size();
    frame.resize(body + 2);
    appendCrc(frame.data(), body);
    return frame;
}

Bytes exception(std::uint8_t node, std::uint8_t function, std::uint8_t code)
{
    return finish({node, static_cast<std::uint8_t>(function | kExceptionBit), code});
}

Bytes registerReply(std::uint8_t node, std::uint8_t function, const std::uint16_t *values, int count)
{
    Bytes frame{node, function, static_cast<std::uint8_t>(2 * count)};
    frame.resize(3 + 2 * static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        putWord(frame.data() + 3 + 2 * i, values[i]);
    return finish(std::move(frame));
}

Bytes accessFailure(std::uint8_t node, std::uint8_t function, Access access)
{
    return exception(node, function, static_cast<std::uint8_t>(access));
}

Bytes readRegisters(const std::uint8_t *f, std::uint8_t node, DriveModel &drive)
{
    const std::uint16_t start = getWord(f + 2);
    const int count = getWord(f + 4);
    if (count < 1 || count > kMaxReadCount)
        return exception(node, kReadRegisters, kIllegalValue);
    std::array<std::uint16_t, kMaxReadCount> values{};
    const Access a = drive.read(start, count, values.data());
    if (a != Access::kOk)
        return accessFailure(node, kReadRegisters, a);
    return registerReply(node, kReadRegisters, values.data(), count);
}

Bytes writeSingle(const std::uint8_t *f, std::uint8_t node, DriveModel &drive)
{
    const std::uint16_t value = getWord(f + 4);
    const Access a = drive.write(getWord(f + 2), &value, 1);
    if (a != Access::kOk)
        return accessFailure(node, kWriteSingle, a);
    return finish(Bytes(f, f + 6)); // the echo of the request
}

Bytes writeMultiple(const std::uint8_t *f, std::uint8_t node, DriveModel &drive)
{
    const int count = getWord(f + 4);
    if (count < 1 || count > kMaxWriteCount || f[6] != 2 * count)
        return exception(node, kWriteMultiple, kIllegalValue);
    std::array<std::uint16_t, kMaxWriteCount> values{};
    for (int i = 0; i < count; ++i)
        values[static_cast<std::size_t>(i)] = getWord(f + 7 + 2 * i);
    const Access a = drive.write(getWord(f + 2), values.data(), count);
    if (a != Access::kOk)
        return accessFailure(node, kWriteMultiple, a);
    return finish(Bytes(f, f + 6)); // node, function, start, count
}

Bytes scatteredRead(const std::uint8_t *f, std::uint8_t node, DriveModel &drive)
{
    const int bytes = f[2];
    if (bytes < 2 || bytes % 2 != 0 || bytes > kMaxScatteredBytes)
        return exception(node, kScatteredRead, kIllegalValue);
    const int count = bytes / 2;
    std::array<std::uint16_t, kMaxScatteredBytes / 2> addresses{}, values{};
    for (int i = 0; i < count; ++i)
        addresses[static_cast<std::size_t>(i)] = getWord(f + 3 + 2 * i);
    const Access a = drive.readScattered(addresses.data(), count, values.data());
    if (a != Access::kOk)
        return accessFailure(node, kScatteredRead, a);
    return registerReply(node, kScatteredRead, values.data(), count);
}

Bytes traceRead(std::uint8_t mode, std::uint8_t node, DriveModel &drive)
{
    TraceRecorder &trace = drive.trace();
    switch (mode) {
    case 1:
        if (trace.queued() == 0)
            return exception(node, kTraceRead, kNotReady);
        return finish({node, kTraceRead, static_cast<std::uint8_t>(std::min<std::size_t>(trace.queued(), 255))});
    case 2:
    case 8: {
        const TraceRecorder::Block *block = trace.fetch();
        if (!block)
            return exception(node, kTraceRead, kNotReady);
        Bytes frame{node, kTraceRead};
        frame.resize(2 + 2 * block->size());
        for (std::size_t i = 0; i < block->size(); ++i)
            putWord(frame.data() + 2 + 2 * i, static_cast<std::uint16_t>((*block)[i]));
        return finish(std::move(frame));
    }
    case 4:
        trace.acknowledge();
        return finish({node, kTraceRead, static_cast<std::uint8_t>(std::min<std::size_t>(trace.queued(), 255))});
    default: return exception(node, kTraceRead, kIllegalValue);
    }
}

} // namespace

SlaveAnswer answerRequest(const std::uint8_t *frame, std::size_t length, std::uint8_t node,
                          DriveModel &drive)
{
    SlaveAnswer answer;
    if (length < 4) {
        answer.ignoredBecause = "frame too short";
        return answer;
    }
    if (frame[0] != node) {
        answer.ignoredBecause = "addressed to another node";
        return answer;
    }
    const std::uint8_t function = frame[1];
    if (function == kTraceRead && length == 5) {
        // Mode 8 carries its CRC over the first two bytes and a 0 behind it.
        // Such a frame always also passes as a three-byte request whose mode
        // is the CRC's low byte (the CRC of a frame followed by its own low
        // byte is its high byte), so the known modes are tried first.
        const std::uint8_t mode = frame[2];
        const bool knownMode = mode == 1 || mode == 2 || mode == 4;
        if (knownMode && crcMatches(frame, 5)) {
            answer.reply = traceRead(mode, node, drive);
        } else if (crcMatches(frame, 4) && frame[4] == 0) {
            answer.reply = traceRead(8, node, drive);
        } else if (crcMatches(frame, 5)) {
            answer.reply = traceRead(mode, node, drive);
        } else {
            answer.ignoredBecause = "bad CRC";
        }
        return answer;
    }
    if (!crcMatches(frame, length)) {
        answer.ignoredBecause = "bad CRC";
        return answer;
    }
    switch (function) {
    case kReadRegisters: answer.reply = readRegisters(frame, node, drive); break;
    case kWriteSingle: answer.reply = writeSingle(frame, node, drive); break;
    case kWriteMultiple: answer.reply = writeMultiple(frame, node, drive); break;
    case kScatteredRead: answer.reply = scatteredRead(frame, node, drive); break;
    case kBootRequest:
        answer.reply = finish({node, kBootRequest});
        answer.enterBootLoader = true;
        break;
    default: answer.reply = exception(node, function, kIllegalFunction); break;
    }
    return answer;
}

} // namespace vq::sim
