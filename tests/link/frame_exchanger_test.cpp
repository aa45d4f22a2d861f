// Every status outcome of every exchange kind, with the reply arriving whole,
// in pieces, cut off, from another node, as an exception, garbled, too long
// and not at all. The line runs on a virtual clock, so the protocol's waits
// are checked exactly.
#include "link/src/frame_exchanger.h"
#include "tests/link/scripted_line.h"

#include "link/crc16.h"

#include <gtest/gtest.h>

#include <array>

using namespace vq::test;
using vq::link::ExchangeResult;
using vq::link::FrameExchanger;

namespace {

Bytes withCrc(Bytes frame)
{
    const std::uint16_t crc = vq::modbus::crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

Bytes readReply(std::uint8_t node, std::initializer_list<std::uint16_t> values)
{
    Bytes f{node, 0x03, static_cast<std::uint8_t>(2 * values.size())};
    for (auto v : values) {
        f.push_back(static_cast<std::uint8_t>(v >> 8));
        f.push_back(static_cast<std::uint8_t>(v & 0xFF));
    }
    return withCrc(f);
}

Bytes exception(std::uint8_t node, std::uint8_t function, std::uint8_t code)
{
    return withCrc({node, static_cast<std::uint8_t>(function | 0x80), code});
}

// A silent line costs 40 ms, then twenty polls of 5 + 10 ms.
constexpr long long kSilentReceiveMs = 40 + 20 * 15;

class FrameExchange : public ::testing::Test {
protected:
    FrameExchange() : exchanger(line, clock, [this] { ++activity; })
    {
        exchanger.setNode(kNode);
    }

    static constexpr std::uint8_t kNode = 0x01;
    VirtualClock clock;
    ScriptedLine line{clock};
    int activity = 0;
    FrameExchanger exchanger;
    std::array<std::uint8_t, 257> data{};
};

} // namespace

// --- read registers (0x03) -------------------------------------------------

TEST_F(FrameExchange, ReadAcceptsAWholeReplyInWireOrder)
{
    line.answerNextWith(readReply(kNode, {0x1234, 0xFF9C}));
    const ExchangeResult r = exchanger.readRegisters(206, 2, data.data());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.result, 4);
    EXPECT_EQ((Bytes(data.begin(), data.begin() + 4)), (Bytes{0x12, 0x34, 0xFF, 0x9C}));
    ASSERT_EQ(line.written.size(), 1u);
    EXPECT_EQ(line.written[0], withCrc({kNode, 0x03, 0x00, 0xCE, 0x00, 0x02}));
    EXPECT_EQ(activity, 2); // once at the send, once at the receive
    EXPECT_EQ(line.writeTimes[0], 5); // 5 ms after the purge
}

TEST_F(FrameExchange, ReadAssemblesAReplyArrivingInPieces)
{
    const Bytes reply = readReply(kNode, {0x0102, 0x0304, 0x0506});
    // The node byte alone first, so the function byte that fixes the
    // expected length arrives in a later chunk.
    line.answerNextWith({{41, {reply[0]}},
                         {70, Bytes(reply.begin() + 1, reply.begin() + 4)},
                         {130, Bytes(reply.begin() + 4, reply.end())}});
    const ExchangeResult r = exchanger.readRegisters(100, 3, data.data());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.result, 6);
    EXPECT_EQ(data[5], 0x06);
}

TEST_F(FrameExchange, ReadEndsOnAnExceptionWithoutWaitingForTheFullLength)
{
    line.answerNextWith(exception(kNode, 0x03, 0x02));
    const ExchangeResult r = exchanger.readRegisters(4000, 2, data.data());
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.result, 0);
    EXPECT_LT(clock.nowMs, 5 + 40 + 15); // ended at the first poll
}

TEST_F(FrameExchange, ReadCutOffAfterSixOfNineBytesKeepsWhatArrived)
{
    const Bytes reply = readReply(kNode, {0xABCD, 0x1111});
    line.answerNextWith(Bytes(reply.begin(), reply.begin() + 6));
    data.fill(0xEE);
    const ExchangeResult r = exchanger.readRegisters(0, 2, data.data());
    EXPECT_EQ(r.status, 58);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(data[0], 0xAB);
    EXPECT_EQ(data[1], 0xEE);
}

TEST_F(FrameExchange, ReadFromAnotherNodeGivesStatus3AndNoData)
{
    line.answerNextWith(readReply(0x02, {0x4444}));
    data.fill(0);
    const ExchangeResult r = exchanger.readRegisters(0, 1, data.data());
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(data[0], 0);
}

