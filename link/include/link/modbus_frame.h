// Frame layouts of the drive's Modbus RTU dialect, shared by the link library
// (master side) and the virtual drive (slave side). All multi-byte fields are
// high byte first except the CRC, which is low byte first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace vq::modbus {

inline constexpr std::size_t kFrameBufferSize = 257;

enum Function : std::uint8_t {
    kReadRegisters = 0x03,
    kWriteSingle = 0x06,
    kWriteMultiple = 0x10,
    kTraceRead = 0x64,
    kBootRequest = 0x65,
    kScatteredRead = 0x6A,
};

inline constexpr std::uint8_t kExceptionBit = 0x80;

// Largest counts whose request and reply fit the 257-byte frame buffers.
inline constexpr int kMaxReadCount = 126;
inline constexpr int kMaxWriteCount = 124;
inline constexpr int kMaxScatteredBytes = 252;
inline constexpr int kMaxTraceBlocks = 4;
inline constexpr int kTraceBytesPerBlock = 60;

inline void putWord(std::uint8_t *at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value & 0xFFu);
}

inline std::uint16_t getWord(const std::uint8_t *at)
{
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

// Request builders: each writes a complete frame with its CRC into `out`
// (at least kFrameBufferSize bytes) and returns its length.
std::size_t buildReadRequest(std::uint8_t *out, std::uint8_t node, std::uint16_t start,
                             std::uint8_t count);
std::size_t buildWriteSingleRequest(std::uint8_t *out, std::uint8_t node, std::uint16_t address,
                                    std::uint16_t value);
std::size_t buildWriteMultipleRequest(std::uint8_t *out, std::uint8_t node, std::uint16_t start,
                                      const std::uint16_t *values, int count);
// The trace read is always five bytes; in mode 8 the CRC covers only the
// first two bytes and the fifth byte is 0.
std::size_t buildTraceRequest(std::uint8_t *out, std::uint8_t node, std::uint8_t mode);
std::size_t buildScatteredRequest(std::uint8_t *out, std::uint8_t node,
                                  const std::uint16_t *addresses, int byteCount);
std::size_t buildBootRequest(std::uint8_t *out, std::uint8_t node);

// Reply lengths the master expects.
inline constexpr int readReplyLength(int count) { return 5 + 2 * count; }
inline constexpr int traceReplyLength(std::uint8_t mode, int blocks)
{
    return (mode == 1 || mode == 4) ? 5 : 4 + kTraceBytesPerBlock * blocks;
}
inline constexpr int scatteredReplyLength(int byteCount) { return 5 + byteCount; }
inline constexpr int kWriteReplyLength = 8;
inline constexpr int kExceptionReplyLength = 5;

// Length of the request frame that starts in `bytes`, once enough of its
// header has arrived to tell; nullopt while more bytes are needed, 0 for a
// function this drive does not know (the frame length cannot be told).
std::optional<std::size_t> requestLength(const std::uint8_t *bytes, std::size_t have);

} // namespace vq::modbus
