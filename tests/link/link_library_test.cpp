// The link library as the main program uses it: the exported functions over a
// real pseudo-terminal, with a scripted drive on the other side. Every case
// runs in both exchange profiles.
#include "tests/support/pty_responder.h"
#include "vq_communication.h"

#include "link/modbus_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cerrno>
#include <thread>

#include <dlfcn.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

using vq::test::Bytes;
using vq::test::PtyResponder;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint8_t kNode = 0;

// A drive whose every register holds its own address, so that each reply can
// be matched to the request that asked for it.
Bytes addressEchoDrive(const Bytes &request)
{
    const std::uint8_t node = request[0];
    switch (request[1]) {
    case 0x03: {
        const std::uint16_t start = vq::modbus::getWord(&request[2]);
        std::vector<std::uint16_t> values;
        for (int i = 0; i < request[5]; ++i)
            values.push_back(static_cast<std::uint16_t>(start + 2 * i));
        return PtyResponder::readReply(node, values);
    }
    case 0x06:
        return request;
    case 0x10:
        return PtyResponder::withCrc(Bytes(request.begin(), request.begin() + 6));
    case 0x6A: {
        Bytes reply{node, 0x6A, request[2]};
        reply.insert(reply.end(), request.begin() + 3, request.begin() + 3 + request[2]);
        return PtyResponder::withCrc(reply);
    }
    case 0x64: {
        if (request[2] != 2)
            return PtyResponder::withCrc({node, 0x64, request[2]});
        Bytes block{node, 0x64};
        for (int i = 0; i < 120; ++i) {
            block.push_back(static_cast<std::uint8_t>(i >> 8));
            block.push_back(static_cast<std::uint8_t>(i));
        }
        return PtyResponder::withCrc(block);
    }
    default:
        return {};
    }
}

Bytes silence(const Bytes &) { return {}; }

class LinkLibrary : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(CommSetExchangeProfile(GetParam()), 1);
        ASSERT_EQ(CommCreate(), 1);
        drive = std::make_unique<PtyResponder>(addressEchoDrive);
    }
    void TearDown() override
    {
        CommDestroy();
        CommSetExchangeProfile(VQ_PROFILE_SPECIFIED);
        drive.reset();
    }
    bool fast() const { return GetParam() == VQ_PROFILE_FAST; }
    void connect(unsigned baud = 19200, VQEventHandle event = VQ_NO_EVENT)
    {
        ASSERT_EQ(CommInitDevice(kNode, drive->device().c_str(), baud, event), 1);
        ASSERT_EQ(CommConnect(event), 1);
    }

    std::unique_ptr<PtyResponder> drive;
    std::array<std::uint8_t, 512> data{};
    std::uint8_t status = 0xEE;
};

