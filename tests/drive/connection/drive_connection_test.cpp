// The drive connection against a drive on a pseudo-terminal, through the
// real link library: connecting, the version text, disconnecting, the
// alarm reset, the connection check and the link watchdog.
#include "drive/connection/communication.h"
#include "drive/connection/drive_connection.h"
#include "drive/connection/link_causes.h"
#include "vq_communication.h"
#include "link/port_open_failure.h"
#include "tests/app/support/recording_messages.h"
#include "tests/app/support/scripted_drive.h"
#include "tests/app/support/virtual_drive_session.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <thread>

namespace tarvex {
namespace {

using namespace std::chrono_literals;
using test::eventually;

// Each status byte of the link reads as its own cause and names the place.
TEST(LinkCauses, EveryStatusByteNamesItsCause)
{
    const LinkPlace place{5, "/dev/ttyUSB0", 19200};
    const struct {
        std::uint8_t status;
        const char *cause;
    } cases[] = {
        {VQ_STATUS_OK, ""},
        {VQ_STATUS_NOT_ATTEMPTED, "nothing was sent to node 5 on /dev/ttyUSB0 at 19200 baud: the link is not open"},
        {VQ_STATUS_NODE_MISMATCH, "a drive other than node 5 on /dev/ttyUSB0 at 19200 baud answered: check the node number"},
        {VQ_STATUS_NO_REPLY, "no reply from node 5 on /dev/ttyUSB0 at 19200 baud in time: check node, baud rate and cable"},
        {VQ_STATUS_FAILED_READ,
         "the reply from node 5 on /dev/ttyUSB0 at 19200 baud was cut off or garbled: check the cable, its screen and the "
         "baud rate"},
        {2, "node 5 on /dev/ttyUSB0 at 19200 baud answered with exception 2: it has no such register"},
        {6, "node 5 on /dev/ttyUSB0 at 19200 baud answered with exception 6: it is busy or its parameters are locked"},
        {77, "node 5 on /dev/ttyUSB0 at 19200 baud answered with exception 77: it refused the request"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(linkCause(c.status, place), c.cause) << int{c.status};
    EXPECT_EQ(linkCause(VQ_STATUS_NO_REPLY, {3, "/dev/ttyS0", 0}),
              "no reply from node 3 on /dev/ttyS0 in time: check node, baud rate and cable")
        << "no baud rate chosen yet";
}

// Binds the real link library and points the settings at `device`.
std::unique_ptr<DriveConnection> connectionTo(const std::string &device, FrameState &frame,
                                              MessageService &messages, DriveTimings timings = {})
{
    auto drive = std::make_unique<DriveConnection>(frame, messages, timings);
    drive->BindLinkLibrary(TARVEX_LINK_LIBRARY);
    CCommunication settings(drive.get());
    settings.ApplySettings(0, PortChoice{1, device}, kDialogBaudIndex);
    return drive;
}

class WithVirtualDrive : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARVEX_NEEDS_VIRTUAL_DRIVE();
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        sim = test::startVirtualDrive();
        ASSERT_TRUE(sim);
        drive = connectionTo(sim->devicePath(), frame, messages, timings);
#endif
    }

    DriveTimings timings;
    FrameState frame;
    test::RecordingMessages messages;
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    std::unique_ptr<test::VirtualDrive> sim;
#endif
    std::unique_ptr<DriveConnection> drive;
};

TEST_F(WithVirtualDrive, ConnectOpensTheLinkStartsTheWorkersAndReadsTheVersion)
{
    drive->Connect();
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
    EXPECT_TRUE(drive->isLinkOpen());
    EXPECT_EQ(drive->versionText(), "0132");
    EXPECT_EQ(drive->linkPolling.load(), 1);
    EXPECT_TRUE(drive->isStatusPollRunning());
    EXPECT_TRUE(drive->isWatchdogRunning());
    EXPECT_EQ(drive->generalBusy.load(), 0);
    EXPECT_EQ(drive->baudRate(), 19200u);
}

TEST_F(WithVirtualDrive, ConnectWhileConnectedIsRefused)
{
    drive->Connect();
    drive->Connect();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Communication Already Connect!"});
    EXPECT_TRUE(drive->isLinkOpen());
}

TEST_F(WithVirtualDrive, DisconnectTwiceReportsTheSecond)
{
    drive->Connect();
    frame.setConnectionState(connection_state::kConnected);
    drive->Disconnect();
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(drive->isLinkOpen());
    EXPECT_EQ(frame.connectionState(), connection_state::kDisconnected);
    EXPECT_TRUE(eventually([&] { return !drive->isWatchdogRunning(); }, 2s));

    drive->Disconnect();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Communication Already DisConnect!"});
    EXPECT_EQ(frame.connectionState(), connection_state::kDisconnected);
}

TEST_F(WithVirtualDrive, AlarmResetClearsTheDrivesAlarm)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    drive->Connect();
    sim->raiseAlarm(0x21);
    ASSERT_TRUE(eventually([&] { return sim->activeAlarm() != 0; }, 2s));
    drive->ResetAlarm();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(sim->activeAlarm(), 0);
    EXPECT_EQ(drive->generalBusy.load(), 0);
#endif
}

TEST_F(WithVirtualDrive, AlarmResetThatIsNotAcceptedIsReported)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    drive->Connect();
    sim->setSilent(true);
    drive->ResetAlarm();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Alarm reset Write Error"});
    EXPECT_TRUE(drive->isLinkOpen()) << "the reset leaves the link as it was";
    EXPECT_EQ(drive->generalBusy.load(), 0);
#endif
}

