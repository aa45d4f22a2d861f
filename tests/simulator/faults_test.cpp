// Each fault on demand has the effect that the link library's status values
// predict, and the drive recovers when the fault wears off.
#include "tests/simulator/sim_test_support.h"

#include <gtest/gtest.h>

using namespace vq::simtest;

namespace {

constexpr int kTwoAttempts = 0; // CommRdSgRegister attempt mode 0

class Faults : public ::testing::Test {
protected:
    std::unique_ptr<vq::sim::VirtualDrive> drive = startDrive();
    LinkSession link{drive->devicePath()};
};

} // namespace

TEST_F(Faults, DroppedRepliesAreRetried)
{
    drive->dropNextReplies(1);
    const Words once = link.readSingle(62, kTwoAttempts);
    EXPECT_EQ(once.status, 0);
    EXPECT_EQ(once.values.at(0), (27 << 5) | 3);
    drive->dropNextReplies(2);
    EXPECT_EQ(link.readSingle(62, kTwoAttempts).status, 9);
    // A dropped write reply: the write happened, the retry writes again.
    drive->dropNextReplies(1);
    EXPECT_EQ(link.write(158, 321), 0);
    EXPECT_EQ(link.readSingle(158).values.at(0), 321);
}

TEST_F(Faults, CorruptedCrcIsAFailedReadThenRetried)
{
    drive->corruptNextReplies(1);
    EXPECT_EQ(link.readSingle(62, kTwoAttempts).status, 0);
    drive->corruptNextReplies(2);
    EXPECT_EQ(link.readSingle(62, kTwoAttempts).status, 58);
    EXPECT_EQ(link.read(100, 6).status, 0);
}

TEST_F(Faults, CutReplyIsAFailedRead)
{
    drive->cutNextReplies(6, 2);
    EXPECT_EQ(link.readSingle(62, kTwoAttempts).status, 58);
    drive->cutNextReplies(6, 1);
    EXPECT_EQ(link.read(100, 2).status, 0);
    drive->cutNextReplies(3, 2); // too short to count as a reply
    EXPECT_EQ(link.readSingle(62, kTwoAttempts).status, 9);
}

TEST_F(Faults, AnswerFromAnotherNodeIsANodeMismatch)
{
    drive->answerNextFromOtherNode(2);
    EXPECT_EQ(link.readSingle(62, kTwoAttempts).status, 3);
    drive->answerNextFromOtherNode(1);
    EXPECT_EQ(link.readSingle(62).status, 0);
}

TEST_F(Faults, SilentDriveGivesNoReplyAfterAllAttemptsAndComesBack)
{
    drive->setSilent(true);
    std::uint8_t status = 1;
    EXPECT_EQ(CommWrSgRegister(4182, 1, &status), 8);
    EXPECT_EQ(status, 9);
    drive->setSilent(false);
    EXPECT_EQ(link.readSingle(0).values.at(0) & 0x2, 0) << "a pulled cable carries no command";
    EXPECT_EQ(link.readSingle(62).status, 0);
}

TEST_F(Faults, LateRepliesWithinThePollWindowAreFineBeyondItTheyFail)
{
    drive->setReplyDelayMs(100);
    EXPECT_EQ(link.readSingle(62, kTwoAttempts).status, 0);
    drive->setReplyDelayMs(600);
    EXPECT_EQ(link.readSingle(62, kTwoAttempts).status, 9);
    drive->setReplyDelayMs(0);
    sleepMs(700); // the last late reply goes out and is purged by the next request
    EXPECT_EQ(link.readSingle(62, kTwoAttempts).status, 0);
}

TEST(FaultsOnTheLine, DriveAnswersOnlyAtItsLineSpeedAndItsNode)
{
    auto drive = startDrive(5, 19200);
    {
        LinkSession wrongSpeed(drive->devicePath(), 5, 9600);
        EXPECT_EQ(wrongSpeed.readSingle(62, kTwoAttempts).status, 9);
    }
    {
        LinkSession wrongNode(drive->devicePath(), 4, 19200);
        EXPECT_EQ(wrongNode.readSingle(62, kTwoAttempts).status, 9);
    }
    LinkSession right(drive->devicePath(), 5, 19200);
    EXPECT_EQ(right.readSingle(62, kTwoAttempts).status, 0);
    EXPECT_GT(drive->counters().wrongSpeedChunks, 0);
    EXPECT_GT(drive->counters().framesIgnored, 0);
}

TEST(FaultsOnTheLine, GarbageIsDroppedAndTheNextFrameAnswered)
{
    auto drive = startDrive();
    RawLine line(drive->devicePath(), 19200);
    ASSERT_TRUE(line.isOpen());
    line.send({0x00, 0x99, 0x12, 0x34, 0x56}); // a function the drive does not know
    EXPECT_TRUE(line.receive(1, 50).empty());
    line.send(withCrc({0x00, 0x03, 0x00, 0x3E, 0x00, 0x01}));
    const auto reply = line.receive(7, 500);
    ASSERT_EQ(reply.size(), 7u);
    EXPECT_EQ(reply[1], 0x03);
    // An unknown address in a scattered read: exception 2.
    line.send(withCrc({0x00, 0x6A, 0x04, 0x00, 0xCE, 0x00, 0x4C}));
    EXPECT_EQ(line.receive(5, 500), withCrc({0x00, 0xEA, 0x02}));
    // A frame with a bad CRC is not answered.
    auto bad = withCrc({0x00, 0x03, 0x00, 0x3E, 0x00, 0x01});
    bad[7] ^= 0xFF;
    line.send(bad);
    EXPECT_TRUE(line.receive(1, 100).empty());
}

TEST(FaultsOnTheLine, PacedRepliesTakeTheirWireTime)
{
    auto drive = startDrive();
    drive->setPaced(true);
    RawLine line(drive->devicePath(), 19200);
    const auto started = std::chrono::steady_clock::now();
    line.send(withCrc({0x00, 0x03, 0x03, 0xE8, 0x00, 0x7E})); // 126 registers from 1000: 257 bytes back
    const auto reply = line.receive(257, 2000);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    ASSERT_EQ(reply.size(), 257u);
    EXPECT_GE(took.count(), 130); // 257 bytes of 10 bits at 19200 baud: 134 ms
}
