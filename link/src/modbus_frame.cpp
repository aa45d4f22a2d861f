#include "link/modbus_frame.h"

#include "link/crc16.h"

namespace vq::modbus {

std::size_t buildReadRequest(std::uint8_t *out, std::uint8_t node, std::uint16_t start,
                             std::uint8_t count)
{
    out[0] = node;
    out[1] = kReadRegisters;
    putWord(out + 2, start);
    out[4] = 0x00; // counts above 255 are not expressible
    out[5] = count;
    return appendCrc(out, 6);
}

std::size_t buildWriteSingleRequest(std::uint8_t *out, std::uint8_t node, std::uint16_t address,
                                    std::uint16_t value)
{
    out[0] = node;
    out[1] = kWriteSingle;
    putWord(out + 2, address);
    putWord(out + 4, value);
    return appendCrc(out, 6);
}

std::size_t buildWriteMultipleRequest(std::uint8_t *out, std::uint8_t node, std::uint16_t start,
                                      const std::uint16_t *values, int count)
{
    out[0] = node;
    out[1] = kWriteMultiple;
    putWord(out + 2, start);
    putWord(out + 4, static_cast<std::uint16_t>(count));
    out[6] = static_cast<std::uint8_t>(2 * count);
    for (int i = 0; i < count; ++i)
        putWord(out + 7 + 2 * i, values[i]);
    return appendCrc(out, 7 + 2 * static_cast<std::size_t>(count));
}

std::size_t buildTraceRequest(std::uint8_t *out, std::uint8_t node, std::uint8_t mode)
{
    out[0] = node;
    out[1] = kTraceRead;
    if (mode == 8) {
        appendCrc(out, 2);
        out[4] = 0x00;
        return 5;
    }
    out[2] = mode;
    return appendCrc(out, 3);
}

std::size_t buildScatteredRequest(std::uint8_t *out, std::uint8_t node,
                                  const std::uint16_t *addresses, int byteCount)
{
    out[0] = node;
    out[1] = kScatteredRead;
    out[2] = static_cast<std::uint8_t>(byteCount);
    for (int i = 0; i < byteCount / 2; ++i)
        putWord(out + 3 + 2 * i, addresses[i]);
    return appendCrc(out, 3 + static_cast<std::size_t>(byteCount));
}

std::size_t buildBootRequest(std::uint8_t *out, std::uint8_t node)
{
    out[0] = node;
    out[1] = kBootRequest;
    return appendCrc(out, 2);
}

std::optional<std::size_t> requestLength(const std::uint8_t *bytes, std::size_t have)
{
    if (have < 2)
        return std::nullopt;
    switch (bytes[1]) {
    case kReadRegisters:
    case kWriteSingle:
        return 8;
    case kTraceRead:
        return 5;
    case kBootRequest:
        return 4;
    case kWriteMultiple:
        if (have < 7)
            return std::nullopt;
        return 9 + static_cast<std::size_t>(bytes[6]);
    case kScatteredRead:
        if (have < 3)
            return std::nullopt;
        return 5 + static_cast<std::size_t>(bytes[2]);
    default:
        return 0;
    }
}

} // namespace vq::modbus