TEST_F(WithVirtualDrive, ASilentDriveFailsTheConnectionCheck)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    sim->setSilent(true);
    frame.setConnectionState(connection_state::kSettingsChosen);
    drive->Connect();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Check PORT & BaudRate "});
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].detail, linkCause(VQ_STATUS_NO_REPLY, drive->place()));
    EXPECT_NE(messages.messages()[0].detail.find("no reply from node 0 on "), std::string::npos);
    EXPECT_FALSE(drive->isLinkOpen());
    EXPECT_EQ(frame.connectionState(), connection_state::kDisconnected);
    EXPECT_EQ(drive->versionText(), "");
#endif
}

// The watchdog stops a feature that holds the link without exchanges (a
// jog whose indicator stays up) and leaves one alone while its exchanges
// flow (a trace reading all the time).
TEST_F(WithVirtualDrive, TheWatchdogStopsOnlyAFeatureThatHoldsTheLinkWithoutExchanges)
{
    for (const bool exchanging : {false, true}) {
        SCOPED_TRACE(exchanging ? "exchanges flow" : "no exchanges");
        drive.reset();
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        timings.watchdogTimeout = 300ms;
        drive = connectionTo(sim->devicePath(), frame, messages, timings);
#endif
        drive->Connect();
        RunSwitch feature;
        feature.set(true);
        drive->stalledFeatures().add(feature);
        if (!exchanging) {
            drive->jogBusy = 1; // a jog that never lowers its indicator
            EXPECT_TRUE(eventually([&] { return !feature.isOn(); }, 3s));
            drive->jogBusy = 0;
        } else {
            const auto end = std::chrono::steady_clock::now() + 1500ms;
            while (std::chrono::steady_clock::now() < end) {
                BusyScope busy(drive->traceBusy);
                std::uint8_t value[2];
                std::uint8_t status = 1;
                drive->link().RdSgRegister(0, value, &status, 1);
                ASSERT_EQ(status, 0);
            }
            EXPECT_TRUE(feature.isOn());
        }
        drive->stalledFeatures().remove(feature);
        EXPECT_TRUE(messages.empty());
    }
}

TEST(DriveConnection, ConnectToAMissingPortIsReportedWithTheReason)
{
    FrameState frame;
    test::RecordingMessages messages;
    auto drive = connectionTo("/nonexistent/ttyM9A", frame, messages);
    drive->Connect();
    const auto shown = messages.messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Communication Connect Error!(Check COMPORT, Cable, Control Power)");
    EXPECT_NE(shown[0].detail.find("/nonexistent/ttyM9A"), std::string::npos);
    EXPECT_FALSE(drive->isStatusPollRunning());
    EXPECT_FALSE(drive->isWatchdogRunning());
}

TEST(DriveConnection, ARefusedPortSaysWhichGroupToJoin)
{
    // Root opens any device, so the refusal itself cannot be staged here;
    // the words the connect message carries for it are checked directly.
    for (const int refusal : {EACCES, EPERM}) {
        const std::string text = portOpenFailureText("/dev/ttyUSB0", refusal);
        EXPECT_EQ(text.rfind("/dev/ttyUSB0: ", 0), 0u) << text;
        EXPECT_NE(text.find("group dialout"), std::string::npos) << text;
        EXPECT_NE(text.find("sudo adduser $USER dialout"), std::string::npos) << text;
        EXPECT_NE(text.find("log out and log in again"), std::string::npos) << text;
    }
    const std::string missing = portOpenFailureText("/dev/ttyUSB0", ENOENT);
    EXPECT_NE(missing.find("No such file or directory"), std::string::npos) << missing;
    EXPECT_EQ(missing.find("dialout"), std::string::npos) << "only a refusal names the group";
    EXPECT_TRUE(portOpenFailureText("/dev/ttyUSB0", 0).empty());
}

TEST(DriveConnection, SettingsWithoutLinkLibraryReportTheInitFailure)
{
    FrameState frame;
    test::RecordingMessages messages;
    DriveConnection drive(frame, messages);
    CCommunication settings(&drive);
    settings.ApplySettings(7, PortChoice{3, ""}, kDialogBaudIndex);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Communication Init Error!"});
    EXPECT_EQ(drive.settings().node, 7);
    EXPECT_EQ(drive.settings().port.number, 3);
    EXPECT_EQ(drive.baudRate(), 19200u);
}

TEST(DriveConnection, AnUnknownBaudIndexLeavesTheRateZero)
{
    FrameState frame;
    test::RecordingMessages messages;
    DriveConnection drive(frame, messages);
    CCommunication settings(&drive);
    settings.ApplySettings(0, PortChoice{1, ""}, 9);
    EXPECT_EQ(drive.baudRate(), 0u);
}

TEST(VersionText, TwoCharactersPerRegisterLowByteFirst)
{
    test::ScriptedDrive scripted;
    scripted.set(4174, 0x3130);
    scripted.set(4176, 0x3233);
    FrameState frame;
    test::RecordingMessages messages;
    auto drive = connectionTo(scripted.device(), frame, messages);
    drive->Connect();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(drive->versionText(), "0132");
}

TEST(VersionText, UnprintableBytesAreShownAsQuestionMarks)
{
    test::ScriptedDrive scripted;
    scripted.set(4174, 0x0041);
    scripted.set(4176, 0x42FF);
    FrameState frame;
    test::RecordingMessages messages;
    auto drive = connectionTo(scripted.device(), frame, messages);
    drive->Connect();
    EXPECT_EQ(drive->versionText(), "A??B");
}

} // namespace
} // namespace tarvex
