// Request layouts and the CRC as they go on the wire.
#include "link/crc16.h"
#include "link/src/frame_exchanger.h"
#include "link/modbus_frame.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vq::modbus;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes frame(const std::uint8_t *bytes, std::size_t length) { return Bytes(bytes, bytes + length); }

} // namespace

TEST(Crc16, MatchesPublishedModbusExamples)
{
    const std::uint8_t readOne[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x01};
    EXPECT_EQ(crc16(readOne, sizeof readOne), 0x0A84); // sent as 84 0A
    const std::uint8_t classic[] = {0x11, 0x03, 0x00, 0x6B, 0x00, 0x03};
    EXPECT_EQ(crc16(classic, sizeof classic), 0x8776); // sent as 76 87
    EXPECT_EQ(crc16(nullptr, 0), 0xFFFF);
}

TEST(Crc16, AppendedLowByteFirstAndVerified)
{
    std::uint8_t buffer[8] = {0x11, 0x03, 0x00, 0x6B, 0x00, 0x03};
    EXPECT_EQ(appendCrc(buffer, 6), 8u);
    EXPECT_EQ(buffer[6], 0x76);
    EXPECT_EQ(buffer[7], 0x87);
    EXPECT_TRUE(crcMatches(buffer, 8));
    buffer[3] ^= 0x01;
    EXPECT_FALSE(crcMatches(buffer, 8));
    EXPECT_FALSE(crcMatches(buffer, 2));
}

TEST(RequestLayout, ReadWriteAndScatteredFrames)
{
    std::uint8_t out[kFrameBufferSize];
    std::size_t n = buildReadRequest(out, 0x05, 0x1056, 3);
    EXPECT_EQ(frame(out, n - 2), (Bytes{0x05, 0x03, 0x10, 0x56, 0x00, 0x03}));
    EXPECT_TRUE(crcMatches(out, n));

    n = buildWriteSingleRequest(out, 0x00, 0x009E, 0x1234);
    EXPECT_EQ(frame(out, n - 2), (Bytes{0x00, 0x06, 0x00, 0x9E, 0x12, 0x34}));

    const std::uint16_t values[6] = {1, 2, 3, 4, 0xABCD, 6};
    n = buildWriteMultipleRequest(out, 0x00, 0x040C, values, 6);
    ASSERT_EQ(n, 21u); // 9 + 2 x 6
    EXPECT_EQ(frame(out, 7), (Bytes{0x00, 0x10, 0x04, 0x0C, 0x00, 0x06, 0x0C}));
    EXPECT_EQ(out[15], 0xAB);
    EXPECT_EQ(out[16], 0xCD);
    EXPECT_TRUE(crcMatches(out, n));

    const std::uint16_t addresses[3] = {206, 210, 212};
    n = buildScatteredRequest(out, 0x01, addresses, 6);
    ASSERT_EQ(n, 11u);
    EXPECT_EQ(frame(out, 9), (Bytes{0x01, 0x6A, 0x06, 0x00, 0xCE, 0x00, 0xD2, 0x00, 0xD4}));
    EXPECT_TRUE(crcMatches(out, n));
}

TEST(RequestLayout, TraceReadIsFiveBytesAndModeEightCoversOnlyTwo)
{
    std::uint8_t out[kFrameBufferSize];
    std::size_t n = buildTraceRequest(out, 0x02, 2);
    ASSERT_EQ(n, 5u);
    EXPECT_EQ(out[2], 2);
    EXPECT_TRUE(crcMatches(out, 5));

    n = buildTraceRequest(out, 0x02, 8);
    ASSERT_EQ(n, 5u);
    const std::uint16_t crc = crc16(out, 2);
    EXPECT_EQ(out[2], crc & 0xFF);
    EXPECT_EQ(out[3], crc >> 8);
    EXPECT_EQ(out[4], 0x00);
}

TEST(RequestLayout, BootRequestAndRequestLengths)
{
    std::uint8_t out[kFrameBufferSize];
    ASSERT_EQ(buildBootRequest(out, 7), 4u);
    EXPECT_EQ(out[1], 0x65);
    EXPECT_TRUE(crcMatches(out, 4));

    EXPECT_FALSE(requestLength(out, 1).has_value());
    const std::uint8_t write16[] = {0, 0x10, 0, 0, 0, 2, 4};
    EXPECT_FALSE(requestLength(write16, 6).has_value());
    EXPECT_EQ(requestLength(write16, 7), 13u);
    const std::uint8_t scattered[] = {0, 0x6A, 68};
    EXPECT_EQ(requestLength(scattered, 3), 73u);
    const std::uint8_t unknown[] = {0, 0x42};
    EXPECT_EQ(requestLength(unknown, 2), 0u);
}

TEST(ReplyLengths, FollowTheFrameTable)
{
    EXPECT_EQ(readReplyLength(126), 257);
    EXPECT_EQ(traceReplyLength(1, 4), 5);
    EXPECT_EQ(traceReplyLength(4, 4), 5);
    EXPECT_EQ(traceReplyLength(2, 4), 244);
    EXPECT_EQ(scatteredReplyLength(252), 257);
}

TEST(Turnaround, ThirtyMillisecondsOnlyAt9600)
{
    using vq::link::turnaroundForBaud;
    EXPECT_EQ(turnaroundForBaud(9600, 0), 30u);
    EXPECT_EQ(turnaroundForBaud(19200, 30), 0u);
    EXPECT_EQ(turnaroundForBaud(38400, 30), 0u);
    EXPECT_EQ(turnaroundForBaud(57600, 30), 0u);
    EXPECT_EQ(turnaroundForBaud(115200, 30), 30u); // other rates keep the delay
    EXPECT_EQ(turnaroundForBaud(4800, 0), 0u);
}
