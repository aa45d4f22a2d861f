// OS Upgrade against the virtual drive, through the frame: the snapshot kept
// before the upgrader takes the port is compared with the drive at the next
// connection, and when the download changed parameters the frame offers it
// once; the snapshot's values reach the drive only with All Write.
#include "tests/app/parameters/parameter_session.h"
#include "tests/app/support/modal_messages.h"

#include <QAction>
#include <QStatusBar>

#include <filesystem>

namespace tarvex::test {
namespace {

using namespace catalogue;

constexpr std::uint16_t kInertiaRegister = 82; // 0x2001 Inertia Ratio, default 100

struct AfterDownload {
    const char *name;
    bool resetsParameters; // what the firmware the download brought does at its first start
    bool anotherDriveFirst; // another drive, on a port of its own, is connected before the upgraded one
};

void PrintTo(const AfterDownload &a, std::ostream *out) { *out << a.name; }

// Each test starts without snapshots, with the frame's boxes modal.
class OsUpgradeRestore : public ParameterSession, public ::testing::WithParamInterface<AfterDownload> {
protected:
    void SetUp() override
    {
        const std::string folder = snapshots::defaultSnapshotFolder();
        ASSERT_NE(folder.find("tarvex-test-config-"), std::string::npos) << "not the user's own: " << folder;
        std::filesystem::remove_all(folder);
        frameMessages = &boxes;
        ParameterSession::SetUp();
    }

    void reconnect()
    {
        frame->OnCommand(Command::Disconnect);
        pump();
        ASSERT_TRUE(enabled(Command::Connect));
        frame->action(Command::Connect)->trigger();
        pump();
        ASSERT_EQ(frame->state().connectionState(), connection_state::kConnected);
    }

    ModalMessages boxes;
};

} // namespace

TEST_P(OsUpgradeRestore, TheNextConnectionComparesWithTheSnapshotAndOffersItOnce)
{
    setDriveRegister(kInertiaRegister, 250); // the machine's set-up
    const std::map<std::uint16_t, std::uint16_t> before = parameterRegisters();
    placeUpgrader();
    frame->OnCommand(Command::OsUpgrade);
    ASSERT_EQ(started.size(), 1u);
    ASSERT_FALSE(started.front().linkStillOpen);
    ASSERT_TRUE(boxes.empty()) << boxes.texts().front();
    if (GetParam().resetsParameters)
        sim->restoreParameterDefaults();

    // The program closed while the upgrader ran, and started again.
    restartFrame();
    if (GetParam().anotherDriveFirst) {
        const std::unique_ptr<VirtualDrive> other = startVirtualDrive(false, catalogueDefaults());
        ASSERT_TRUE(other);
        chooseSettings(other->devicePath());
        frame->action(Command::Connect)->trigger();
        pump();
        ASSERT_EQ(frame->state().connectionState(), connection_state::kConnected);
        EXPECT_TRUE(boxes.empty()) << "its parameters differ from the snapshot too, but it was not upgraded";
        frame->OnCommand(Command::Disconnect);
        pump();
    }
    chooseSettings(sim->devicePath());
    boxes.answerNext(true);
    frame->action(Command::Connect)->trigger();
    pump();
    ASSERT_EQ(frame->state().connectionState(), connection_state::kConnected);

    if (!GetParam().resetsParameters) {
        EXPECT_TRUE(boxes.empty()) << boxes.texts().front();
        EXPECT_EQ(frame->statusBar()->currentMessage(),
                  "The drive holds the parameters of the snapshot kept before the OS Upgrade.");
        EXPECT_EQ(parameterRegisters(), before);
        return;
    }
    const std::vector<Message> asked = boxes.messages();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].kind, Message::Kind::Question);
    EXPECT_EQ(asked[0].caption, "OS Upgrade");
    EXPECT_EQ(asked[0].text, "The download changed 1 parameter against the snapshot kept before it. "
                             "Open the snapshot to restore them?");
    EXPECT_EQ(asked[0].detail.rfind("0x2001 Inertia Ratio: drive 100, snapshot 250\n", 0), 0u) << asked[0].detail;

    // Yes: the snapshot's values in the parameter window, nothing sent yet.
    ASSERT_TRUE(window && window->dialog()) << "the parameter window did not open";
    EXPECT_EQ(value(1, kSystemInertia + 1), "250");
    EXPECT_EQ(valueColour(1, kSystemInertia + 1), kRed) << "a loaded value away from the default";
    EXPECT_TRUE(valueBold(1, kSystemInertia + 1));
    EXPECT_EQ(driveRegister(kInertiaRegister), 100);
    boxes.clear();
    click(CParameterDlg::IDC_ALL_WRITE);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Write Success, You need to on/off control power!"});
    EXPECT_EQ(parameterRegisters(), before);

    // The question came once: the next connection asks nothing, whatever the drive holds.
    sim->restoreParameterDefaults();
    boxes.clear();
    reconnect();
    EXPECT_TRUE(boxes.empty()) << boxes.texts().front();
    EXPECT_EQ(driveRegister(kInertiaRegister), 100);
}

INSTANTIATE_TEST_SUITE_P(Download, OsUpgradeRestore,
                         ::testing::Values(AfterDownload{"ResetsTheParameters", true, false},
                                           AfterDownload{"KeepsTheParameters", false, false},
                                           AfterDownload{"AnotherDriveIsConnectedFirst", true, true}),
                         [](const ::testing::TestParamInfo<AfterDownload> &p) { return p.param.name; });

} // namespace tarvex::test
