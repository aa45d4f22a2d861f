// The link's statistics and frame log through the real library over a
// pseudo-terminal: each fault the virtual drive injects is counted exactly
// once per time it struck, and the frame log holds the bytes that went out
// and came back with what became of them.
#include "tests/simulator/sim_test_support.h"
#include "vq_communication.h"

#include "link/crc16.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <functional>
#include <thread>
#include <vector>

using namespace vq::simtest;
using Drive = vq::sim::VirtualDrive;
using Counter = std::uint64_t VQLinkStatistics::*;

namespace {

constexpr std::uint16_t kVersionRegister = 62;
constexpr std::uint16_t kFirmwareText = 4174;

VQLinkStatistics statistics()
{
    VQLinkStatistics s{};
    s.size = sizeof s;
    EXPECT_EQ(CommGetStatistics(&s), 1);
    return s;
}

std::vector<VQFrameLogEntry> frameLog()
{
    std::vector<VQFrameLogEntry> all;
    std::vector<VQFrameLogEntry> chunk(64);
    std::uint64_t after = 0;
    for (;;) {
        const int n = CommReadFrameLog(after, chunk.data(), static_cast<int>(chunk.size()));
        if (n <= 0)
            return all;
        all.insert(all.end(), chunk.begin(), chunk.begin() + n);
        after = all.back().sequence;
    }
}

// Every reply the drive has made has gone out.
void waitUntilAllSent(Drive &drive)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        const auto c = drive.counters();
        if (c.repliesSent >= c.framesAnswered)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    FAIL() << "the drive kept replies back";
}

const Counter kFailures[] = {&VQLinkStatistics::noReply,        &VQLinkStatistics::badCrc,
                             &VQLinkStatistics::otherNode,      &VQLinkStatistics::foreignReply,
                             &VQLinkStatistics::lateReply,      &VQLinkStatistics::exceptionReply,
                             &VQLinkStatistics::cutShort,       &VQLinkStatistics::lineError};

const char *const kFailureNames[] = {"no reply",      "bad CRC",   "other node", "foreign reply",
                                     "late reply",    "exception", "cut short",  "line error"};

struct FaultCase {
    const char *name;
    std::function<void(Drive &)> inject;
    int struck;                   // attempts the fault spoiled
    std::vector<Counter> counted; // each of these counts `struck`, every other failure 0
    bool late = false;            // replies still to come after the read
};

} // namespace

TEST(LinkStatistics, EachInjectedFaultIsCountedExactly)
{
    const std::vector<FaultCase> cases = {
        {"no reply", [](Drive &d) { d.dropNextReplies(2); }, 2, {&VQLinkStatistics::noReply}},
        {"bad CRC", [](Drive &d) { d.corruptNextReplies(2); }, 2, {&VQLinkStatistics::badCrc}},
        {"other node", [](Drive &d) { d.answerNextFromOtherNode(4); }, 4, {&VQLinkStatistics::otherNode}},
        {"exception", [](Drive &d) { d.refuseNextReplies(4, 2); }, 2, {&VQLinkStatistics::exceptionReply}},
        {"cut short", [](Drive &d) { d.cutNextReplies(6, 2); }, 2, {&VQLinkStatistics::cutShort}},
        // The late reply's own attempt saw nothing; the reply came afterwards.
        {"late reply", [](Drive &d) { d.delayNextReplies(1, 700); }, 1,
         {&VQLinkStatistics::noReply, &VQLinkStatistics::lateReply}, true},
    };
    for (const FaultCase &c : cases) {
        SCOPED_TRACE(c.name);
        auto drive = startDrive();
        LinkSession link(drive->devicePath());
        ASSERT_TRUE(link.connected());
        ASSERT_EQ(link.readSingle(kFirmwareText).status, 0);
        c.inject(*drive);
        ASSERT_EQ(link.readSingle(kVersionRegister).status, 0);
        if (c.late)
            waitUntilAllSent(*drive);
        ASSERT_EQ(link.readSingle(kFirmwareText).status, 0);

        const VQLinkStatistics s = statistics();
        EXPECT_EQ(s.operations, 3u);
        EXPECT_EQ(s.accepted, 3u);
        // A marker, when the link sends one, is an attempt of its own.
        EXPECT_EQ(s.retries, static_cast<std::uint64_t>(c.struck) + s.markers);
        EXPECT_EQ(s.exchanges, static_cast<std::uint64_t>(3 + c.struck) + s.markers);
        for (std::size_t k = 0; k < std::size(kFailures); ++k) {
            const Counter failure = kFailures[k];
            const bool injected = std::find(c.counted.begin(), c.counted.end(), failure) != c.counted.end();
            EXPECT_EQ(s.*failure, injected ? static_cast<std::uint64_t>(c.struck) : 0u) << kFailureNames[k];
        }
        if (c.counted.front() == &VQLinkStatistics::exceptionReply)
            EXPECT_EQ(s.exceptionByCode[4], 2u);
        // Every whole frame back timed, in order.
        EXPECT_GE(s.rttCount, 3u);
        EXPECT_LE(s.rttMinUs, s.rttMedianUs);
        EXPECT_LE(s.rttMedianUs, s.rttP99Us);
        EXPECT_LE(s.rttP99Us, s.rttMaxUs);
        EXPECT_GT(s.rttMaxUs, 0u);
    }
}

