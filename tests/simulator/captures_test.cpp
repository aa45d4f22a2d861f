// The drive's three recorders seen through the link library: the trace
// streams its blocks in order, the trigger capture starts where the drive
// says, the alarm recording surrounds the alarm; and the resonance shows in
// a capture's spectrum until the notch filter is set on it.
#include "tests/simulator/sim_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

using namespace vq::simtest;

namespace {

constexpr std::uint8_t kCounterChannel = 8; // the recorder's own sample counter

class Captures : public ::testing::Test {
protected:
    std::unique_ptr<vq::sim::VirtualDrive> drive = startDrive();
    LinkSession link{drive->devicePath()};

    // Fetches and acknowledges one trace block, decoded channel-major.
    bool nextBlock(std::vector<std::int16_t> &block)
    {
        std::uint8_t status = 1;
        int result = 0;
        link.trace(1, status, result);
        if (status != 0)
            return false;
        const auto data = link.trace(2, status, result);
        if (status != 0 || data.size() != 240)
            return false;
        block.resize(120);
        for (std::size_t i = 0; i < 120; ++i)
            block[i] = static_cast<std::int16_t>((data[2 * i] << 8) | data[2 * i + 1]);
        link.trace(4, status, result);
        return status == 0;
    }

    bool waitForState(std::uint16_t address, std::uint16_t lowByte, int timeoutMs)
    {
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            const Words w = link.readSingle(address);
            if (w.status == 0 && (w.values[0] & 0xFF) == lowByte)
                return true;
            sleepMs(20);
        }
        return false;
    }

    std::vector<std::vector<std::int16_t>> readTriggerData(int &start)
    {
        std::vector<std::vector<std::int16_t>> channels;
        const Words s = link.readSingle(1034);
        start = s.values.empty() ? -1 : s.values[0];
        for (int c = 0; c < 4; ++c)
            channels.push_back(rotate(link.readSamples(static_cast<std::uint16_t>(2072 + 512 * c), 256), start));
        return channels;
    }
};

double magnitudeAt(const std::vector<std::int16_t> &samples, double hz, double sampleRate)
{
    std::complex<double> sum = 0;
    double mean = 0;
    for (auto s : samples)
        mean += s;
    mean /= static_cast<double>(samples.size());
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const double angle = -2.0 * std::numbers::pi * hz * static_cast<double>(n) / sampleRate;
        sum += (samples[n] - mean) * std::polar(1.0, angle);
    }
    return std::abs(sum) / static_cast<double>(samples.size());
}

} // namespace

TEST_F(Captures, TraceBlocksArriveInOrderWithoutLossOrRepeat)
{
    std::uint8_t status = 1;
    int result = 0;
    link.trace(1, status, result);
    EXPECT_EQ(status, 5); // nothing traced yet: not ready
    EXPECT_EQ(result, 2);
    link.trace(2, status, result);
    EXPECT_EQ(status, 5);

    // Period 20 (4 ms): a block every 120 ms; some wait in the queue, some
    // are asked for before they are ready.
    ASSERT_EQ(link.writeBlock(1036, {1, 20, kCounterChannel, 1, 2, 7}), 0);
    ASSERT_EQ(link.write(4182, 1), 0);
    ASSERT_EQ(link.write(1036, 2), 0);
    sleepMs(400);
    long expected = 0;
    for (int b = 0; b < 8; ++b) {
        std::vector<std::int16_t> block;
        int tries = 0;
        while (!nextBlock(block) && tries++ < 50)
            sleepMs(10);
        ASSERT_LT(tries, 50) << "block " << b;
        for (int j = 0; j < 30; ++j)
            ASSERT_EQ(static_cast<std::uint16_t>(block[static_cast<std::size_t>(j)]), expected++ & 0xFFFF)
                << "block " << b << " sample " << j;
        EXPECT_NEAR(block[90], 3105, 20); // channel 4: DC link in 0.1 V
    }
    EXPECT_EQ(drive->traceOverruns(), 0);
    ASSERT_EQ(link.write(1036, 0), 0);
}

TEST_F(Captures, TraceFetchRepeatsUntilAcknowledgedAndModeEightFetchesToo)
{
    ASSERT_EQ(link.writeBlock(1036, {1, 5, kCounterChannel, 0, 0, 0}), 0);
    ASSERT_EQ(link.write(1036, 2), 0);
    sleepMs(200);
    std::uint8_t status = 1;
    int result = 0;
    const auto first = link.trace(2, status, result);
    ASSERT_EQ(status, 0);
    ASSERT_EQ(first.size(), 240u);
    EXPECT_EQ(link.trace(8, status, result), first); // the same block until released
    link.trace(4, status, result);
    ASSERT_EQ(status, 0);
    // A repeated acknowledge (a retried request) must not throw a block away.
    link.trace(4, status, result);
    const auto second = link.trace(2, status, result);
    ASSERT_EQ(second.size(), 240u);
    const int firstCounter = (first[0] << 8) | first[1];
    const int secondCounter = (second[0] << 8) | second[1];
    EXPECT_EQ(secondCounter, firstCounter + 30);
}

TEST_F(Captures, TraceQueueOverflowIsCountedAndShowsAsAGap)
{
    ASSERT_EQ(link.writeBlock(1036, {1, 1, kCounterChannel, 0, 0, 0}), 0);
    ASSERT_EQ(link.write(1036, 2), 0);
    sleepMs(600); // 100 blocks at 6 ms each, far more than the queue holds
    ASSERT_EQ(link.write(1036, 0), 0);
    EXPECT_GT(drive->traceOverruns(), 0);
    std::vector<std::int16_t> block;
    long previous = -30;
    for (int b = 0; b < 5; ++b) {
        ASSERT_TRUE(nextBlock(block));
        const long counter = static_cast<std::uint16_t>(block[0]);
        EXPECT_EQ(counter, previous + 30) << "queued blocks stay in order";
        previous = counter;
    }
}

