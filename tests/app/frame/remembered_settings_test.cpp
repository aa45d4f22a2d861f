// What the program remembers between runs, through two runs over one
// settings file: the ticked status rows, the data trace's channels, period,
// axis limits and size, and the recent files of the File menu, which open
// their file in the window of its kind.
#include "tests/app/support/chart_menu_driver.h"
#include "tests/app/support/connected_frame_fixture.h"
#include "app/graphs/integer_edit.h"
#include "app/parameters/parameter_dlg.h"
#include "app/ui/settings/recent_files.h"
#include "app/monitor/static_panes.h"
#include "app/graphs/trace/trace_graph_dlg.h"
#include "tests/app/support/virtual_drive_session.h"
#include "app/graphs/yaxis_dialog.h"
#include "tests/app/support/ui_pump.h"
#include "app/ui/settings/window_size_keeper.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>

namespace tarvex {
namespace {

using test::FrameFixture;

TraceGraphDlg *openTraceWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *trace = qobject_cast<TraceGraphDlg *>(widget); trace && trace->isVisible())
            return trace;
    return nullptr;
}

void clickTickBox(CGXGridWnd &grid, int row)
{
    const QRect cell = grid.visualRect(grid.model()->index(row - 1, 0));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
}

void typeInto(QLineEdit &edit, const QString &text)
{
    edit.setFocus();
    edit.selectAll();
    QTest::keyClicks(&edit, text);
}

QMenu &fileMenu(CMainFrame &frame)
{
    for (QAction *menu : frame.menuBar()->actions())
        if (menu->text() == "&File")
            return *menu->menu();
    throw std::runtime_error("no File menu");
}

// The File menu as the user opens it: the recent entries are the ones
// between the last separators before "Exit Tarvex".
std::vector<QAction *> recentEntries(CMainFrame &frame)
{
    QMenu &menu = fileMenu(frame);
    menu.popup(frame.mapToGlobal(QPoint(10, 10)));
    test::pump();
    std::vector<QAction *> entries;
    for (QAction *entry : menu.actions())
        if (!entry->isSeparator() && entry->text().startsWith('&') && entry->text().at(1).isDigit())
            entries.push_back(entry);
    return entries;
}

void chooseFromFileMenu(CMainFrame &frame, QAction *entry)
{
    QMenu &menu = fileMenu(frame);
    QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(entry).center());
    test::pump();
}

// A data trace file with channel 1 on list entry `channel` and period `periodMs`.
void writeTraceFile(const std::filesystem::path &path, int channel, int periodMs)
{
    std::ofstream out(path, std::ios::binary);
    for (int block = 0; block < 4; ++block)
        for (int i = 0; i < 361; ++i)
            out << (i == 0 ? std::string("Name") : std::to_string(block == 0 ? channel : 0)) << "\t0.0 \t" << i
                << "\r\n";
    out << "Period\t" << periodMs << "\r\n3500\t-3500\t3500\t-3500\t200\t-200\t500\t0\r\n";
}

CParameterDlg *openParameterWindow()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *dialog = qobject_cast<CParameterDlg *>(widget); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

class RememberedSession : public test::ConnectedFrameFixture {
protected:
    void SetUp() override
    {
        TARVEX_NEEDS_VIRTUAL_DRIVE();
        connectToVirtualDrive(installedFeatureWindows(), true);
    }
};

