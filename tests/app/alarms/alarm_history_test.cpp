// The alarm history window: the grid as it opens, uploads of the drive's
// record (empty, codes inside and outside the table, the byte order, a
// shorter second record), clearing, and the failures with their messages
// and button states.
#include "app/alarms/alarm_history_dlg.h"
#include "app/alarms/alarm_history_window.h"
#include "app/ui/drive_work_box.h"
#include "app/frame/feature_windows.h"
#include "tests/app/support/linked_drive.h"
#include "tests/app/support/recording_messages.h"
#include "tests/app/support/scripted_drive.h"
#include "tests/app/support/virtual_drive_session.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <QFontMetrics>

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using namespace std::chrono_literals;

const QColor kRed(255, 0, 0);
const QColor kWhite(255, 255, 255);

QString cell(CAlarmHistoryDlg &dialog, int row, int col) { return dialog.grid().GetValueRowCol(row, col); }

// Rows 1 to 20 of both columns hold no text.
bool gridIsEmpty(CAlarmHistoryDlg &dialog)
{
    for (int row = 1; row <= 20; ++row)
        if (!cell(dialog, row, 1).isEmpty() || !cell(dialog, row, 2).isEmpty())
            return false;
    return true;
}

void expectAlarmRow(CAlarmHistoryDlg &dialog, int row, const char *number, const char *name)
{
    SCOPED_TRACE("row " + std::to_string(row));
    EXPECT_EQ(cell(dialog, row, 1).toStdString(), number);
    EXPECT_EQ(cell(dialog, row, 2).toStdString(), name);
    const CGXStyle style = dialog.grid().GetStyleRowCol(row, 1);
    EXPECT_EQ(style.textColor.value_or(QColor()), kRed);
    EXPECT_TRUE(style.font.bold.value_or(false));
}

void expectClearedRow(CAlarmHistoryDlg &dialog, int row)
{
    SCOPED_TRACE("row " + std::to_string(row));
    EXPECT_EQ(cell(dialog, row, 1).toStdString(), "AL - 00");
    EXPECT_EQ(cell(dialog, row, 2).toStdString(), "");
    const CGXStyle style = dialog.grid().GetStyleRowCol(row, 1);
    EXPECT_EQ(style.textColor.value_or(QColor()), kWhite) << "invisible on the white cell";
    EXPECT_TRUE(style.font.bold.value_or(false));
}

// --- against the virtual drive ----------------------------------------------

class AlarmHistoryOnVirtualDrive : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARVEX_NEEDS_VIRTUAL_DRIVE();
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        ASSERT_TRUE(test::openLinkedVirtualDrive(sim, drive, frame, messages, 19200));
        dialog = std::make_unique<CAlarmHistoryDlg>(drive.get());
#endif
    }

    // Alarms in the order they happen; the last one is the most recent.
    void raise(std::initializer_list<std::uint8_t> codes)
    {
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        for (std::uint8_t code : codes) {
            sim->raiseAlarm(code);
            sim->resetAlarm();
        }
#endif
    }

    FrameState frame;
    test::RecordingMessages messages;
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    std::unique_ptr<test::VirtualDrive> sim;
#endif
    std::unique_ptr<DriveConnection> drive;
    std::unique_ptr<CAlarmHistoryDlg> dialog;
};

TEST_F(AlarmHistoryOnVirtualDrive, ADriveWithoutAlarmsLeavesTheGridEmptyAndStillCompletes)
{
    dialog->OnUpdate();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Complete Upload Alarm History"});
    EXPECT_TRUE(gridIsEmpty(*dialog));
    EXPECT_TRUE(dialog->updateButton().isEnabled());
    EXPECT_TRUE(dialog->clearButton().isEnabled());
    EXPECT_EQ(drive->generalBusy.load(), 0);
}

TEST_F(AlarmHistoryOnVirtualDrive, CodesInAndOutsideTheTableShowNumberAndNameMostRecentFirst)
{
    raise({0x4e, 0x21, 0x10, 0x80});
    dialog->OnUpdate();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Complete Upload Alarm History"});
    expectAlarmRow(*dialog, 1, "AL - 80", "SVON Time Out");
    expectAlarmRow(*dialog, 2, "AL - 10", "IPM fault");
    expectAlarmRow(*dialog, 3, "AL - 21", "Continuous Overload");
    expectAlarmRow(*dialog, 4, "AL - 4e", ""); // lower-case digits, no name
    for (int row = 5; row <= 20; ++row)
        EXPECT_TRUE(cell(*dialog, row, 1).isEmpty()) << row;
}