double millisecondsOf(const std::function<void()> &call)
{
    const auto start = Clock::now();
    call();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

TEST(LinkLibraryExports, AllFunctionsAreExportedByPlainName)
{
    void *library = dlopen(TARVEX_RUN_DIR "/VQ_Communication.so", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char *name :
         {"CommCreate", "CommDestroy", "CommInit", "CommConnect", "CommDisConnect", "CommIsConnect",
          "CommRdSgRegister", "CommRdMtRegister", "CommRdTraceData", "CommRdEachRegister",
          "CommWrSgRegister", "CommWrMtRegister", "CommExchangeBoot", "CommInitDevice",
          "CommLastOpenError", "CommSetExchangeProfile", "CommGetStatistics", "CommResetStatistics",
          "CommReadFrameLog"})
        EXPECT_NE(dlsym(library, name), nullptr) << name;
    dlclose(library);
}

TEST(LinkLibraryLifecycle, CallsWithoutAnInstanceDoNothing)
{
    std::uint8_t status = 0xEE;
    std::uint8_t data[4];
    EXPECT_EQ(CommDestroy(), 0);
    EXPECT_EQ(CommInit(0, 1, 19200, VQ_NO_EVENT), 0);
    EXPECT_EQ(CommConnect(VQ_NO_EVENT), 0);
    EXPECT_EQ(CommDisConnect(), 0);
    EXPECT_EQ(CommIsConnect(), 0);
    EXPECT_EQ(CommRdSgRegister(0, data, &status, 1), 0);
    EXPECT_EQ(status, 1);
    status = 0xEE;
    EXPECT_EQ(CommWrSgRegister(0, 1, &status), 0);
    EXPECT_EQ(status, 1);
    status = 0xEE;
    EXPECT_EQ(CommRdTraceData(4, data, &status, 1), 0);
    EXPECT_EQ(status, 0xEE); // the trace read does not claim "nothing attempted"
    EXPECT_EQ(CommExchangeBoot(), 0);
}

TEST_P(LinkLibrary, SecondCreateKeepsTheOpenLinkAndDestroyTwiceFails)
{
    connect();
    EXPECT_EQ(CommCreate(), 0);
    EXPECT_EQ(CommIsConnect(), 1);
    EXPECT_EQ(CommRdSgRegister(78, data.data(), &status, 1), 2);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(CommExchangeBoot(), 0);
    EXPECT_EQ(CommDestroy(), 1);
    EXPECT_EQ(CommDestroy(), 0);
    EXPECT_EQ(CommCreate(), 1); // for TearDown
}

TEST_P(LinkLibrary, ConnectStateFollowsOpenCloseAndFailedOpens)
{
    EXPECT_EQ(CommIsConnect(), 0);
    connect();
    EXPECT_EQ(CommIsConnect(), 1);
    EXPECT_EQ(CommConnect(VQ_NO_EVENT), 1); // already open
    EXPECT_EQ(CommDisConnect(), 1);
    EXPECT_EQ(CommIsConnect(), 0);

    ASSERT_EQ(CommInitDevice(kNode, "/nonexistent/ttyUSB9", 19200, VQ_NO_EVENT), 1);
    EXPECT_EQ(CommConnect(VQ_NO_EVENT), 0);
    EXPECT_EQ(CommIsConnect(), 0);
    EXPECT_EQ(CommLastOpenError(), ENOENT);

    ASSERT_EQ(CommInitDevice(kNode, drive->device().c_str(), 12345, VQ_NO_EVENT), 1);
    EXPECT_EQ(CommConnect(VQ_NO_EVENT), 0); // a rate the port cannot set
    EXPECT_EQ(CommExchangeBoot(), 0);
}

TEST_P(LinkLibrary, ReadsAndWritesComeBackByteExact)
{
    connect();
    EXPECT_EQ(CommRdSgRegister(0x1056, data.data(), &status, 1), 2);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(data[0], 0x10);
    EXPECT_EQ(data[1], 0x56);

    EXPECT_EQ(CommRdMtRegister(2072, 64, data.data(), &status), 128);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(vq::modbus::getWord(&data[126]), 2072 + 126);

    ScatteredRequest request{};
    for (int i = 0; i < 34; ++i)
        request.addresses[i] = static_cast<std::uint16_t>(206 + 2 * i);
    request.byteCount = 68;
    EXPECT_EQ(CommRdEachRegister(request, data.data(), &status), 68);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(vq::modbus::getWord(&data[66]), 206 + 66);

    EXPECT_EQ(CommRdTraceData(4, data.data(), &status, 2), 240);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(vq::modbus::getWord(&data[238]), 119);

    EXPECT_EQ(CommWrSgRegister(0x1056, 0x10002, &status), 8); // the value's low 16 bits
    EXPECT_EQ(status, 0);
    const std::uint16_t six[6] = {1, 21, 1, 2, 3, 4};
    EXPECT_EQ(CommWrMtRegister(1036, 6, six, &status), 8);
    EXPECT_EQ(status, 0);

    const auto sent = drive->requests();
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(sent[0], PtyResponder::withCrc({0, 0x03, 0x10, 0x56, 0x00, 0x01}));
    EXPECT_EQ(sent[2].size(), 5u + 68u);
    EXPECT_EQ(sent[3], PtyResponder::withCrc({0, 0x64, 2}));
    EXPECT_EQ(sent[4], PtyResponder::withCrc({0, 0x06, 0x10, 0x56, 0x00, 0x02}));
    EXPECT_EQ(sent[5].size(), 21u);
}

TEST_P(LinkLibrary, SilentDriveGivesStatus9AfterTheAttemptLimits)
{
    connect();
    drive->setHandler(silence);

    EXPECT_EQ(CommRdMtRegister(0, 2, data.data(), &status), 0);
    EXPECT_EQ(status, 9);
    EXPECT_EQ(drive->requestCount(), 8u);

    EXPECT_EQ(CommRdSgRegister(0, data.data(), &status, 0), 0);
    EXPECT_EQ(status, 9);
    EXPECT_EQ(drive->requestCount(), 8u + 2u);

    EXPECT_EQ(CommWrSgRegister(274, 1, &status), 8); // a write with no echo still reports 8
    EXPECT_EQ(status, 9);
    EXPECT_EQ(drive->requestCount(), 10u + 8u);

    EXPECT_EQ(CommRdTraceData(4, data.data(), &status, 1), 0);
    EXPECT_EQ(status, 9);
    EXPECT_EQ(drive->requestCount(), 18u + 11u);
}

TEST_P(LinkLibrary, FailedAttemptsAreRetriedUntilAReplyIsAccepted)
{
    connect();
    int asked = 0;
    drive->setHandler([&](const Bytes &request) -> Bytes {
        ++asked;
        if (asked == 1)
            return {}; // lost
        Bytes reply = addressEchoDrive(request);
        if (asked == 2)
            reply.back() ^= 0x55; // garbled on the line
        return reply;
    });
    EXPECT_EQ(CommRdSgRegister(62, data.data(), &status, 1), 2);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(data[1], 62);
}

TEST_P(LinkLibrary, TraceNotReadyStopsAtTheFirstAttempt)
{
    connect();
    drive->setHandler([](const Bytes &request) {
        return PtyResponder::exceptionReply(request[0], 0x64, 5);
    });
    EXPECT_EQ(CommRdTraceData(4, data.data(), &status, 1), 2);
    EXPECT_EQ(status, 5);
    EXPECT_EQ(drive->requestCount(), 1u);
}

TEST_P(LinkLibrary, ExceptionRepliesEndEveryAttemptWithTheDriveCode)
{
    connect();
    drive->setHandler([](const Bytes &request) {
        return PtyResponder::exceptionReply(request[0], request[1], 6);
    });
    EXPECT_EQ(CommWrSgRegister(100, 1, &status), 0);
    EXPECT_EQ(status, 6);
    // On a loaded machine an attempt's answer may come in the next one's
    // window, before the drive has taken in the last request.
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (drive->requestCount() < 8u && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(drive->requestCount(), 8u);
}

TEST_P(LinkLibrary, ClosedPortSendsNothing)
{
    connect();
    CommDisConnect();
    EXPECT_EQ(CommRdSgRegister(0, data.data(), &status, 1), 0);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(CommRdMtRegister(0, 1, data.data(), &status), 0);
    EXPECT_EQ(status, 58);
    EXPECT_EQ(drive->requestCount(), 0u);
}

TEST_P(LinkLibrary, CallsThatCannotBeFramedAreRefusedBeforeSending)
{
    connect();
    EXPECT_EQ(CommRdMtRegister(0, 127, data.data(), &status), 0);
    EXPECT_EQ(status, 1);
    std::uint16_t words[125] = {};
    EXPECT_EQ(CommWrMtRegister(0, 125, words, &status), 0);
    EXPECT_EQ(status, 1);
    ScatteredRequest tooMany{};
    tooMany.byteCount = 254;
    EXPECT_EQ(CommRdEachRegister(tooMany, data.data(), &status), 0);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(CommRdTraceData(5, data.data(), &status, 2), 0);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(drive->requestCount(), 0u);
}

TEST_P(LinkLibrary, HeartbeatIsSignalledOnEverySendAndReceiveUntilDisconnect)
{
    const int heartbeat = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    ASSERT_GE(heartbeat, 0);
    connect(19200, heartbeat);
    ASSERT_EQ(CommRdSgRegister(0, data.data(), &status, 1), 2);
    std::uint64_t count = 0;
    ASSERT_EQ(read(heartbeat, &count, sizeof count), 8);
    EXPECT_EQ(count, 2u);

    // Closing forgets the event: a new connection without one stays quiet.
    CommDisConnect();
    ASSERT_EQ(CommInitDevice(kNode, drive->device().c_str(), 19200, VQ_NO_EVENT), 1);
    ASSERT_EQ(CommConnect(VQ_NO_EVENT), 1);
    ASSERT_EQ(CommRdSgRegister(0, data.data(), &status, 1), 2);
    EXPECT_EQ(read(heartbeat, &count, sizeof count), -1);
    EXPECT_EQ(errno, EAGAIN);
    close(heartbeat);
}

TEST_P(LinkLibrary, ConcurrentCallersEachGetTheirOwnReplies)
{
    connect();
    auto reader = [](std::uint16_t address, int rounds, int *mismatches) {
        std::uint8_t bytes[2];
        std::uint8_t st = 0;
        for (int i = 0; i < rounds; ++i) {
            CommRdSgRegister(address, bytes, &st, 1);
            if (st != 0 || vq::modbus::getWord(bytes) != address)
                ++*mismatches;
        }
    };
    int bad1 = 0, bad2 = 0;
    std::thread a(reader, 1000, 6, &bad1);
    std::thread b(reader, 2000, 6, &bad2);
    a.join();
    b.join();
    EXPECT_EQ(bad1, 0);
    EXPECT_EQ(bad2, 0);
}

TEST_P(LinkLibrary, TurnaroundDelayOnlyAt9600AndNoFixedWaitsInTheFastProfile)
{
    auto fastest = [&](unsigned baud) {
        CommDisConnect();
        connect(baud);
        double best = 1e9;
        for (int i = 0; i < 5; ++i)
            best = std::min(best, millisecondsOf([&] { CommRdSgRegister(0, data.data(), &status, 1); }));
        return best;
    };
    const double at9600 = fastest(9600);
    const double at19200 = fastest(19200);
    const double at57600 = fastest(57600);
    // The request's 8 bytes take their wire time before any wait starts.
    const double request9600 = 8 * 10'000.0 / 9600;
    const double request19200 = 8 * 10'000.0 / 19200;
    if (fast()) {
        // 3.5 characters of silence, the request, and the reply as it comes.
        EXPECT_GE(at9600, request9600 - 0.5);
        EXPECT_LT(at9600, request9600 + 4 + 15.0);
        EXPECT_LT(at19200, request19200 + 2 + 15.0);
        EXPECT_LT(at57600, at19200 + 5.0);
        return;
    }
    // 5 ms before the send, 40 ms before the first poll, one 5 ms poll; plus
    // 30 ms of turnaround at 9600 only. Sleeps never end early, so the lower
    // bounds are exact; the upper ones leave room for a busy machine.
    EXPECT_GE(at9600, 5 + request9600 + 30 + 40 + 5 - 0.5);
    EXPECT_GE(at19200, 5 + request19200 + 40 + 5 - 0.5);
    EXPECT_GT(at9600 - at19200, 15.0);
    EXPECT_GT(at9600 - at57600, 15.0);
    EXPECT_LT(at19200, 5 + request19200 + 40 + 5 + 25.0);
}

INSTANTIATE_TEST_SUITE_P(BothProfiles, LinkLibrary,
                         ::testing::Values(VQ_PROFILE_SPECIFIED, VQ_PROFILE_FAST),
                         [](const ::testing::TestParamInfo<int> &param) {
                             return param.param == VQ_PROFILE_FAST ? "Fast" : "Specified";
                         });

TEST(LinkLibraryProfiles, UnknownProfilesAreRefusedAndTheChoiceOutlivesTheInstance)
{
    EXPECT_EQ(CommSetExchangeProfile(2), 0);
    EXPECT_EQ(CommSetExchangeProfile(-1), 0);
    EXPECT_EQ(CommSetExchangeProfile(VQ_PROFILE_FAST), 1); // no instance yet
    ASSERT_EQ(CommCreate(), 1);
    PtyResponder drive(addressEchoDrive);
    ASSERT_EQ(CommInitDevice(kNode, drive.device().c_str(), 19200, VQ_NO_EVENT), 1);
    ASSERT_EQ(CommConnect(VQ_NO_EVENT), 1);
    std::uint8_t bytes[2] = {};
    std::uint8_t status = 0xEE;
    // The specified profile never takes less than its fixed 5 + 40 ms; the
    // quickest of a few reads tells the profiles apart on a busy machine,
    // where any one read may be held up.
    const auto quickestRead = [&] {
        double quickest = 1e9;
        for (int i = 0; i < 5; ++i)
            quickest = std::min(quickest, millisecondsOf([&] { CommRdSgRegister(78, bytes, &status, 1); }));
        return quickest;
    };
    EXPECT_LT(quickestRead(), 40.0) << "the fast profile was not in effect";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(CommSetExchangeProfile(7), 0);
    EXPECT_LT(quickestRead(), 40.0) << "a refused profile changed the one in use";
    CommDestroy();
    EXPECT_EQ(CommSetExchangeProfile(VQ_PROFILE_SPECIFIED), 1);
}
