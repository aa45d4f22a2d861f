// Long commands of the parameter window against a drive that answers late:
// the progress box over the window, the user-interface thread serving
// events throughout, and Cancel clicked with the mouse, after which the
// drive sees no further exchange and the message says what was done.
#include "app/ui/drive_work_box.h"
#include "tests/app/parameters/parameter_session.h"
#include "tests/app/support/ui_pump.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>

namespace tarvex::test {
namespace {

using namespace catalogue;

// Late enough that each exchange spans many 5 ms ticks, well inside the
// link's reply window.
constexpr int kProgressLateMs = 120;

// "rx: 00 03 00 52 00 11 ...": a block read of more than one register, as
// only the group reads are (the link timer's presence check reads one).
bool isGroupRead(const std::string &line)
{
    if (line.rfind("rx: ", 0) != 0 || line.size() < 4 + 6 * 3 - 1)
        return false;
    const auto byte = [&](int i) { return std::stoi(line.substr(4 + 3 * static_cast<std::size_t>(i), 2), nullptr, 16); };
    return byte(1) == 0x03 && (byte(4) << 8 | byte(5)) > 1;
}

class ParameterProgress : public ParameterSession {
protected:
    void SetUp() override
    {
        TARVEX_NEEDS_VIRTUAL_DRIVE();
        driveLog = [this](const std::string &line) {
            if (isGroupRead(line))
                ++groupReads;
        };
        startSession();
    }

    // While the command under way runs: a 5 ms timer counts ticks, and
    // `whenBoxAt` is told the box each tick it is shown.
    void runWatching(CParameterDlg::ControlId id, const std::function<void(DriveWorkBox &)> &whenBoxAt)
    {
        QTimer ticker;
        ticker.setInterval(5);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            ++ticks;
            DriveWorkBox *box = dialog().workBox();
            if (box && box->isVisible()) {
                boxShown = true;
                captions.push_back(box->caption().text().toStdString());
                whenBoxAt(*box);
            }
        });
        ticker.start();
        QPushButton *button = dialog().button(id);
        ASSERT_TRUE(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        ticker.stop();
        EXPECT_FALSE(dialog().workBox()) << "the box outlived its command";
    }

    void clickCancel(DriveWorkBox &box)
    {
        if (cancelClicked)
            return;
        cancelClicked = true;
        readsAtCancel = groupReads.load();
        QTest::mouseClick(&box.cancelButton(), Qt::LeftButton);
    }

    std::atomic<int> groupReads{0};
    int readsAtCancel = 0;
    int ticks = 0;
    bool boxShown = false;
    bool cancelClicked = false;
    std::vector<std::string> captions;
};

TEST_F(ParameterProgress, AllReadOfALateDriveKeepsServingEventsAndCancelStopsTheReads)
{
    openWindow();
    dialog().show();
    sim->setReplyDelayMs(kProgressLateMs);
    const int readsBefore = groupReads.load();

    runWatching(CParameterDlg::IDC_ALL_READ, [&](DriveWorkBox &box) {
        if (box.work().currentStep() >= 3)
            clickCancel(box);
    });

    EXPECT_TRUE(boxShown);
    EXPECT_GT(ticks, 20) << "the user-interface thread stood still during the reads";
    ASSERT_TRUE(cancelClicked);
    EXPECT_NE(std::find(captions.begin(), captions.end(), "Reading group 2 of 7: System ..."), captions.end());

    // The read under way when Cancel was clicked ended; none followed.
    const int readsAtEnd = groupReads.load();
    pumpFor(std::chrono::milliseconds(3 * kProgressLateMs));
    EXPECT_EQ(groupReads.load(), readsAtEnd);
    EXPECT_LE(readsAtEnd - readsAtCancel, 1);
    EXPECT_EQ(readsAtEnd - readsBefore, 3) << "Status, System and Control";
    ASSERT_EQ(messages.texts().size(), 1u);
    EXPECT_EQ(messages.texts().front(),
              "All Read Cancelled: read Status, System, Control; not read In/Out, SpeedOperation, "
              "PositionOperation, Fullclosed");
    EXPECT_TRUE(dialog().button(CParameterDlg::IDC_ALL_READ)->isEnabled());
}

TEST_F(ParameterProgress, AllWriteCancelledDuringTheFirstGroupLeavesTheOthersAsTheDriveHeldThem)
{
    openWindow();
    dialog().show();
    const std::uint16_t encoderBefore = driveRegister(702);
    const std::string encoderNew = encoderBefore == 2 ? "1" : "2";
    selectGroup(1);
    type(1, kSystemInertia + 1, "321");
    selectGroup(7);
    type(7, kFullclosedEncoderType + 1, encoderNew);
    sim->setReplyDelayMs(kProgressLateMs);

    runWatching(CParameterDlg::IDC_ALL_WRITE, [&](DriveWorkBox &box) {
        if (box.work().currentStep() >= 1)
            clickCancel(box);
    });

    ASSERT_TRUE(cancelClicked);
    EXPECT_EQ(driveRegister(82), 321) << "the group being written when Cancel was clicked was finished";
    EXPECT_EQ(driveRegister(702), encoderBefore) << "a group after Cancel reached the drive";
    ASSERT_EQ(messages.texts().size(), 1u);
    EXPECT_EQ(messages.texts().front(), "All Write Cancelled: written System; not written Control, In/Out, "
                                        "SpeedOperation, PositionOperation, Fullclosed");
}

TEST_F(ParameterProgress, WriteCancelledBetweenTwoRowsWritesOnlyTheFirst)
{
    openWindow();
    dialog().show();
    selectGroup(1);
    const std::uint16_t displayBefore = driveRegister(114);
    type(1, kSystemInertia + 1, "432");
    type(1, kSystemDisplay + 1, displayBefore == 3 ? "4" : "3");
    check(1, kSystemInertia + 1);
    check(1, kSystemDisplay + 1);
    sim->setReplyDelayMs(kProgressLateMs);

    // The version read is the first exchange, the inertia the second.
    runWatching(CParameterDlg::IDC_WRITE, [&](DriveWorkBox &box) {
        if (box.work().currentStep() >= 2)
            clickCancel(box);
    });

    ASSERT_TRUE(cancelClicked);
    EXPECT_EQ(driveRegister(82), 432);
    EXPECT_EQ(driveRegister(114), displayBefore);
    ASSERT_EQ(messages.texts().size(), 1u);
    EXPECT_EQ(messages.texts().front().rfind("Write Cancelled: written ", 0), 0u) << messages.texts().front();
}

} // namespace
} // namespace tarvex::test