TEST_F(FrameExchange, ReadWithABadCrcIsAFailedReadNotData)
{
    Bytes reply = readReply(kNode, {0x5555});
    reply.back() ^= 0xFF;
    data.fill(0);
    line.answerNextWith(reply);
    const ExchangeResult bad = exchanger.readRegisters(0, 1, data.data());
    EXPECT_EQ(bad.status, 58);
    EXPECT_EQ(bad.result, 0);
    EXPECT_EQ(data[0], 0);
}

TEST_F(FrameExchange, ReadNeverWritesPastItsBuffersWhateverArrives)
{
    // A valid frame followed by far more than the 257-byte buffer holds.
    Bytes flood = readReply(kNode, {0x0A0B});
    flood.resize(600, 0x5A);
    line.answerNextWith(flood);
    data.fill(0);
    const ExchangeResult r = exchanger.readRegisters(0, 1, data.data());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.result, 2); // only the frame asked for reaches the caller
    EXPECT_EQ(data[0], 0x0A);
    EXPECT_EQ(data[2], 0);
    EXPECT_LE(line.largestRead, 255);
}

TEST_F(FrameExchange, ReadOfAFloodWithoutAFrameFailsInsideTheBuffer)
{
    Bytes garbage(700, 0x5A);
    garbage[0] = kNode;
    garbage[1] = 0x03;
    line.answerNextWith({{1, Bytes(garbage.begin(), garbage.begin() + 200)},
                         {60, Bytes(garbage.begin() + 200, garbage.end())}});
    const ExchangeResult r = exchanger.readRegisters(0, 126, data.data());
    EXPECT_EQ(r.status, 58); // CRC wrong
    EXPECT_EQ(r.result, 0);
}

TEST_F(FrameExchange, ReadWithNoReplyGivesStatus9AfterTheSilentPolls)
{
    line.answerNextWithSilence();
    const ExchangeResult r = exchanger.readRegisters(0, 2, data.data());
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(clock.nowMs, 5 + kSilentReceiveMs);
}

TEST_F(FrameExchange, ReadOfOnlyFourBytesIsTooShort)
{
    const Bytes reply = readReply(kNode, {1});
    line.answerNextWith(Bytes(reply.begin(), reply.begin() + 4));
    EXPECT_EQ(exchanger.readRegisters(0, 1, data.data()).status, 9);
}

TEST_F(FrameExchange, ReadOnABrokenLineIsAFailedRead)
{
    line.broken = true;
    const ExchangeResult r = exchanger.readRegisters(0, 1, data.data());
    EXPECT_EQ(r.status, 58);
    EXPECT_EQ(r.result, 0);
}

TEST_F(FrameExchange, ALateReplyToAnEarlierRequestIsPurgedBeforeTheNextOne)
{
    line.answerNextWith({{400, readReply(kNode, {0x0BAD})}}); // arrives after the give-up
    EXPECT_EQ(exchanger.readRegisters(0, 1, data.data()).status, 9);
    clock.nowMs += 100; // the stale reply is now queued
    line.answerNextWith(readReply(kNode, {0x600D}));
    const ExchangeResult r = exchanger.readRegisters(0, 1, data.data());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(data[0], 0x60);
    EXPECT_EQ(data[1], 0x0D);
}

TEST_F(FrameExchange, TurnaroundDelaySitsBetweenSendAndReceive)
{
    exchanger.setTurnaround(30);
    line.answerNextWithSilence();
    exchanger.readRegisters(0, 1, data.data());
    EXPECT_EQ(clock.nowMs, 5 + 30 + kSilentReceiveMs);
}

// --- writes (0x06, 0x10) ---------------------------------------------------

TEST_F(FrameExchange, WriteSingleAcceptsTheEcho)
{
    const Bytes request = withCrc({kNode, 0x06, 0x10, 0x56, 0x00, 0x02});
    line.answerNextWith(request);
    const ExchangeResult r = exchanger.writeSingle(0x1056, 2);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.result, 8);
    EXPECT_EQ(line.written[0], request);
}

