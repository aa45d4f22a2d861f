// The link library against drives that misbehave on the line, over a real
// pseudo-terminal: late answers that are never withdrawn, exception code 0,
// replies to another request, a line that trickles bytes, and a long write
// at 9600 baud to a drive that takes its time.
#include "tests/support/pty_responder.h"
#include "tests/simulator/sim_test_support.h"
#include "vq_communication.h"

#include "link/modbus_frame.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using vq::test::Bytes;
using vq::test::PtyResponder;
using namespace vq::simtest;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double wireMs(int bytes, unsigned baud) { return bytes * 10'000.0 / baud; }

// One attempt's longest time at 19200 baud: 5 ms before the send, 340 ms of
// reply window, and twice the wire time of request and reply.
double attemptBoundMs(int requestBytes, int replyBytes)
{
    return 5 + 340 + 2 * (wireMs(requestBytes, 19200) + wireMs(replyBytes, 19200));
}

// A drive on the link whose two registers (their one-register reads look
// alike on the line) have been read in time; then every answer comes
// `lateMs` late and none gives way to the next request.
struct LateRun {
    const std::uint16_t addresses[2] = {62, 4174};
    std::unique_ptr<vq::sim::VirtualDrive> drive = startDrive();
    LinkSession link{drive->devicePath()};
    std::uint16_t truth[2] = {};

    bool start(int lateMs)
    {
        for (int i = 0; i < 2; ++i) {
            const Words w = link.readSingle(addresses[i]);
            if (w.status != 0)
                return false;
            truth[i] = w.values.at(0);
        }
        drive->setReplyDelayMs(lateMs, /*keepEvery=*/true);
        return truth[0] != truth[1];
    }
};

class LateDrive : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { ASSERT_EQ(CommSetExchangeProfile(GetParam()), 1); }
    void TearDown() override { CommSetExchangeProfile(VQ_PROFILE_SPECIFIED); }
};

} // namespace

// A drive on a full-duplex line answers every request, however late; a
// reply that comes after the attempt gave up must never be taken as the
// answer to the next, different request.
TEST_P(LateDrive, AnswersThatComeLateAreNeverTakenForAnotherRegister)
{
    for (int lateMs : {400, 600, 1000}) {
        LateRun run;
        ASSERT_TRUE(run.start(lateMs));
        for (int round = 0; round < 3; ++round) {
            const int which = round % 2;
            const Words w = run.link.readSingle(run.addresses[which]);
            EXPECT_EQ(w.status, 0) << lateMs << " ms late, read " << round;
            if (w.status == 0)
                EXPECT_EQ(w.values.at(0), run.truth[which]) << lateMs << " ms late, read " << round;
        }
        EXPECT_EQ(run.drive->counters().repliesSuperseded, 0) << "the drive withdrew an answer";
    }
}