TEST_F(RememberedSession, TickedRowsAndTheTracesSetUpAndSizeComeBackAfterARestart)
{
    CGXGridWnd &rows = frame->statusPane().dialog().grid();
    clickTickBox(rows, 2);
    clickTickBox(rows, 5);
    ASSERT_EQ(frame->statusPane().dialog().tickedRows(), 0b10010u);

    frame->action(Command::DataTrace)->trigger();
    TraceGraphDlg *trace = openTraceWindow();
    ASSERT_NE(trace, nullptr);
    trace->channelList(0).setFocus();
    QTest::keyClick(&trace->channelList(0), Qt::Key_Down);
    QTest::keyClick(&trace->channelList(2), Qt::Key_Down);
    QTest::keyClick(&trace->channelList(2), Qt::Key_Down);
    typeInto(trace->periodEdit(), "20");
    QTest::mouseClick(&trace->applyButton(), Qt::LeftButton);
    ASSERT_TRUE(messages.empty()) << messages.texts().front();
    QTimer::singleShot(0, [trace] {
        trace->axisDialog().maxEdit(1)->setValue(1750);
        trace->axisDialog().minEdit(1)->setValue(-1750);
        trace->axisDialog().apply();
    });
    QTest::mouseClick(&trace->yAxisButton(), Qt::LeftButton);
    ASSERT_EQ(trace->limits()[1].max, 1750);
    const QSize opened = trace->size();
    // Taller only: the window is already wider than the test's screen.
    trace->resize(opened + QSize(0, 40));
    test::pump();
    const QSize left = trace->size();
    ASSERT_NE(left, opened);
    QTest::mouseClick(&trace->exitButton(), Qt::LeftButton);
    test::pump();

    restartFrame();
    frame->show();
    test::pump();
    EXPECT_EQ(frame->statusPane().dialog().tickedRows(), 0b10010u);
    EXPECT_EQ(frame->statusPane().dialog().grid().GetValueRowCol(5, 1), "1");

    frame->action(Command::DataTrace)->trigger();
    trace = openTraceWindow();
    ASSERT_NE(trace, nullptr);
    EXPECT_EQ(trace->channelList(0).currentIndex(), 1);
    EXPECT_EQ(trace->channelList(1).currentIndex(), 0);
    EXPECT_EQ(trace->channelList(2).currentIndex(), 2);
    EXPECT_EQ(trace->periodEdit().value(), 20);
    EXPECT_EQ(trace->limits()[1].max, 1750);
    EXPECT_EQ(trace->limits()[1].min, -1750);
    EXPECT_EQ(trace->limits()[0].max, 3500);
    EXPECT_EQ(trace->size(), left);
    QTest::mouseClick(&trace->exitButton(), Qt::LeftButton);
}

TEST_F(FrameFixture, ARecentFileOpensInItsWindowAfterARestartAndAMissingOneIsTakenOff)
{
    startFrame({}, installedFeatureWindows());
    frame->show();
    const auto file = directory.path() / "slow axis.mdg";
    writeTraceFile(file, 3, 40);
    EXPECT_TRUE(recentEntries(*frame).empty());

    // Opened once through the window's own Open.
    frame->action(Command::DataTrace)->trigger();
    TraceGraphDlg *trace = openTraceWindow();
    ASSERT_NE(trace, nullptr);
    test::answerNextFileDialog(QString::fromStdString(file.string()));
    QTest::mouseClick(&trace->openButton(), Qt::LeftButton);
    ASSERT_EQ(trace->periodEdit().value(), 40);
    QTest::mouseClick(&trace->exitButton(), Qt::LeftButton);
    test::pump();

    restartFrame();
    frame->show();
    std::vector<QAction *> entries = recentEntries(*frame);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0]->text(), "&1 slow axis.mdg");
    EXPECT_EQ(entries[0]->toolTip().toStdString(), file.string());
    chooseFromFileMenu(*frame, entries[0]);
    trace = openTraceWindow();
    ASSERT_NE(trace, nullptr);
    EXPECT_EQ(trace->periodEdit().value(), 40);
    EXPECT_EQ(trace->channelList(0).currentIndex(), 3);
    EXPECT_TRUE(messages.empty());
    QTest::mouseClick(&trace->exitButton(), Qt::LeftButton);
    test::pump();

    std::filesystem::remove(file);
    entries = recentEntries(*frame);
    ASSERT_EQ(entries.size(), 1u);
    chooseFromFileMenu(*frame, entries[0]);
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"The file was not found."});
    EXPECT_EQ(openTraceWindow(), nullptr);
    EXPECT_TRUE(recentEntries(*frame).empty());
    fileMenu(*frame).hide();
}

TEST_F(FrameFixture, TheRecentFilesHoldTheLastEightMostRecentFirst)
{
    startFrame();
    for (int i = 0; i < 10; ++i)
        RecentFiles::add(QStringLiteral("mpa"), QString::fromStdString((directory.path() / ("set" + std::to_string(i) + ".mpa")).string()));
    RecentFiles::add(QStringLiteral("mpa"), QString::fromStdString((directory.path() / "set5.mpa").string()));
    const std::vector<QAction *> entries = recentEntries(*frame);
    fileMenu(*frame).hide();
    ASSERT_EQ(entries.size(), 8u);
    EXPECT_EQ(entries[0]->text(), "&1 set5.mpa");
    EXPECT_EQ(entries[1]->text(), "&2 set9.mpa");
    EXPECT_EQ(entries[7]->text(), "&8 set2.mpa");
}

} // namespace
} // namespace tarvex