TEST_F(FrameExchange, WriteOutcomesForShortMissingForeignExceptionAndGarbledEchoes)
{
    const Bytes echo = withCrc({kNode, 0x06, 0x00, 0x9E, 0x01, 0xF4});

    line.answerNextWith(Bytes(echo.begin(), echo.begin() + 3));
    ExchangeResult r = exchanger.writeSingle(0x9E, 500);
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.result, 8);

    line.answerNextWithSilence();
    r = exchanger.writeSingle(0x9E, 500);
    EXPECT_EQ(r.status, 9);
    EXPECT_EQ(r.result, 8);

    Bytes foreign = withCrc({0x07, 0x06, 0x00, 0x9E, 0x01, 0xF4});
    line.answerNextWith(foreign);
    r = exchanger.writeSingle(0x9E, 500);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.result, 0);

    line.answerNextWith(exception(kNode, 0x06, 6));
    r = exchanger.writeSingle(0x9E, 500);
    EXPECT_EQ(r.status, 6);
    EXPECT_EQ(r.result, 0);

    Bytes garbled = echo;
    garbled[6] ^= 0x01;
    line.answerNextWith(garbled);
    r = exchanger.writeSingle(0x9E, 500);
    EXPECT_EQ(r.status, 58);
    EXPECT_EQ(r.result, 0);

    line.answerNextWith(Bytes(echo.begin(), echo.begin() + 6));
    r = exchanger.writeSingle(0x9E, 500);
    EXPECT_EQ(r.status, 58); // cut off: the receive status
    EXPECT_EQ(r.result, 8);
}

TEST_F(FrameExchange, WriteMultipleOfSixRegistersSends21BytesAndTakesAnEightByteReply)
{
    const std::uint16_t values[6] = {1, 21, 1, 2, 3, 4};
    line.answerNextWith(withCrc({kNode, 0x10, 0x04, 0x0C, 0x00, 0x06}));
    const ExchangeResult r = exchanger.writeMultiple(0x040C, values, 6);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.result, 8);
    ASSERT_EQ(line.written[0].size(), 21u);
    EXPECT_EQ(line.written[0][6], 12);
    EXPECT_EQ(line.written[0][9], 0x00);
    EXPECT_EQ(line.written[0][10], 21);
}

// --- trace read (0x64) -----------------------------------------------------

TEST_F(FrameExchange, TraceFetchCopiesTheBlockBehindTheFunctionByte)
{
    Bytes block{kNode, 0x64};
    for (int i = 0; i < 240; ++i)
        block.push_back(static_cast<std::uint8_t>(i));
    line.answerNextWith(withCrc(block));
    const ExchangeResult r = exchanger.readTrace(2, 4, data.data());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.result, 240);
    EXPECT_EQ(data[0], 0);
    EXPECT_EQ(data[239], 239);
    EXPECT_EQ(line.written[0].size(), 5u);
}

TEST_F(FrameExchange, TraceReadyQueryTakesAFiveByteReplyAndExceptionFiveMeansNotReady)
{
    line.answerNextWith(withCrc({kNode, 0x64, 0x01}));
    ExchangeResult r = exchanger.readTrace(1, 4, data.data());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.result, 1);

    line.answerNextWith(exception(kNode, 0x64, 5));
    r = exchanger.readTrace(1, 4, data.data());
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.result, 2);

    line.answerNextWith(exception(kNode, 0x03, 5)); // code 5 to another request is just an error
    r = exchanger.readRegisters(0, 1, data.data());
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.result, 0);
}

TEST_F(FrameExchange, TraceModeEightSendsTheShortCrcLayout)
{
    line.answerNextWithSilence();
    exchanger.readTrace(8, 1, data.data());
    const Bytes &sent = line.written[0];
    ASSERT_EQ(sent.size(), 5u);
    const std::uint16_t crc = vq::modbus::crc16(sent.data(), 2);
    EXPECT_EQ(sent[2], crc & 0xFF);
    EXPECT_EQ(sent[3], crc >> 8);
    EXPECT_EQ(sent[4], 0);
}

// --- scattered read (0x6A) -------------------------------------------------

TEST_F(FrameExchange, ScatteredReadWaitsFiftyMoreAndCopiesInRequestOrder)
{
    const std::uint16_t addresses[2] = {206, 4160};
    line.answerNextWith({{100, withCrc({kNode, 0x6A, 4, 0x00, 0x64, 0x00, 0x05})}});
    const ExchangeResult r = exchanger.scatteredRead(addresses, 4, data.data());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.result, 4);
    EXPECT_EQ((Bytes(data.begin(), data.begin() + 4)), (Bytes{0x00, 0x64, 0x00, 0x05}));
    EXPECT_EQ(line.written[0], withCrc({kNode, 0x6A, 4, 0x00, 0xCE, 0x10, 0x40}));
}