// Later than every attempt of its request, a reply of a full-duplex drive
// still comes, and looks like the reply to any other one-register read: it
// must never be the next request's value, however late it is. Once the drive
// answers in time again, so does the link.
TEST_P(LateDrive, AReplyLaterThanAllAttemptsIsNeverTakenByTheNextRequest)
{
    for (int lateMs : {1500, 3500, 6000}) {
        LateRun run;
        ASSERT_TRUE(run.start(lateMs));
        const Words first = run.link.readSingle(run.addresses[0]);
        if (first.status == 0)
            EXPECT_EQ(first.values.at(0), run.truth[0]) << lateMs << " ms late";
        const Words next = run.link.readSingle(run.addresses[1]);
        if (next.status == 0)
            EXPECT_EQ(next.values.at(0), run.truth[1]) << lateMs << " ms late: the earlier request's reply was taken";

        // Every reply the drive owes has gone out (none is withdrawn).
        const auto allSent = [&] {
            const auto c = run.drive->counters();
            return c.repliesSent >= c.framesAnswered;
        };
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (!allSent() && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(allSent());
        run.drive->setReplyDelayMs(0);
        const Words back = run.link.readSingle(run.addresses[0]);
        EXPECT_EQ(back.status, 0) << lateMs << " ms late, then in time";
        if (back.status == 0)
            EXPECT_EQ(back.values.at(0), run.truth[0]);
        EXPECT_EQ(run.drive->counters().repliesSuperseded, 0) << "the drive withdrew an answer";
    }
}

TEST_P(LateDrive, ExceptionCodeZeroIsAFailedReadAndNeverAnAcceptedWrite)
{
    auto drive = startDrive();
    LinkSession link(drive->devicePath());
    ASSERT_TRUE(link.connected());
    ASSERT_EQ(link.write(158, 100), 0);

    drive->setReplyDelayMs(0, false, 0);
    const Words read = link.readSingle(62, 0);
    EXPECT_EQ(read.status, 58);
    EXPECT_EQ(read.result, 0);
    std::uint8_t status = 0xEE;
    EXPECT_EQ(CommWrSgRegister(158, 200, &status), 0);
    EXPECT_EQ(status, 58) << "a write the drive refused reported success";

    drive->setReplyDelayMs(0, false, 6);
    EXPECT_EQ(link.write(158, 300), 6) << "a real exception code still comes through";
    drive->setReplyDelayMs(0);
    EXPECT_EQ(link.readSingle(62).status, 0);
}

INSTANTIATE_TEST_SUITE_P(BothProfiles, LateDrive, ::testing::Values(VQ_PROFILE_SPECIFIED, VQ_PROFILE_FAST),
                         [](const ::testing::TestParamInfo<int> &param) {
                             return param.param == VQ_PROFILE_FAST ? "Fast" : "Specified";
                         });

// Frames that are whole and carry a valid CRC but do not answer the request.
TEST(ForeignReplies, WrongFunctionByteCountOrEchoAreFailedReads)
{
    ASSERT_EQ(CommCreate(), 1);
    int asked = 0;
    PtyResponder drive([&](const Bytes &request) -> Bytes {
        ++asked;
        const std::uint8_t node = request[0];
        switch (request[1]) {
        case 0x03: {
            Bytes reply = PtyResponder::readReply(node, std::vector<std::uint16_t>(request[5], 0x1234));
            reply.resize(reply.size() - 2); // the CRC is made anew below
            if (request[3] == 1) { // the answer to a 0x04 read, another function
                reply[1] = 0x04;
                return PtyResponder::withCrc(reply);
            }
            if (request[3] == 2) { // the right length, but a byte count of one register
                reply[2] = 2;
                return PtyResponder::withCrc(reply);
            }
            return PtyResponder::exceptionReply(node, 0x10, 2); // an exception to another function
        }
        case 0x06: {
            Bytes echo = request;
            echo[5] ^= 0x01; // another value than was written
            return PtyResponder::withCrc(Bytes(echo.begin(), echo.begin() + 6));
        }
        case 0x10: {
            Bytes reply(request.begin(), request.begin() + 6);
            reply[5] = static_cast<std::uint8_t>(reply[5] + 1); // another count
            return PtyResponder::withCrc(reply);
        }
        default:
            return {};
        }
    });
    ASSERT_EQ(CommInitDevice(0, drive.device().c_str(), 19200, VQ_NO_EVENT), 1);
    ASSERT_EQ(CommConnect(VQ_NO_EVENT), 1);
    std::uint8_t data[8] = {};
    std::uint8_t status = 0;

    EXPECT_EQ(CommRdSgRegister(1, data, &status, 0), 0);
    EXPECT_EQ(status, 58);
    EXPECT_EQ(CommRdMtRegister(2, 2, data, &status), 0);
    EXPECT_EQ(status, 58);
    EXPECT_EQ(CommRdSgRegister(3, data, &status, 0), 0);
    EXPECT_EQ(status, 58);
    EXPECT_EQ(CommWrSgRegister(158, 0x0102, &status), 0);
    EXPECT_EQ(status, 58);
    const std::uint16_t words[3] = {1, 2, 3};
    EXPECT_EQ(CommWrMtRegister(160, 3, words, &status), 0);
    EXPECT_EQ(status, 58);
    EXPECT_EQ(asked, 2 + 8 + 2 + 8 + 8) << "every one of them is retried";
    CommDestroy();
}

// A line that brings a byte every few milliseconds and never a frame: the
// read ends within its attempts' bound instead of holding the lock while
// the bytes keep coming.
TEST(TricklingLine, AReadEndsWithinItsAttemptsBound)
{
    vq::sim::PseudoTerminal pty;
    ASSERT_TRUE(pty.isValid());
    std::atomic<bool> stop{false};
    std::thread trickle([&] {
        const std::uint8_t noise = 0x5A;
        while (!stop) {
            pty.write(&noise, 1);
            std::uint8_t sink[512];
            pty.read(sink, sizeof sink, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(6));
        }
    });
    ASSERT_EQ(CommCreate(), 1);
    ASSERT_EQ(CommInitDevice(0, pty.devicePath().c_str(), 19200, VQ_NO_EVENT), 1);
    ASSERT_EQ(CommConnect(VQ_NO_EVENT), 1);
    std::uint8_t data[256];
    std::uint8_t status = 0;
    const auto start = Clock::now();
    CommRdMtRegister(0, 126, data, &status);
    const double took = secondsSince(start);
    EXPECT_NE(status, 0);
    // 257 bytes at one per 6 ms would take 1.5 s an attempt; the bound is 0.62 s.
    EXPECT_LT(took, 8 * attemptBoundMs(8, 257) / 1000 + 0.3);
    stop = true;
    trickle.join();
    CommDestroy();
}

// At 9600 baud a 124-register write takes 267 ms on the wire; the drive then
// takes 150 ms before its echo. The reply window counts from the end of the
// request, so the first attempt succeeds and the drive writes once.
TEST(SlowDrive, ALongWriteAt9600SucceedsAtTheFirstAttempt)
{
    for (int profile : {VQ_PROFILE_SPECIFIED, VQ_PROFILE_FAST}) {
        ASSERT_EQ(CommSetExchangeProfile(profile), 1);
        ASSERT_EQ(CommCreate(), 1);
        PtyResponder drive(
            [](const Bytes &request) {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                return PtyResponder::withCrc(Bytes(request.begin(), request.begin() + 6));
            },
            9600);
        ASSERT_EQ(CommInitDevice(0, drive.device().c_str(), 9600, VQ_NO_EVENT), 1);
        ASSERT_EQ(CommConnect(VQ_NO_EVENT), 1);
        std::uint16_t words[124];
        for (int i = 0; i < 124; ++i)
            words[i] = static_cast<std::uint16_t>(i);
        std::uint8_t status = 0xEE;
        EXPECT_EQ(CommWrMtRegister(2072, 124, words, &status), 8) << "profile " << profile;
        EXPECT_EQ(status, 0) << "profile " << profile;
        EXPECT_EQ(drive.requestCount(), 1u) << "profile " << profile;
        CommDestroy();
    }
    CommSetExchangeProfile(VQ_PROFILE_SPECIFIED);
}