TEST_F(Captures, TriggerCaptureStartsWhereTheDriveSays)
{
    constexpr int kPosition = 100;
    ASSERT_EQ(link.write(4182, 1), 0);
    // Period 1, channels speed, counter, torque, command speed; source
    // current speed, positive edge through 500 rpm.
    ASSERT_EQ(link.writeBlock(1016, {1, 1, kCounterChannel, 4, 2, 1, 0, kPosition, 500}), 0);
    ASSERT_EQ(link.write(1014, 1), 0);
    EXPECT_NE(link.readSingle(1014).values[0] & 0xFF, 4);
    ASSERT_EQ(link.write(158, 1000), 0);
    ASSERT_EQ(link.write(4182, 2), 0);
    ASSERT_TRUE(waitForState(1014, 4, 3000));
    int start = -1;
    const auto channels = readTriggerData(start);
    ASSERT_GE(start, 0);
    ASSERT_LT(start, 256);
    ASSERT_EQ(channels[0].size(), 256u);
    EXPECT_GE(channels[0][kPosition], 500);
    EXPECT_LT(channels[0][kPosition - 1], 500);
    for (int k = 1; k < 256; ++k)
        ASSERT_EQ(static_cast<std::uint16_t>(channels[1][k] - channels[1][k - 1]), 1) << "sample " << k;
    EXPECT_GT(channels[2][kPosition], 5); // accelerating torque

    // A negative edge on the way down: the ring goes on where it stopped, so
    // the start position is wherever the edge fell; the rotation by it puts
    // the edge at the trigger position. (Where the first capture ended and
    // the second one's edge fell depend on when the commands arrived, so no
    // pair of start positions is ruled out.)
    ASSERT_EQ(link.writeBlock(1016, {1, 1, kCounterChannel, 4, 2, 1, 1, 30, 500}), 0);
    ASSERT_EQ(link.write(1014, 1), 0);
    sleepMs(50);
    ASSERT_EQ(link.write(4182, 1), 0); // stop
    ASSERT_TRUE(waitForState(1014, 4, 3000));
    int secondStart = -1;
    const auto down = readTriggerData(secondStart);
    EXPECT_LE(down[0][30], 500);
    EXPECT_GT(down[0][29], 500);
    EXPECT_GE(secondStart, 0);
    EXPECT_LT(secondStart, 256);
}

TEST_F(Captures, AlarmRecordingSurroundsTheAlarm)
{
    ASSERT_EQ(link.write(4182, 1), 0);
    ASSERT_EQ(link.write(4182, 2), 0);
    ASSERT_EQ(link.writeBlock(1000, {1, 2, 1, 15, kCounterChannel, 7}), 0);
    EXPECT_EQ(link.readSingle(1000).values[0] & 0xFF, 1); // armed
    sleepMs(300);
    drive->raiseAlarm(0x14);
    ASSERT_TRUE(waitForState(1000, 4, 2000));
    const Words s = link.readSingle(1012);
    ASSERT_EQ(s.status, 0);
    const int start = s.values[0];
    ASSERT_LT(start, 128);
    std::vector<std::vector<std::int16_t>> channels;
    for (int c = 0; c < 4; ++c)
        channels.push_back(rotate(link.readSamples(static_cast<std::uint16_t>(1048 + 256 * c), 128), start));
    for (int k = 0; k < 128; ++k)
        EXPECT_EQ(channels[1][k], k < 64 ? 0 : 1) << "ALARM output at sample " << k;
    for (int k = 1; k < 128; ++k)
        ASSERT_EQ(static_cast<std::uint16_t>(channels[2][k] - channels[2][k - 1]), 1);
    EXPECT_NEAR(channels[0][63], 700, 10);  // jogging at the catalogue's jog speed
    EXPECT_LT(channels[0][127], channels[0][64]); // coasting down once the servo dropped
    EXPECT_EQ(link.readSingle(0).values[0] & 0x2, 0);
}

TEST_F(Captures, ResonanceShowsInTheSpectrumUntilTheNotchIsSetOnIt)
{
    drive->setResonance(true, 600);
    ASSERT_EQ(link.write(4182, 1), 0);
    const auto capture = [&] {
        // Period 1 (5 kHz), channel 1 the current speed, channel 2 the
        // torque; trigger on the DC link's ripple falling through 310.5 V.
        EXPECT_EQ(link.writeBlock(1016, {1, 1, 4, 0, 0, 7, 1, 0, 3105}), 0);
        EXPECT_EQ(link.write(1014, 1), 0);
        EXPECT_TRUE(waitForState(1014, 4, 2000));
        int start = 0;
        return readTriggerData(start);
    };
    const auto open = capture();
    const double peak = magnitudeAt(open[0], 600, 5000);
    const double away = magnitudeAt(open[0], 1500, 5000);
    EXPECT_GT(peak, 4.0);
    EXPECT_GT(peak, 5 * away);

    ASSERT_EQ(link.writeBlock(174, {1, 600, 100}), 0);
    EXPECT_EQ(link.read(174, 3).values, (std::vector<std::uint16_t>{1, 600, 100}));
    const auto notched = capture();
    EXPECT_LT(magnitudeAt(notched[0], 600, 5000), peak / 5);
}
