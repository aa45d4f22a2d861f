// The parameter service's register operations through the real link
// library, without a window: block reads into the register images, block
// and single writes with their results, scattered reads split at 126
// registers, the servo state and the lock commands, and the message of
// each failing group.
#include "drive/connection/communication.h"
#include "drive/parameters/parameter_service.h"
#include "tests/app/parameters/parameter_session.h"
#include "tests/app/support/recording_messages.h"
#include "tests/app/support/scripted_drive.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using namespace parameter_result;

class ServiceOn : public ::testing::Test {
protected:
    void connectTo(const std::string &device)
    {
        drive = std::make_unique<DriveConnection>(frame, messages);
        drive->BindLinkLibrary(TARVEX_LINK_LIBRARY);
        CCommunication settings(drive.get());
        settings.ApplySettings(0, PortChoice{1, device}, kDialogBaudIndex);
        drive->Connect();
        ASSERT_TRUE(drive->isLinkOpen()) << (messages.empty() ? "" : messages.texts().front());
        service.setDrive(drive.get());
        messages.clear();
    }
    void TearDown() override
    {
        if (drive)
            drive->StopWorkers({});
    }

    FrameState frame;
    test::RecordingMessages messages;
    std::unique_ptr<DriveConnection> drive;
    CParameter service;
};

class ServiceOnScriptedDrive : public ServiceOn {
protected:
    void SetUp() override { connectTo(scripted.device()); }
    test::ScriptedDrive scripted;
};

TEST_F(ServiceOnScriptedDrive, ReadAllGroupsFillsEachImageAndSkipsTheHiddenGroup)
{
    for (int g = 0; g < 8; ++g)
        service.setGroupLayout(g, static_cast<std::uint16_t>(1000 + 100 * g), 3);
    for (int g = 0; g < 8; ++g)
        for (int i = 0; i < 3; ++i)
            scripted.set(static_cast<std::uint16_t>(1000 + 100 * g + 2 * i), static_cast<std::uint16_t>(0x1200 + 16 * g + i));
    const std::size_t before = scripted.requestCount();
    std::uint8_t status = 1;
    EXPECT_EQ(service.ReadAllGroups(status), kSuccess);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(scripted.requestCount() - before, 7u) << "one block read per shown group";
    EXPECT_EQ(service.image(5)[2], 0x1252);
    EXPECT_EQ(service.image(7)[0], 0x1270);
    EXPECT_EQ(service.image(6)[0], 0) << "the factory group stays unread";
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(drive->generalBusy.load(), 0);
}

TEST_F(ServiceOnScriptedDrive, AGroupThatCannotBeReadEndsTheReadWithItsMessage)
{
    for (int g = 0; g < 8; ++g)
        service.setGroupLayout(g, static_cast<std::uint16_t>(1000 + 100 * g), 2);
    scripted.set(1500, 55);
    scripted.refuseReadsAt(1700, 4);
    std::uint8_t status = 0;
    EXPECT_EQ(service.ReadAllGroups(status), kReported);
    EXPECT_EQ(status, 4);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Fullclosed Read Error"});
    EXPECT_EQ(service.image(5)[0], 55) << "the groups before it are kept";
}

TEST_F(ServiceOnScriptedDrive, ReadAllGroupsNamesEachGroupThatFails)
{
    const char *expected[] = {"Status Read Error", "System Read Error",   "Control Read Error",
                              "In/Out Read Error", "Speed Read Error",    "Position Read Error",
                              nullptr,             "Fullclosed Read Error"};
    for (int failing : {0, 1, 2, 3, 4, 5, 7}) {
        CParameter fresh(drive.get());
        for (int g = 0; g < 8; ++g)
            fresh.setGroupLayout(g, static_cast<std::uint16_t>(2000 + 100 * g + 10 * failing), 1);
        scripted.refuseReadsAt(static_cast<std::uint16_t>(2000 + 100 * failing + 10 * failing), 4);
        messages.clear();
        std::uint8_t status = 0;
        EXPECT_EQ(fresh.ReadAllGroups(status), kReported);
        EXPECT_EQ(messages.texts(), std::vector<std::string>{expected[failing]});
    }
}

TEST_F(ServiceOnScriptedDrive, ScatteredReadsAreSplitAt126Registers)
{
    std::vector<std::uint16_t> addresses;
    for (int i = 0; i < 200; ++i) {
        const auto address = static_cast<std::uint16_t>(4000 + 2 * i);
        scripted.set(address, static_cast<std::uint16_t>(i * 3));
        addresses.push_back(address);
    }
    std::uint8_t status = 1;
    EXPECT_EQ(service.ReadEach(addresses, status), kSuccess);
    const auto requests = scripted.scatteredRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].size(), 126u);
    EXPECT_EQ(requests[1].size(), 74u);
    EXPECT_EQ(requests[1].front(), 4000 + 2 * 126);
    ASSERT_EQ(service.scatteredResults().size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(service.scatteredResults()[static_cast<std::size_t>(i)], i * 3) << i;
}

