// The data trace's rules free of widgets and drive: the period limits per
// link speed, the decoding of a block, the display ring between the worker
// and the plot step, the values plotted for a sample, the rescale, and the
// records of a trace file.
#include "drive/capture/channel_catalog.h"
#include "drive/capture/trace/trace_display_ring.h"
#include "drive/capture/trace/trace_file.h"
#include "drive/capture/trace/trace_period.h"
#include "drive/capture/trace/trace_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace tarvex::trace {
namespace {

using graphs::ChannelLimits;
using graphs::kDefaultLimits;

TEST(TracePeriod, EachLinkSpeedHasItsShortestPeriodAndItsOwnMessage)
{
    EXPECT_EQ(periodRefusal(9600, 19), "Error Sampling period, 9600bps(selection 19 UP)");
    EXPECT_EQ(periodRefusal(9600, 20), "");
    EXPECT_EQ(periodRefusal(19200, 12), "Error Sampling period, 19200bps(selection 12UP)");
    EXPECT_EQ(periodRefusal(19200, 13), "");
    EXPECT_EQ(periodRefusal(38400, 10), "Error Sampling period, 38400bps(selection 10 UP)");
    EXPECT_EQ(periodRefusal(38400, 11), "");
    EXPECT_EQ(periodRefusal(57600, 9), "Error Sampling period, 57600bps(selection 9 UP)");
    EXPECT_EQ(periodRefusal(57600, 10), "");
    EXPECT_EQ(periodRefusal(57600, 200), "");
    // Speeds without a rule take any period, 0 included.
    EXPECT_EQ(periodRefusal(115200, 0), "");
    EXPECT_EQ(periodRefusal(0, 0), "");
    EXPECT_EQ(shortestPeriodMs(19200), 13);
    EXPECT_EQ(shortestPeriodMs(4800), 0);
}

TEST(TraceBlockDecoding, ValuesAreSignedHighByteFirstAndChannelMajor)
{
    std::array<std::uint8_t, kBlockBytes> bytes{};
    auto put = [&](int value, int at) {
        const auto word = static_cast<std::uint16_t>(value);
        bytes[static_cast<std::size_t>(2 * at)] = static_cast<std::uint8_t>(word >> 8);
        bytes[static_cast<std::size_t>(2 * at + 1)] = static_cast<std::uint8_t>(word & 0xFF);
    };
    put(1234, 0);     // channel 1, sample 0
    put(-2, 29);      // channel 1, sample 29
    put(-32768, 30);  // channel 2, sample 0
    put(32767, 119);  // channel 4, sample 29
    const TraceBlock block = decodeTraceBlock(bytes.data());
    EXPECT_EQ(block[0][0], 1234);
    EXPECT_EQ(block[0][29], -2);
    EXPECT_EQ(block[1][0], -32768);
    EXPECT_EQ(block[3][29], 32767);
    EXPECT_EQ(block[2][15], 0);
}

TraceBlock numbered(int n)
{
    TraceBlock block{};
    block[0][0] = static_cast<std::int16_t>(n);
    return block;
}

TEST(TraceDisplayRing, HoldsThreeBlocksInOrderAndRefusesAFourth)
{
    TraceDisplayRing ring;
    TraceBlock out{};
    EXPECT_FALSE(ring.pop(out));
    for (int n = 1; n <= 3; ++n)
        EXPECT_TRUE(ring.push(numbered(n)));
    EXPECT_FALSE(ring.hasRoom());
    EXPECT_FALSE(ring.push(numbered(4))) << "a waiting block is never overwritten";
    ASSERT_TRUE(ring.pop(out));
    EXPECT_EQ(out[0][0], 1);
    EXPECT_TRUE(ring.push(numbered(4)));
    for (int n = 2; n <= 4; ++n) {
        ASSERT_TRUE(ring.pop(out));
        EXPECT_EQ(out[0][0], n);
    }
    EXPECT_FALSE(ring.pop(out));
}

TEST(TraceDisplayRing, DiscardDropsWhatWaits)
{
    TraceDisplayRing ring;
    ring.push(numbered(1));
    ring.push(numbered(2));
    ring.discard();
    EXPECT_EQ(ring.waiting(), 0u);
    TraceBlock out{};
    EXPECT_FALSE(ring.pop(out));
    ring.push(numbered(3));
    ASSERT_TRUE(ring.pop(out));
    EXPECT_EQ(out[0][0], 3);
}

TEST(TraceDisplayRing, AWriterAndAReaderOnTwoThreadsPassEveryBlockOnceAndInOrder)
{
    TraceDisplayRing ring;
    constexpr int kBlocks = 20000;
    std::thread writer([&] {
        for (int n = 0; n < kBlocks;) {
            TraceBlock block{};
            for (auto &channel : block)
                channel.fill(static_cast<std::int16_t>(n));
            if (ring.push(block))
                ++n;
            else
                std::this_thread::yield();
        }
    });
    int expected = 0;
    int torn = 0;
    while (expected < kBlocks) {
        TraceBlock block{};
        if (!ring.pop(block)) {
            std::this_thread::yield();
            continue;
        }
        for (const auto &channel : block)
            for (std::int16_t v : channel)
                torn += v != static_cast<std::int16_t>(expected);
        ++expected;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(ring.waiting(), 0u);
}

TEST(TracePlotValues, ChannelOneIsShownAsReceivedAndItsDcLinkInVolts)
{
    EXPECT_EQ(tracePlotValue(0, 1500, 1, kDefaultLimits), 1500);
    EXPECT_EQ(tracePlotValue(0, -20000, 1, kDefaultLimits), -20000) << "not limited to the axis";
    EXPECT_EQ(tracePlotValue(0, 3105, graphs::kDcLinkIndex, kDefaultLimits), 310);
    EXPECT_EQ(tracePlotValue(0, -3109, graphs::kDcLinkIndex, kDefaultLimits), -310);
}

TEST(TracePlotValues, OtherChannelsAreMappedFromTheirLimitsIntoChannelOnesRange)
{
    ChannelLimits limits = kDefaultLimits; // 1: +-3500, 3: +-200, 4: 0..500
    EXPECT_EQ(tracePlotValue(2, -200, 4, limits), -3500) << "min 3 plots at min 1";
    EXPECT_EQ(tracePlotValue(2, 200, 4, limits), 3500) << "max 3 plots at max 1";
    EXPECT_EQ(tracePlotValue(2, 0, 4, limits), 0);
    // Integer arithmetic, product first: (7 + 200) * 7000 / 400 - 3500.
    EXPECT_EQ(tracePlotValue(2, 7, 4, limits), 122);
    EXPECT_EQ(tracePlotValue(3, 250, 3, limits), 0);
    // A DC-link channel maps its volts in floating point and truncates:
    // 310.5 V on 0..500 is (310.5 * 7000 / 500) - 3500 = 847.
    EXPECT_EQ(tracePlotValue(3, 3105, graphs::kDcLinkIndex, limits), 847);
    EXPECT_EQ(tracePlotValue(1, 3500, 1, limits), 3500);
}

TEST(TracePlotValues, AChannelWithEqualLimitsLiesFlatAtTheBottom)
{
    ChannelLimits limits = kDefaultLimits;
    limits[1] = {100, 100};
    limits[3] = {0, 0};
    for (int sample : {-32768, 0, 100, 32767}) {
        EXPECT_EQ(tracePlotValue(1, sample, 1, limits), -3500);
        EXPECT_EQ(tracePlotValue(3, sample, graphs::kDcLinkIndex, limits), -3500);
    }
    // Channel 1 with equal limits is shown as received.
    limits[0] = {0, 0};
    EXPECT_EQ(tracePlotValue(0, 42, 1, limits), 42);
}

TEST(TraceRescale, ChannelOneKeepsItsValueTheOthersTheirPhysicalValue)
{
    const ChannelLimits before = kDefaultLimits;
    ChannelLimits after = kDefaultLimits;
    after[0] = {1000, -1000};
    after[2] = {100, -100};
    EXPECT_FLOAT_EQ(rescaledPlotValue(0, 1234.0f, before, after), 1234.0f);
    // Channel 3 plotted at 3500 under +-3500 stands for 200 %, the top of
    // +-200; under +-100 and +-1000 that is (200 + 100) * 2000 / 200 - 1000.
    EXPECT_FLOAT_EQ(rescaledPlotValue(2, 3500.0f, before, after), 2000.0f);
    EXPECT_FLOAT_EQ(rescaledPlotValue(2, 0.0f, before, after), 0.0f);
    // Channel 2 unchanged in its own limits but channel 1's range halved.
    EXPECT_FLOAT_EQ(rescaledPlotValue(1, -3500.0f, before, after), -1000.0f);
}

TEST(TraceRescale, EqualLimitsOnEitherSideNeverDivideByZero)
{
    ChannelLimits before = kDefaultLimits;
    ChannelLimits after = kDefaultLimits;
    after[1] = {7, 7};
    EXPECT_FLOAT_EQ(rescaledPlotValue(1, 1200.0f, before, after), -3500.0f) << "flat at the bottom";
    before[0] = {5, 5};
    const float from = rescaledPlotValue(2, 99.0f, before, kDefaultLimits);
    EXPECT_TRUE(std::isfinite(from));
    EXPECT_FLOAT_EQ(from, -3500.0f) << "channel 3 at its minimum, plotted at the bottom";
}

TEST(TraceFileRecords, EveryPointHasTheChartValueAndIndexTimesThePeriodField)
{
    TraceFileSource source;
    source.channelNames = {"Current Speed[rpm]", "Not Use", "Not Use", "DC Link Voltage[v]"};
    source.listIndices = {1, 0, 0, 7};
    source.values[0][0] = -12.75f;
    source.values[0][1] = 3500.0f;
    source.values[3][360] = 310.0f;
    source.periodEditMs = 13;
    source.periodField = 65;
    const graphs::GraphFileWriting file = traceFileWriting(source);
    EXPECT_EQ(file.kind, graphs::GraphKind::Trace);
    EXPECT_EQ(file.period, 13);
    ASSERT_EQ(file.points[0].size(), 361u);
    EXPECT_EQ(file.points[0][0].value, "-12.750000");
    EXPECT_EQ(file.points[0][0].time, "0.0 ");
    EXPECT_EQ(file.points[0][1].value, "3500.000000");
    EXPECT_EQ(file.points[0][1].time, "65.0 ");
    EXPECT_EQ(file.points[1][200].value, "0.000000");
    EXPECT_EQ(file.points[3][360].value, "310.000000");
    EXPECT_EQ(file.points[3][360].time, "23400.0 ");
    EXPECT_EQ(file.channelNames[3], "DC Link Voltage[v]");
    EXPECT_EQ(file.listIndices[3], 7);
}

} // namespace
} // namespace tarvex::trace