namespace tarvex {
namespace {

// The window's own set-up sizes it to its grids after it is built; the size
// the user left it at must still win.
TEST_F(RememberedSession, TheParameterWindowReopensAtTheSizeItWasLeftAt)
{
    frame->action(Command::ParameterEditing)->trigger();
    test::pump();
    CParameterDlg *dialog = openParameterWindow();
    ASSERT_NE(dialog, nullptr);
    // The test's screen is narrower than the window's least width.
    const QSize left(dialog->minimumWidth(), dialog->height() - 23);
    dialog->resize(left);
    test::pump();
    ASSERT_EQ(dialog->size(), left);
    dialog->close();
    test::pump();

    restartFrame();
    frame->show();
    test::pump();
    frame->action(Command::ParameterEditing)->trigger();
    test::pump();
    dialog = openParameterWindow();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->size(), left);
    dialog->close();
}

} // namespace
} // namespace tarvex

namespace tarvex {
namespace {

// The tool window of class `className` the user sees, if any.
QWidget *shownWindow(const char *className)
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->inherits(className) && widget->isVisible())
            return widget;
    return nullptr;
}

// Runs the command from its menu entry and `step` on its window once that
// shows and has done what it does on opening (the parameter window reads
// every group before the command returns): a modal window's step runs
// inside its loop, another's after the command. False when the window
// never showed.
bool withWindowOf(QAction &command, const char *className, bool modal, const std::function<void(QWidget &)> &step)
{
    bool returned = false;
    bool ran = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (ran)
            return;
        QWidget *window = shownWindow(className);
        if (!window || !(modal ? QApplication::activeModalWidget() == window : returned))
            return;
        ran = true;
        poll.stop();
        step(*window);
    });
    poll.start();
    command.trigger();
    returned = true;
    test::pumpUntil([&] { return ran; }, std::chrono::seconds(60));
    poll.stop();
    return ran;
}

struct ToolWindow {
    Command command;
    const char *className;
    bool modal;
};

constexpr ToolWindow kToolWindows[] = {
    {Command::ParameterEditing, "tarvex::CParameterDlg", false},
    {Command::TriggerMonitoring, "tarvex::CTriggerGraphDlg", false},
    {Command::AlarmTrace, "tarvex::CAlarmGraphDlg", true},
    {Command::AlarmHistory, "tarvex::CAlarmHistoryDlg", true},
    {Command::GainAutoTuning, "tarvex::CAutotuningDlg", true},
    {Command::DataTrace, "tarvex::TraceGraphDlg", false},
    {Command::ManualJog, "tarvex::CManualJogDlg", false},
    {Command::ProgramJog, "tarvex::CProgramJogDlg", false},
};

// Ctrl+W closes each tool window, modal or not, and each one opens after a
// restart at the size the user left it at.
TEST_F(RememberedSession, EveryToolWindowClosesWithCtrlWAndReopensAtItsSizeAfterARestart)
{
    std::map<Command, QSize> left;
    for (const ToolWindow &tool : kToolWindows) {
        SCOPED_TRACE(tool.className);
        QAction &command = *frame->action(tool.command);
        ASSERT_TRUE(command.isEnabled()) << command.toolTip().toStdString();
        bool closed = false;
        ASSERT_TRUE(withWindowOf(command, tool.className, tool.modal, [&](QWidget &window) {
            // Within the screen, and not below the window's least size.
            const QSize room = fitToAvailableScreen(window, window.size() - QSize(40, 40));
            const QSize wanted = room.expandedTo(window.minimumSize());
            window.resize(wanted == window.size() ? wanted + QSize(0, 20) : wanted);
            test::pump();
            left[tool.command] = window.size();
            // A window that deletes itself on closing may be gone once the key has been handled.
            const QPointer<QWidget> alive(&window);
            QTest::keyClick(window.windowHandle(), Qt::Key_W, Qt::ControlModifier);
            closed = !alive || !alive->isVisible();
        }));
        EXPECT_TRUE(closed);
        test::pump();
        EXPECT_EQ(shownWindow(tool.className), nullptr);
        // This virtual drive holds no catalogue defaults, so the parameter
        // window's read of the System group is refused; the others say nothing.
        if (tool.command != Command::ParameterEditing) {
            EXPECT_TRUE(messages.empty()) << messages.texts().front();
        }
        messages.clear();
    }

    restartFrame();
    frame->show();
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    chooseSettings(sim->devicePath());
#endif
    frame->OnCommand(Command::Connect);
    test::pump();
    for (const ToolWindow &tool : kToolWindows) {
        SCOPED_TRACE(tool.className);
        QAction &command = *frame->action(tool.command);
        ASSERT_TRUE(command.isEnabled()) << command.toolTip().toStdString();
        ASSERT_TRUE(withWindowOf(command, tool.className, tool.modal, [&](QWidget &window) {
            EXPECT_EQ(window.size(), left[tool.command]);
            window.close();
        }));
        test::pump();
    }
}

} // namespace
} // namespace tarvex