TEST_F(ServiceOnScriptedDrive, ARefusedScatteredReadIsReportedOnce)
{
    // The link takes a five-byte answer to a scattered read for a reply
    // cut short, whatever exception it carries.
    scripted.refuseScatteredReads(4);
    std::uint8_t status = 0;
    EXPECT_EQ(service.ReadEach({10, 12}, status), kReported);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Each Read Error"});
    EXPECT_EQ(drive->generalBusy.load(), 0);
}

TEST_F(ServiceOnScriptedDrive, TheServoStateComesFromBitOneOfRegisterZero)
{
    scripted.set(0, 0x0002);
    EXPECT_EQ(service.ReadServoState(), CParameter::ServoState::On);
    scripted.set(0, 0x0101);
    EXPECT_EQ(service.ReadServoState(), CParameter::ServoState::Off);
    scripted.refuseReadsAt(0, 4);
    EXPECT_EQ(service.ReadServoState(), CParameter::ServoState::Unknown);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ServiceOnScriptedDrive, TheVersionRegister)
{
    scripted.set(62, 0x8123);
    EXPECT_EQ(service.ReadVersionRegister(), std::optional<std::uint16_t>(0x8123));
    scripted.refuseReadsAt(62, 2);
    EXPECT_EQ(service.ReadVersionRegister(), std::nullopt);
}

class ServiceOnVirtualDrive : public ServiceOn {
protected:
    void SetUp() override
    {
        sim = test::startVirtualDrive(false, test::catalogueDefaults());
        ASSERT_TRUE(sim);
        connectTo(sim->devicePath());
    }
    void TearDown() override
    {
        ServiceOn::TearDown();
        drive.reset();
        sim.reset();
    }
    std::unique_ptr<test::VirtualDrive> sim;
};

TEST_F(ServiceOnVirtualDrive, SingleWritesPassTheLockOnAsSix)
{
    std::uint8_t status = 0;
    EXPECT_EQ(service.WriteParameter(82, 222, status), kSuccess);
    EXPECT_EQ(sim->registerValue(82), 222);

    EXPECT_EQ(service.WriteParameterLock(true), kSuccess);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Parameter Lock Success!"});
    messages.clear();
    EXPECT_EQ(service.WriteParameter(82, 333, status), kException6);
    EXPECT_EQ(status, 6);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(sim->registerValue(82), 222);

    std::array<std::uint16_t, CParameter::kImageWords> staging{};
    staging[0] = 7;
    service.setGroupLayout(1, 80, 2);
    EXPECT_EQ(service.WriteGroup(staging.data(), 1, status), kException6);
    EXPECT_TRUE(messages.empty());

    EXPECT_EQ(service.WriteParameterLock(false), kSuccess);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Parameter UnLock Success!"});
    EXPECT_EQ(service.WriteGroup(staging.data(), 1, status), kSuccess);
    EXPECT_EQ(sim->registerValue(80), 7);
    EXPECT_EQ(drive->generalBusy.load(), 0);
}

TEST_F(ServiceOnVirtualDrive, BlockWritesTheDriveRefusesNameTheirGroup)
{
    // Register 5000 is none of the drive's: every block write there is refused.
    const char *expected[] = {nullptr, "System Write Error", "Contorl Write Error", "In/Out Write Error",
                              "Speed Write Error", "Position Write Error", "Factory Write Error",
                              "Fullclosed Write Error"};
    std::array<std::uint16_t, CParameter::kImageWords> staging{};
    for (int g = 1; g < 8; ++g) {
        service.setGroupLayout(g, 5000, 4);
        messages.clear();
        std::uint8_t status = 0;
        EXPECT_EQ(service.WriteGroup(staging.data(), g, status), kReported) << g;
        EXPECT_EQ(messages.texts(), std::vector<std::string>{expected[g]});
    }
    const auto before = sim->counters().framesAnswered;
    std::uint8_t status = 0;
    service.setGroupLayout(0, 2, 4);
    EXPECT_EQ(service.WriteGroup(staging.data(), 0, status), kSuccess);
    EXPECT_EQ(sim->counters().framesAnswered, before) << "the status group is never written";
}

TEST_F(ServiceOnVirtualDrive, WritesWithoutAValidAnswerAreReported)
{
    std::uint8_t status = 0;
    sim->corruptNextReplies(8); // every attempt of the write
    EXPECT_EQ(service.WriteParameter(82, 1, status), kReported);
    sim->corruptNextReplies(8);
    EXPECT_EQ(service.WriteParameterLock(true), kReported);
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"Parameter Write Error", "Jog Speed Write Error"}));
    EXPECT_EQ(drive->generalBusy.load(), 0);
}

TEST(ServiceLayout, GroupsThatDoNotFitABlockTakeNoPart)
{
    CParameter service;
    service.setGroupLayout(1, 80, 124);
    service.setGroupLayout(2, 80, 125);
    service.setGroupLayout(3, 80, 0);
    service.setGroupLayout(9, 80, 5);
    EXPECT_TRUE(service.isGroupReady(1));
    EXPECT_FALSE(service.isGroupReady(2));
    EXPECT_FALSE(service.isGroupReady(3));
    EXPECT_FALSE(service.isGroupReady(9));
    std::uint8_t status = 0;
    EXPECT_EQ(service.ReadAllGroups(status), kReported) << "without a drive";
}

} // namespace
} // namespace tarvex