TEST_F(FrameExchange, ScatteredReadTakesFiveBytesOrFewerAsNoReply)
{
    const std::uint16_t addresses[1] = {206};
    line.answerNextWith(exception(kNode, 0x6A, 2)); // five bytes: too short for this kind
    EXPECT_EQ(exchanger.scatteredRead(addresses, 2, data.data()).status, 9);

    line.answerNextWithSilence();
    const long long before = clock.nowMs;
    EXPECT_EQ(exchanger.scatteredRead(addresses, 2, data.data()).status, 9);
    EXPECT_EQ(clock.nowMs - before, 5 + 50 + kSilentReceiveMs);

    line.answerNextWith(withCrc({0x09, 0x6A, 2, 0x00, 0x01}));
    EXPECT_EQ(exchanger.scatteredRead(addresses, 2, data.data()).status, 3);
}

// --- replies that do not answer the request --------------------------------

TEST_F(FrameExchange, RepliesThatDoNotAnswerTheRequestAreFailedReads)
{
    line.answerNextWith(exception(kNode, 0x03, 0)); // code 0 is no exception
    EXPECT_EQ(exchanger.readRegisters(0, 1, data.data()).status, 58);

    line.answerNextWith(withCrc({kNode, 0x04, 2, 0x12, 0x34})); // another function
    EXPECT_EQ(exchanger.readRegisters(0, 1, data.data()).status, 58);

    line.answerNextWith(exception(kNode, 0x10, 2)); // an exception to another function
    EXPECT_EQ(exchanger.readRegisters(0, 1, data.data()).status, 58);

    line.answerNextWith(withCrc({kNode, 0x03, 2, 0x12, 0x34, 0x56, 0x78})); // count says one register
    const ExchangeResult wrongCount = exchanger.readRegisters(0, 2, data.data());
    EXPECT_EQ(wrongCount.status, 58);
    EXPECT_EQ(wrongCount.result, 0);

    line.answerNextWith(withCrc({kNode, 0x06, 0x00, 0x9E, 0x01, 0xF5})); // another value
    ExchangeResult w = exchanger.writeSingle(0x9E, 500);
    EXPECT_EQ(w.status, 58);
    EXPECT_EQ(w.result, 0);

    line.answerNextWith(withCrc({kNode, 0x06, 0x00, 0xA0, 0x01, 0xF4})); // another address
    EXPECT_EQ(exchanger.writeSingle(0x9E, 500).status, 58);

    line.answerNextWith(exception(kNode, 0x06, 0));
    w = exchanger.writeSingle(0x9E, 500);
    EXPECT_EQ(w.status, 58) << "a refused write must not pass for an accepted one";
    EXPECT_EQ(w.result, 0);

    const std::uint16_t values[3] = {1, 2, 3};
    line.answerNextWith(withCrc({kNode, 0x10, 0x00, 0xA0, 0x00, 0x02})); // another count
    EXPECT_EQ(exchanger.writeMultiple(0xA0, values, 3).status, 58);

    const std::uint16_t addresses[2] = {206, 4160};
    line.answerNextWith(withCrc({kNode, 0x6A, 2, 0x00, 0x64, 0x00, 0x05})); // count of one address
    EXPECT_EQ(exchanger.scatteredRead(addresses, 4, data.data()).status, 58);
}

// --- late replies, deadlines and the end of the request ---------------------

TEST_F(FrameExchange, ADifferentRequestAfterAFailureWaitsForTheLateReplyAndDropsIt)
{
    // Answered 400 ms late, after the receive gave up, and never withdrawn.
    line.answerNextWith({{400, readReply(kNode, {0x0BAD})}});
    EXPECT_EQ(exchanger.readRegisters(0, 1, data.data()).status, 9);
    const long long failedAt = clock.nowMs;

    line.answerNextWith(readReply(kNode, {0x600D}));
    const ExchangeResult r = exchanger.readRegisters(2, 1, data.data());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(data[0], 0x60);
    // It went out only after the stale reply had come and the line was quiet again.
    ASSERT_EQ(line.written.size(), 2u);
    EXPECT_GE(line.writeTimes[1], 5 + 400 + 345);
    EXPECT_LT(line.writeTimes[1] - failedAt, 1200 + 10);
}