TEST_F(AlarmHistoryOnVirtualDrive, TwentyAlarmsFillEveryRow)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    for (int i = 0; i < 22; ++i)
        raise({static_cast<std::uint8_t>(i % 2 ? 0x40 : 0x41)});
#endif
    dialog->OnUpdate();
    for (int row = 1; row <= 20; ++row)
        expectAlarmRow(*dialog, row, row % 2 ? "AL - 40" : "AL - 41", row % 2 ? "Under Voltage" : "Over Voltage");
}

TEST_F(AlarmHistoryOnVirtualDrive, AShorterSecondRecordLeavesTheRowsBeyondItAsTheyWere)
{
    raise({0x30, 0x31, 0x32});
    dialog->OnUpdate();
    expectAlarmRow(*dialog, 3, "AL - 30", "Encoder Comm");

    // Another client clears the record, then one new alarm happens.
    std::uint8_t status = 0;
    drive->link().WrSgRegister(274, 2, &status);
    ASSERT_EQ(status, 0);
    raise({0x52});
    dialog->OnUpdate();
    expectAlarmRow(*dialog, 1, "AL - 52", "EMG");
    expectAlarmRow(*dialog, 2, "AL - 31", "Encoder Cable Open");
    expectAlarmRow(*dialog, 3, "AL - 30", "Encoder Comm");
}

TEST_F(AlarmHistoryOnVirtualDrive, ClearEmptiesTheDrivesRecordAndHidesTheShownRows)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    raise({0x22, 0x23});
    dialog->OnUpdate();
    messages.clear();
    messages.answerNext(true);
    dialog->OnClear();
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{kClearHistoryQuestion, "Complete Clear Alarm History"}));
    EXPECT_EQ(sim->alarmHistory(), std::vector<std::uint8_t>(20, 0));
    for (int row = 1; row <= 20; ++row)
        expectClearedRow(*dialog, row);
    EXPECT_EQ(drive->generalBusy.load(), 0);
#endif
}

TEST_F(AlarmHistoryOnVirtualDrive, ClearAsksFirstAndNoKeepsTheRecord)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    raise({0x22, 0x23});
    dialog->OnUpdate();
    messages.clear();
    messages.answerNext(false);
    QTest::mouseClick(&dialog->clearButton(), Qt::LeftButton);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{kClearHistoryQuestion});
    EXPECT_NE(sim->alarmHistory(), std::vector<std::uint8_t>(20, 0)) << "nothing erased";
    expectAlarmRow(*dialog, 1, "AL - 23", "Regeneration Overload");
#endif
}

TEST_F(AlarmHistoryOnVirtualDrive, ASilentDriveFailsTheUpdateAndLeavesBothButtonsDisabled)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    raise({0x10});
    sim->setSilent(true);
    dialog->OnUpdate();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Alarm Upload Write Error"});
    EXPECT_FALSE(dialog->updateButton().isEnabled());
    EXPECT_FALSE(dialog->clearButton().isEnabled());
    EXPECT_TRUE(gridIsEmpty(*dialog));
    EXPECT_EQ(drive->generalBusy.load(), 0);

    // Opened again, the window starts with both buttons usable.
    sim->setSilent(false);
    CAlarmHistoryDlg again(drive.get());
    EXPECT_TRUE(again.updateButton().isEnabled());
    EXPECT_TRUE(again.clearButton().isEnabled());
#endif
}

TEST_F(AlarmHistoryOnVirtualDrive, AClearThatIsNotAcceptedIsReported)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    raise({0x10});
    dialog->OnUpdate();
    messages.clear();
    sim->setSilent(true);
    messages.answerNext(true);
    dialog->OnClear();
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{kClearHistoryQuestion, "Alarm Clear Error!"}));
    expectAlarmRow(*dialog, 1, "AL - 10", "IPM fault");
    EXPECT_EQ(drive->generalBusy.load(), 0) << "the watchdog must not take the failure for a stall";
#endif
}

