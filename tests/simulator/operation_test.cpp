// What the drive does on its own when told to: program jog, auto tuning,
// alarms with their history.
#include "tests/simulator/sim_test_support.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace vq::simtest;

namespace {

class Operation : public ::testing::Test {
protected:
    std::unique_ptr<vq::sim::VirtualDrive> drive = startDrive();
    LinkSession link{drive->devicePath()};

    std::int16_t speed() { return static_cast<std::int16_t>(link.readSingle(206).values.at(0)); }
};

} // namespace

TEST_F(Operation, ProgramJogRunsItsStepsCyclically)
{
    // Speed1..4 then Time1..4 (ms): forward, reverse, standstill.
    ASSERT_EQ(link.writeBlock(160, {400, static_cast<std::uint16_t>(-400), 0, 0, 400, 400, 400, 0}), 0);
    EXPECT_EQ(link.read(160, 8).values[4], 400);
    ASSERT_EQ(link.write(4184, 1), 0);
    bool forward = false, reverse = false, stopped = false;
    for (int i = 0; i < 40 && !(forward && reverse && stopped); ++i) {
        const int v = speed();
        forward |= v > 350;
        reverse |= v < -350;
        stopped |= forward && reverse && v > -5 && v < 5;
        sleepMs(30);
    }
    EXPECT_TRUE(forward);
    EXPECT_TRUE(reverse);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(link.readSingle(0).values[0] & 0x2, 0x2); // the drive powers the motor itself
    ASSERT_EQ(link.write(4184, 0), 0);
    sleepMs(1500);
    EXPECT_EQ(speed(), 0);
    EXPECT_EQ(link.readSingle(0).values[0] & 0x2, 0);
}

TEST_F(Operation, AutoTuningRunsAndChangesTheInertia)
{
    // Long enough that each swing lasts several polls even when a busy
    // machine holds the test up for a while.
    drive->setTuningDuration(std::chrono::milliseconds(2400));
    const std::uint16_t before = link.readSingle(82).values.at(0);
    ASSERT_EQ(link.writeBlock(304, {8, 2}), 0);
    EXPECT_EQ(link.read(304, 2).values, (std::vector<std::uint16_t>{8, 2}));
    ASSERT_EQ(link.write(300, 1), 0);
    EXPECT_NE(link.readSingle(300).values[0] & 0xFF, 0);
    bool movedForward = false, movedBack = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while ((link.readSingle(300).values[0] & 0xFF) != 0 && std::chrono::steady_clock::now() < deadline) {
        const int v = speed();
        movedForward |= v > 400;
        movedBack |= v < -400;
        sleepMs(20);
    }
    EXPECT_EQ(link.readSingle(300).values[0] & 0xFF, 0);
    EXPECT_TRUE(movedForward);
    EXPECT_TRUE(movedBack);
    ASSERT_EQ(link.write(300, 4), 0); // acknowledge
    const std::uint16_t after = link.readSingle(82).values.at(0);
    EXPECT_NE(after, before);
    EXPECT_GT(after, 0);

    // A run stopped by the user leaves the inertia as it was.
    drive->setMeasuredInertia(999);
    ASSERT_EQ(link.write(300, 1), 0);
    ASSERT_EQ(link.write(300, 4), 0);
    EXPECT_EQ(link.readSingle(300).values[0] & 0xFF, 0);
    sleepMs(2600);
    EXPECT_EQ(link.readSingle(82).values.at(0), after);
}

TEST_F(Operation, AlarmsSwitchTheServoOffAndAreRecordedLowByteFirst)
{
    ASSERT_EQ(link.write(4182, 1), 0);
    drive->raiseAlarm(0x21);
    EXPECT_EQ(link.readSingle(0).values[0] & 0x2, 0); // servo dropped
    EXPECT_NE(link.readSingle(4164).values[0] & 0x01, 0); // ALM
    EXPECT_EQ(link.readSingle(4164).values[0] & 0x02, 0); // not ready
    ASSERT_EQ(link.write(4182, 1), 0);
    EXPECT_EQ(link.readSingle(0).values[0] & 0x2, 0); // no servo on while the alarm stands
    ASSERT_EQ(link.write(274, 1), 0);                 // alarm reset
    EXPECT_EQ(link.readSingle(4164).values[0] & 0x01, 0);
    drive->raiseAlarm(0x10);

    ASSERT_EQ(link.write(274, 3), 0); // latch the history
    std::uint8_t bytes[40] = {};
    std::uint8_t status = 1;
    ASSERT_EQ(CommRdMtRegister(278, 20, bytes, &status), 40);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(bytes[0], 0x21); // first register's high byte: entry 1
    EXPECT_EQ(bytes[1], 0x10); // its low byte: entry 0, the most recent
    for (int i = 2; i < 20; ++i)
        EXPECT_EQ(bytes[i], 0) << i;

    ASSERT_EQ(link.write(274, 2), 0); // clear
    ASSERT_EQ(link.write(274, 3), 0);
    const Words cleared = link.read(278, 10);
    for (std::uint16_t v : cleared.values)
        EXPECT_EQ(v, 0);
}

TEST_F(Operation, HistoryKeepsTheTwentyMostRecent)
{
    for (int code = 1; code <= 25; ++code)
        drive->raiseAlarm(static_cast<std::uint8_t>(code));
    ASSERT_EQ(link.write(274, 3), 0);
    const Words block = link.read(278, 10);
    ASSERT_EQ(block.status, 0);
    EXPECT_EQ(block.values[0], (24 << 8) | 25);
    EXPECT_EQ(block.values[9], (6 << 8) | 7);
}

TEST_F(Operation, DelayedAlarmComesOnTime)
{
    drive->raiseAlarm(0x14, 0.3);
    EXPECT_EQ(link.readSingle(4164).values[0] & 0x01, 0);
    sleepMs(400);
    EXPECT_NE(link.readSingle(4164).values[0] & 0x01, 0);
    EXPECT_EQ(drive->activeAlarm(), 0x14);
}