TEST_F(FrameExchange, ARetryOfTheSameRequestMayTakeItsLateAnswerAtOnce)
{
    line.answerNextWith({{360, readReply(kNode, {0x0A0A})}});
    EXPECT_EQ(exchanger.readRegisters(8, 1, data.data()).status, 9);
    line.answerNextWithSilence();
    const long long before = clock.nowMs;
    const ExchangeResult r = exchanger.readRegisters(8, 1, data.data());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(data[1], 0x0A);
    EXPECT_EQ(line.writeTimes[1], before + 5) << "no wait before a retry";
}

TEST_F(FrameExchange, AQuietLineAfterAFailureCostsOneAttemptsTimeOnlyOnce)
{
    line.answerNextWithSilence();
    EXPECT_EQ(exchanger.readRegisters(0, 1, data.data()).status, 9);
    const long long failedAt = clock.nowMs;
    line.answerNextWith(readReply(kNode, {1}));
    EXPECT_EQ(exchanger.readRegisters(2, 1, data.data()).status, 0);
    EXPECT_LE(line.writeTimes[1] - failedAt, 345 + 150 + 5 + 5);
    EXPECT_GE(line.writeTimes[1] - failedAt, 345 + 150);
    line.answerNextWith(readReply(kNode, {2}));
    const long long before = clock.nowMs;
    EXPECT_EQ(exchanger.readRegisters(4, 1, data.data()).status, 0);
    EXPECT_EQ(line.writeTimes[2], before + 5) << "settled: no more waiting";
}

TEST_F(FrameExchange, BytesTricklingInNeverHoldTheReceivePastItsDeadline)
{
    exchanger.setBaud(19200);
    std::vector<ScriptedLine::Chunk> trickle;
    for (int t = 1; t < 5000; t += 8)
        trickle.push_back({t, {0x5A}});
    line.answerNextWith(trickle);
    const ExchangeResult r = exchanger.readRegisters(0, 126, data.data());
    EXPECT_NE(r.status, 0);
    // 345 ms of waits plus twice the wire time of 8 + 257 bytes.
    EXPECT_LE(clock.nowMs, 345 + 2 * (265 * 10'000 / 19200) + 1 + 15);
}

TEST_F(FrameExchange, TheWaitsStartWhenTheRequestHasLeft)
{
    exchanger.setBaud(9600);
    exchanger.setTurnaround(30);
    const std::uint16_t values[124] = {};
    // 257 bytes at 9600 baud take 267.7 ms; the echo comes 150 ms after that.
    line.answerNextWith({{268 + 150 + 9, withCrc({kNode, 0x10, 0x00, 0xA0, 0x00, 124})}});
    const ExchangeResult r = exchanger.writeMultiple(0xA0, values, 124);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(line.written.size(), 1u);
}

TEST_F(FrameExchange, FastProfileEndsTheReceiveWhenTheFrameIsIn)
{
    exchanger.setProfile(vq::link::ExchangeProfile::Fast);
    exchanger.setBaud(19200);
    exchanger.setTurnaround(30); // not waited in this profile
    line.answerNextWith({{12, readReply(kNode, {0x1234, 0x5678})}});
    ExchangeResult r = exchanger.readRegisters(0, 2, data.data());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(data[2], 0x56);
    // 3.5 characters of silence (1.8 ms, 2 on this clock) before the request.
    EXPECT_EQ(line.writeTimes[0], 2);
    EXPECT_EQ(clock.nowMs, 2 + 12);

    const long long before = clock.nowMs;
    line.answerNextWith(exception(kNode, 0x03, 2));
    r = exchanger.readRegisters(0, 2, data.data());
    EXPECT_EQ(r.status, 2);
    EXPECT_LE(clock.nowMs - before, 2 + 5 + 1);

    // A silent drive is given the same window as in the specified profile.
    line.answerNextWithSilence();
    const long long silentFrom = clock.nowMs;
    r = exchanger.readRegisters(0, 2, data.data());
    EXPECT_EQ(r.status, 9);
    EXPECT_GE(clock.nowMs - silentFrom, 340);
    EXPECT_LE(clock.nowMs - silentFrom, 340 + 10);

    // A reply cut off is given up after the same pause as when polling.
    const Bytes reply = readReply(kNode, {0xABCD, 0x1111});
    line.answerNextWith(Bytes(reply.begin(), reply.begin() + 6));
    r = exchanger.readRegisters(0, 2, data.data());
    EXPECT_EQ(r.status, 58);
    EXPECT_EQ(r.result, 1);
}