// The upload of a late drive shows its progress over the window, and Cancel
// clicked during the latch command stops it before the block is read.
TEST_F(AlarmHistoryOnVirtualDrive, AnUploadShowsItsProgressAndCancelStopsBeforeTheBlockRead)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    raise({0x10});
    dialog->show();
    sim->setReplyDelayMs(120);
    const long long answeredBefore = sim->counters().framesAnswered;
    std::string captionShown;
    bool clicked = false;
    QTimer watcher;
    watcher.setInterval(5);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        DriveWorkBox *box = dialog->workBox();
        if (!box || !box->isVisible() || clicked)
            return;
        captionShown = box->caption().text().toStdString();
        clicked = true;
        QTest::mouseClick(&box->cancelButton(), Qt::LeftButton);
    });
    watcher.start();
    QTest::mouseClick(&dialog->updateButton(), Qt::LeftButton);
    watcher.stop();

    ASSERT_TRUE(clicked) << "no progress box was shown";
    EXPECT_EQ(captionShown, "Latching the alarm history ...");
    QTest::qWait(300);
    EXPECT_EQ(sim->counters().framesAnswered - answeredBefore, 1) << "only the latch command reached the drive";
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Alarm Upload Cancelled"});
    EXPECT_TRUE(gridIsEmpty(*dialog));
    EXPECT_TRUE(dialog->updateButton().isEnabled()) << "a cancelled upload is no failure";
    EXPECT_EQ(drive->generalBusy.load(), 0);
#endif
}

// --- against a scripted drive: the block byte for byte ----------------------

class AlarmHistoryOnScriptedDrive : public ::testing::Test {
protected:
    void SetUp() override
    {
        drive = test::linkedDriveConnection(scripted.device(), frame, messages);
        drive->Connect();
        ASSERT_TRUE(drive->isLinkOpen());
        messages.clear();
    }

    test::ScriptedDrive scripted;
    FrameState frame;
    test::RecordingMessages messages;
    std::unique_ptr<DriveConnection> drive;
};

TEST_F(AlarmHistoryOnScriptedDrive, OpeningReadsNothingAndLaysTheGridOut)
{
    const std::size_t before = scripted.requestCount();
    CAlarmHistoryDlg dialog(drive.get());
    EXPECT_EQ(scripted.requestCount(), before);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Alarm History");
    CMyGridWnd &grid = dialog.grid();
    EXPECT_EQ(grid.GetRowCount(), 20);
    EXPECT_EQ(grid.GetColCount(), 2);
    // At least as wide as laid out, and wide enough that "20" is not cut.
    QFont numbers = grid.font();
    numbers.setPointSize(9);
    EXPECT_GE(grid.GetColWidth(0), 20);
    EXPECT_GE(grid.GetColWidth(0), QFontMetrics(numbers).horizontalAdvance(QStringLiteral("20")) + 4);
    EXPECT_EQ(grid.GetColWidth(1), 120);
    EXPECT_EQ(grid.GetColWidth(2), 200);
    EXPECT_EQ(grid.GetRowHeight(0), 25);
    for (int row = 1; row <= 20; ++row)
        EXPECT_EQ(grid.GetRowHeight(row), 20) << row;
    EXPECT_EQ(grid.GetValueRowCol(0, 1).toStdString(), "Alarm Num");
    EXPECT_EQ(grid.GetValueRowCol(0, 2).toStdString(), "Name");
    EXPECT_EQ(grid.GetStyleRowCol(0, 1).textColor.value_or(QColor()), QColor(0, 0, 255));
    const CGXStyle body = grid.GetStyleRowCol(20, 2);
    EXPECT_EQ(body.font.size.value_or(0), 9);
    EXPECT_FALSE(body.font.bold.value_or(true));
    EXPECT_EQ(body.verticalAlignment.value_or(Qt::AlignTop), Qt::AlignVCenter);
    EXPECT_TRUE(gridIsEmpty(dialog));
    EXPECT_EQ(dialog.updateButton().text().toStdString(), "Update");
    EXPECT_EQ(dialog.clearButton().text().toStdString(), "Clear");
}