TEST(LinkStatistics, AReconnectStartsAfreshAndAResetToo)
{
    auto drive = startDrive();
    {
        LinkSession link(drive->devicePath());
        drive->dropNextReplies(1);
        ASSERT_EQ(link.readSingle(kVersionRegister).status, 0);
        EXPECT_EQ(statistics().noReply, 1u);
        EXPECT_EQ(CommResetStatistics(), 1);
        EXPECT_EQ(statistics().exchanges, 0u);
        ASSERT_EQ(link.readSingle(kVersionRegister).status, 0);
        EXPECT_EQ(statistics().exchanges, 1u);
    }
    LinkSession again(drive->devicePath());
    const VQLinkStatistics s = statistics();
    EXPECT_EQ(s.exchanges, 0u);
    EXPECT_EQ(s.rttCount, 0u);
    // A caller that knows only the first counters gets those, and nothing
    // beyond its struct is touched.
    std::vector<std::uint8_t> buffer(sizeof(VQLinkStatistics) + 16, 0xAB);
    auto *shortStats = reinterpret_cast<VQLinkStatistics *>(buffer.data());
    shortStats->size = 24;
    EXPECT_EQ(CommGetStatistics(shortStats), 1);
    EXPECT_EQ(buffer[24], 0xAB);
    EXPECT_EQ(CommGetStatistics(nullptr), 0);
}

TEST(LinkStatistics, TheFrameLogHoldsEachExchangesBytesAndVerdict)
{
    auto drive = startDrive();
    LinkSession link(drive->devicePath());
    const std::uint64_t before = frameLog().empty() ? 0 : frameLog().back().sequence;
    drive->dropNextReplies(2);
    const Words read = link.readSingle(kVersionRegister);
    ASSERT_EQ(read.status, 0);
    std::vector<VQFrameLogEntry> log = frameLog();
    std::erase_if(log, [&](const VQFrameLogEntry &e) { return e.sequence <= before; });
    ASSERT_EQ(log.size(), 3u);

    std::vector<std::uint8_t> request = {0x00, 0x03, 0x00, kVersionRegister, 0x00, 0x01};
    request = withCrc(request);
    const std::uint16_t value = drive->registerValue(kVersionRegister);
    const std::vector<std::uint8_t> reply =
        withCrc({0x00, 0x03, 0x02, static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value & 0xFF)});
    const std::uint8_t verdicts[] = {VQ_VERDICT_NO_REPLY, VQ_VERDICT_NO_REPLY, VQ_VERDICT_ACCEPTED};
    for (std::size_t i = 0; i < log.size(); ++i) {
        const VQFrameLogEntry &e = log[i];
        EXPECT_EQ(e.verdict, verdicts[i]) << i;
        EXPECT_EQ(std::vector<std::uint8_t>(e.request, e.request + e.requestLength), request) << i;
        EXPECT_GT(e.requestTimeUs, 0) << i;
        EXPECT_GE(e.replyTimeUs, e.requestTimeUs) << i;
        if (i > 0)
            EXPECT_EQ(e.sequence, log[i - 1].sequence + 1);
    }
    EXPECT_EQ(log[0].status, VQ_STATUS_NO_REPLY);
    EXPECT_EQ(log[0].replyLength, 0u);
    EXPECT_EQ(std::vector<std::uint8_t>(log[2].reply, log[2].reply + log[2].replyLength), reply);

    // Nothing is newer than the newest entry, and a bad buffer is refused.
    EXPECT_EQ(CommReadFrameLog(log.back().sequence, log.data(), 1), 0);
    EXPECT_EQ(CommReadFrameLog(~0ULL, log.data(), 1), 0);
    EXPECT_EQ(CommReadFrameLog(0, nullptr, 4), 0);
    EXPECT_EQ(CommReadFrameLog(0, log.data(), -1), 0);
}