TEST_F(AlarmHistoryOnScriptedDrive, CodesAreTakenTwoPerRegisterLowByteFirst)
{
    scripted.set(278, 0x2110); // bytes arrive as 0x21, then 0x10
    scripted.set(280, 0x0052); // entry 2 is 0x52, entry 3 empty
    scripted.set(296, 0x1400); // entry 18 empty, entry 19 is 0x14
    scripted.set(298, 0x6666); // beyond the twenty codes: not used
    CAlarmHistoryDlg dialog(drive.get());
    dialog.OnUpdate();
    EXPECT_EQ(scripted.value(274), 3) << "the history is latched before it is read";
    expectAlarmRow(dialog, 1, "AL - 10", "IPM fault");
    expectAlarmRow(dialog, 2, "AL - 21", "Continuous Overload");
    expectAlarmRow(dialog, 3, "AL - 52", "EMG");
    EXPECT_TRUE(cell(dialog, 4, 1).isEmpty());
    EXPECT_TRUE(cell(dialog, 19, 1).isEmpty());
    expectAlarmRow(dialog, 20, "AL - 14", "Over current");
}

TEST_F(AlarmHistoryOnScriptedDrive, RowsTheDriveStillReportsAfterAClearKeepTheirText)
{
    scripted.set(278, 0x2110);
    CAlarmHistoryDlg dialog(drive.get());
    dialog.OnUpdate();
    messages.clear();
    messages.answerNext(true);
    dialog.OnClear(); // this drive takes the command but keeps its record
    EXPECT_EQ(scripted.value(274), 3) << "cleared with 2, then latched again with 3";
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{kClearHistoryQuestion, "Complete Clear Alarm History"}));
    expectAlarmRow(dialog, 1, "AL - 10", "IPM fault");
    expectAlarmRow(dialog, 2, "AL - 21", "Continuous Overload");
    for (int row = 3; row <= 20; ++row)
        expectClearedRow(dialog, row);
}

TEST_F(AlarmHistoryOnScriptedDrive, AHistoryBlockThatCannotBeReadFailsTheUpdate)
{
    scripted.refuseReadsAt(278, 2);
    CAlarmHistoryDlg dialog(drive.get());
    dialog.OnUpdate();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Alarm Data  Read Error"});
    EXPECT_FALSE(dialog.updateButton().isEnabled());
    EXPECT_FALSE(dialog.clearButton().isEnabled());
}

TEST_F(AlarmHistoryOnScriptedDrive, AFailedReadAfterAClearIsReportedTwice)
{
    scripted.set(278, 0x0010);
    CAlarmHistoryDlg dialog(drive.get());
    dialog.OnUpdate();
    messages.clear();
    scripted.refuseReadsAt(278, 2);
    messages.answerNext(true);
    dialog.OnClear();
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{kClearHistoryQuestion, "Alarm Data  Read Error", "SVON ON Error!"}));
    expectAlarmRow(dialog, 1, "AL - 10", "IPM fault");
    EXPECT_EQ(drive->generalBusy.load(), 0);
}

// --- as the frame opens it ---------------------------------------------------

TEST_F(AlarmHistoryOnScriptedDrive, TheAlarmHistoryCommandRunsTheWindowModallyAndAfreshEachTime)
{
    const FeatureWindowFactories factories = installedFeatureWindows();
    const auto factory = factories.all().find(FeatureKind::AlarmHistory);
    ASSERT_NE(factory, factories.all().end());
    std::unique_ptr<FeatureWindow> window = factory->second(nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->kind(), FeatureKind::AlarmHistory);
    EXPECT_TRUE(openingOf(window->kind()).modal);

    scripted.set(278, 0x0010);
    int shown = 0;
    std::vector<QString> firstCells;
    std::function<void()> inspect = [&] {
        auto *dialog = qobject_cast<CAlarmHistoryDlg *>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(10, inspect);
            return;
        }
        ++shown;
        firstCells.push_back(cell(*dialog, 1, 1));
        EXPECT_TRUE(dialog->updateButton().isEnabled());
        dialog->OnUpdate();
        dialog->reject();
    };
    window->attach(*drive);
    for (int i = 0; i < 2; ++i) {
        QTimer::singleShot(0, inspect);
        window->present(); // returns when the dialog has been closed
    }
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(firstCells, (std::vector<QString>{QString(), QString()})) << "each showing starts empty";
    EXPECT_EQ(messages.count("Complete Upload Alarm History"), 2u);
}

} // namespace
} // namespace tarvex
