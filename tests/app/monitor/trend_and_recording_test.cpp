// The monitoring trend and the status recording against the virtual drive:
// the trend plots what the "Servo Status" pane shows, "Record to CSV..."
// writes a row per poll cycle whose values are the drive's, and both end
// cleanly when monitoring stops. The file writer and the row texts are also
// checked on their own where the drive cannot reach (a full disk).
#include "drive/monitor/background_file_writer.h"
#include "tests/app/support/chart_menu_driver.h"
#include "tests/app/support/csv_reader.h"
#include "tests/app/support/connected_frame_fixture.h"
#include "app/monitor/static_panes.h"
#include "drive/monitor/status_record_rows.h"
#include "app/monitor/status_recording.h"
#include "drive/monitor/trend_history.h"
#include "app/monitor/trend_pane.h"
#include "tests/app/support/ui_pump.h"
#include "tests/app/support/virtual_drive_session.h"
#include "app/monitor/dock_main1_dlg.h"
#include "app/ui/settings/recording_journal_folder.h"
#include "drive/files/recording_journal.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <QFile>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace tarvex::trend_recording_test {

using namespace std::chrono_literals;

// Rows of the status block whose drive values hold still while the motor rests.
constexpr int kRatedSpeedRow = 18;    // register 252, rpm
constexpr int kMaximumSpeedRow = 19;  // register 254, rpm
constexpr int kRatedCurrentRow = 20;  // register 256, x 0.01 A

QListWidgetItem *trendItem(QListWidget &list, int row)
{
    for (int i = 0; i < list.count(); ++i)
        if (list.item(i)->data(Qt::UserRole).toInt() == row)
            return list.item(i);
    return nullptr;
}

// A click on the item's tick box, where the style draws it.
void clickTrendTick(QListWidget &list, int row)
{
    QListWidgetItem *item = trendItem(list, row);
    ASSERT_NE(item, nullptr) << "row " << row;
    list.scrollToItem(item);
    QStyleOptionViewItem option;
    option.initFrom(list.viewport());
    option.rect = list.visualItemRect(item);
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    option.checkState = item->checkState();
    const QRect tick = list.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &list);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, tick.center());
}

QAction *monitorMenuEntry(CMainFrame &frame, const QString &text)
{
    for (QAction *menu : frame.menuBar()->actions())
        if (menu->menu() && menu->text() == QLatin1String("&Monitor"))
            for (QAction *entry : menu->menu()->actions())
                if (QString(entry->text()).remove('&') == text)
                    return entry;
    return nullptr;
}

// The status bar's word that a recording runs, while it shows.
QLabel *recordingLabel(CMainFrame &frame)
{
    for (QLabel *label : frame.statusBar()->findChildren<QLabel *>())
        if (label->isVisible() && label->text().startsWith("Recording to "))
            return label;
    return nullptr;
}

std::vector<std::string> fileLines(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class TrendSession : public test::ConnectedFrameFixture {
protected:
    void SetUp() override
    {
        TARVEX_NEEDS_VIRTUAL_DRIVE();
        connectToVirtualDrive({}, true);
    }

    CGXGridWnd &statusGrid() { return frame->statusPane().dialog().grid(); }
    double drive(std::uint16_t address, double scale = 1)
    {
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        return static_cast<std::int16_t>(sim->registerValue(address)) * scale;
#else
        (void)address;
        return scale;
#endif
    }
    std::string scratch(const std::string &name) { return (directory.path() / name).string(); }
    void reconnect()
    {
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        chooseSettings(sim->devicePath());
#endif
        frame->OnCommand(Command::Connect);
        ASSERT_EQ(frame->state().connectionState(), connection_state::kConnected);
    }

};

TEST_F(TrendSession, TheTrendPlotsTheChosenVariablesAsThePaneShowsThemAndGreysWhenMonitoringStops)
{
    CTrendPane &trend = frame->trendPane();
    EXPECT_FALSE(trend.isVisible()) << "off until the View menu shows it";
    QAction *toggle = trend.toggleViewAction();
    EXPECT_EQ(toggle->text(), "Tr&end");
    toggle->trigger();
    ASSERT_TRUE(trend.isVisible());

    clickTrendTick(trend.variableList(), kRatedSpeedRow);
    clickTrendTick(trend.variableList(), kRatedCurrentRow);
    EXPECT_EQ(trend.shownRows(), (std::vector<int>{kRatedSpeedRow, kRatedCurrentRow}));
    EXPECT_EQ(statusGrid().GetValueRowCol(kRatedSpeedRow, 1), "1") << "the poll must read what the trend plots";
    EXPECT_EQ(statusGrid().GetValueRowCol(kRatedCurrentRow, 1), "1");

    frame->OnCommand(Command::Start);
    ASSERT_TRUE(test::pumpUntil([&] { return trend.history().points(kRatedCurrentRow).size() >= 3; }));
    EXPECT_FALSE(trend.isStale());
    EXPECT_EQ(trend.lineCount(), 2);
    EXPECT_GE(trend.linePoints(0), 3);
    frame->OnCommand(Command::Stop);
    ASSERT_TRUE(test::pumpUntil([&] { return trend.isStale(); }));

    const auto &speed = trend.history().points(kRatedSpeedRow);
    const auto &current = trend.history().points(kRatedCurrentRow);
    EXPECT_DOUBLE_EQ(speed.front().value, drive(252));
    EXPECT_NEAR(current.front().value, drive(256, 0.01), 1e-9);
    // The last live point is the pane's number (a NaN marks the stop).
    ASSERT_GE(current.size(), 2u);
    EXPECT_TRUE(std::isnan(current.back().value));
    EXPECT_EQ(QString::number(current[current.size() - 2].value, 'f', 2),
              statusGrid().GetValueRowCol(kRatedCurrentRow, 2));
    for (std::size_t i = 1; i + 1 < speed.size(); ++i)
        EXPECT_GT(speed[i].seconds, speed[i - 1].seconds) << "time runs forward";
    EXPECT_EQ(trend.timeCaption(), "Time [s]");
    EXPECT_EQ(trend.lineColour(0), QColor(160, 160, 160));
    EXPECT_FALSE(trend.note().isEmpty());
}

// The variables the user chose to plot are chosen again after a restart
// (and read by the poll, so they are plotted); NEW forgets them.
TEST_F(TrendSession, TheTrendsChoiceComesBackAfterARestartAndNewForgetsIt)
{
    frame->trendPane().toggleViewAction()->trigger();
    for (int row : {kRatedCurrentRow, 2, kRatedSpeedRow})
        clickTrendTick(frame->trendPane().variableList(), row);
    clickTrendTick(frame->trendPane().variableList(), 2); // and changes their mind
    ASSERT_EQ(frame->trendPane().shownRows(), (std::vector<int>{kRatedSpeedRow, kRatedCurrentRow}));

    restartFrame();
    frame->show();
    CTrendPane &trend = frame->trendPane();
    EXPECT_EQ(trend.shownRows(), (std::vector<int>{kRatedSpeedRow, kRatedCurrentRow}));
    EXPECT_EQ(trendItem(trend.variableList(), kRatedSpeedRow)->checkState(), Qt::Checked);
    EXPECT_EQ(trendItem(trend.variableList(), 2)->checkState(), Qt::Unchecked);
    EXPECT_EQ(trend.lineCount(), 2);
    reconnect();
    frame->OnCommand(Command::Start);
    ASSERT_TRUE(test::pumpUntil([&] { return trend.linePoints(1) >= 2; }));
    EXPECT_DOUBLE_EQ(trend.history().points(kRatedSpeedRow).front().value, drive(252));
    frame->OnCommand(Command::Stop);

    frame->OnCommand(Command::New);
    EXPECT_TRUE(frame->trendPane().shownRows().empty());
    restartFrame();
    EXPECT_TRUE(frame->trendPane().shownRows().empty());
    EXPECT_EQ(frame->statusPane().dialog().tickedRows(), 0u);
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
}

TEST_F(TrendSession, TheTrendTakesAtMostFourVariables)
{
    CTrendPane &trend = frame->trendPane();
    trend.toggleViewAction()->trigger();
    for (int row : {1, 2, 3, 4, 7})
        clickTrendTick(trend.variableList(), row);
    EXPECT_EQ(trend.shownRows(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(trendItem(trend.variableList(), 7)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(trend.note().contains("At most 4")) << trend.note().toStdString();
    EXPECT_EQ(statusGrid().GetValueRowCol(7, 1), "0") << "a refused choice ticks nothing";
    EXPECT_EQ(trendItem(trend.variableList(), 26), nullptr) << "the version text is no number to plot";

    clickTrendTick(trend.variableList(), 2);
    clickTrendTick(trend.variableList(), 7);
    EXPECT_EQ(trend.shownRows(), (std::vector<int>{1, 3, 4, 7}));
    EXPECT_EQ(trend.lineCount(), 4);
    EXPECT_TRUE(messages.empty());
}

TEST_F(TrendSession, RecordToCsvWritesTheDrivesValuesEveryCycleUntilStopped)
{
    QAction *record = monitorMenuEntry(*frame, "Record to CSV...");
    ASSERT_NE(record, nullptr);
    EXPECT_FALSE(record->isEnabled()) << "nothing to record before monitoring runs";
    for (int row : {kRatedSpeedRow, kMaximumSpeedRow, kRatedCurrentRow})
        statusGrid().clickCell(row, 1);
    frame->OnCommand(Command::Start);
    ASSERT_TRUE(test::pumpUntil([&] { return record->isEnabled(); }));

    const std::string path = scratch("status.csv");
    test::answerNextFileDialog(QString::fromStdString(path));
    record->trigger();
    StatusRecording &recording = frame->statusRecording();
    ASSERT_TRUE(recording.isRecording());
    EXPECT_EQ(record->text(), "Stop &Recording");
    QLabel *shown = recordingLabel(*frame);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->text(), "Recording to status.csv");
    EXPECT_EQ(shown->toolTip().toStdString(), path);
    ASSERT_TRUE(test::pumpUntil([&] { return recording.rowsRecorded() >= 5; }));
    record->trigger();
    EXPECT_FALSE(recording.isRecording());
    EXPECT_EQ(record->text(), "&Record to CSV...");
    EXPECT_EQ(recordingLabel(*frame), nullptr) << "gone with the recording";
    const long rows = recording.rowsRecorded();
    ASSERT_TRUE(test::pumpUntil([&] { return !recording.isSaving(); }));

    const test::CsvFile csv = test::readCsv(path);
    ASSERT_EQ(csv.header.size(), 28u);
    EXPECT_EQ(csv.header[0], "Time");
    EXPECT_EQ(csv.header[1], "Seconds [s]");
    const int speed = csv.column("Motor Rated Speed [rpm]");
    const int maximum = csv.column("Motor Maximum Speed [rpm]");
    const int current = csv.column("Motor Rated Current [A]");
    ASSERT_GT(speed, 0);
    ASSERT_GT(maximum, 0);
    ASSERT_GT(current, 0);
    EXPECT_GT(csv.column("FPGA Version"), 0) << "a unit of \"-\" is no unit";
    ASSERT_EQ(static_cast<long>(csv.rows.size()), rows) << "a row per cycle, none lost at the stop";
    double before = -1;
    for (const auto &row : csv.rows) {
        ASSERT_EQ(row.size(), 28u);
        EXPECT_DOUBLE_EQ(row[static_cast<std::size_t>(speed)], drive(252));
        EXPECT_DOUBLE_EQ(row[static_cast<std::size_t>(maximum)], drive(254));
        EXPECT_NEAR(row[static_cast<std::size_t>(current)], drive(256, 0.01), 1e-9);
        EXPECT_GE(row[1], before);
        before = row[1];
    }
    // Unticked rows stay empty; the time is ISO 8601 in UTC.
    const std::vector<std::string> lines = fileLines(path);
    ASSERT_GE(lines.size(), 4u);
    const std::vector<std::string> first = test::splitCsvLine(lines[3]);
    EXPECT_EQ(first[2], "") << "Current Speed was not ticked";
    EXPECT_EQ(first[0].size(), 24u) << first[0];
    EXPECT_EQ(first[0].back(), 'Z');
    EXPECT_EQ(first[0][10], 'T');
    EXPECT_TRUE(messages.empty());
}

TEST_F(TrendSession, StoppingMonitoringOrTheLinkEndsTheRecordingWithACompleteFile)
{
    statusGrid().clickCell(kRatedSpeedRow, 1);
    frame->OnCommand(Command::Start);
    QAction *record = monitorMenuEntry(*frame, "Record to CSV...");
    ASSERT_NE(record, nullptr);
    ASSERT_TRUE(test::pumpUntil([&] { return record->isEnabled(); }));
    const std::string path = scratch("until-stop.csv");
    test::answerNextFileDialog(QString::fromStdString(path));
    record->trigger();
    StatusRecording &recording = frame->statusRecording();
    ASSERT_TRUE(test::pumpUntil([&] { return recording.rowsRecorded() >= 2; }));

    ASSERT_NE(recordingLabel(*frame), nullptr);
    frame->OnCommand(Command::Stop);
    ASSERT_TRUE(test::pumpUntil([&] { return !recording.isRecording() && !recording.isSaving(); }));
    EXPECT_EQ(recordingLabel(*frame), nullptr);
    EXPECT_EQ(record->text(), "&Record to CSV...");
    EXPECT_FALSE(record->isEnabled());
    const std::vector<std::string> lines = fileLines(path);
    EXPECT_EQ(static_cast<long>(lines.size()), 3 + recording.rowsRecorded());
    std::ifstream whole(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.back(), '\n') << "the last row is whole";

    // Again, ended by a disconnect this time.
    frame->OnCommand(Command::Start);
    ASSERT_TRUE(test::pumpUntil([&] { return record->isEnabled(); }));
    test::answerNextFileDialog(QString::fromStdString(scratch("until-disconnect.csv")));
    record->trigger();
    ASSERT_TRUE(recording.isRecording());
    EXPECT_EQ(recordingLabel(*frame)->text(), "Recording to until-disconnect.csv");
    frame->OnCommand(Command::Disconnect);
    ASSERT_TRUE(test::pumpUntil([&] { return !recording.isRecording() && !recording.isSaving(); }));
    EXPECT_EQ(recordingLabel(*frame), nullptr);
    EXPECT_TRUE(messages.empty());

    // And a file that can never be written (a device that is always full):
    // refused before the recording begins, not after it.
    if (!std::ifstream("/dev/full"))
        return;
    reconnect();
    frame->OnCommand(Command::Start);
    ASSERT_TRUE(test::pumpUntil([&] { return record->isEnabled(); }));
    const auto full = directory.path() / "full.csv";
    std::filesystem::create_symlink("/dev/full", full);
    test::answerNextFileDialog(QString::fromStdString(full.string()));
    // The file exists: the dialog asks whether to replace it, and the user says yes.
    QTimer replace;
    replace.setInterval(20);
    QObject::connect(&replace, &QTimer::timeout, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible() && box->button(QMessageBox::Yes)) {
                replace.stop();
                QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
            }
    });
    replace.start();
    record->trigger();
    replace.stop();
    ASSERT_TRUE(test::pumpUntil([&] { return !recording.isRecording(); }, 60s));
    EXPECT_EQ(recordingLabel(*frame), nullptr);
    ASSERT_EQ(messages.texts().size(), 1u);
    EXPECT_EQ(messages.texts().front(), "Cannot Save CSV File");
    EXPECT_NE(messages.messages().front().detail.find("not a regular file"), std::string::npos)
        << messages.messages().front().detail;
}

// What the journal folder holds: its pieces' total size, and how many there are.
std::pair<std::uintmax_t, int> journalPieces()
{
    std::uintmax_t bytes = 0;
    int count = 0;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(recordingJournalFolder().toStdString(), error))
        if (entry.path().extension() == ".journal") {
            bytes += entry.file_size();
            ++count;
        }
    return {bytes, count};
}

// Hours of polling in a few seconds: cycles handed to the recording as the
// status pane hands over its own, tens of megabytes in all. Each batch stays
// below what the journal lets wait in memory and is on the disk before the
// next one comes, as slow polling would be. Returns false if the journal
// did not keep up.
bool recordHoursOfRows(CDockMain1Dlg &pane)
{
    StatusCycle cycle;
    cycle.time = std::chrono::steady_clock::time_point{}; // before the recording began: its seconds are 0
    cycle.wallTime = std::chrono::system_clock::now();
    for (int row = 1; row <= 27; ++row)
        cycle.values.emplace_back(row, "-12345.678");
    const std::uintmax_t line = status_record::rowLine(cycle, std::chrono::steady_clock::now()).size();
    const std::uintmax_t onDiskBefore = journalPieces().first;
    constexpr int kBatch = 20000;
    std::uintmax_t sent = 0;
    for (int batch = 0; batch < 6; ++batch) {
        for (int n = 0; n < kBatch; ++n)
            Q_EMIT pane.cycleArrived(cycle);
        sent += kBatch * line;
        if (!test::pumpUntil([&] { return journalPieces().first >= onDiskBefore + sent; }, 60s))
            return false;
    }
    return true;
}

// The file of a long recording is written off the user-interface thread:
// the window serves its events while the copy is under way, and the file is
// whole afterwards. The program closed in the middle of such a save neither
// waits for it nor loses the run: it is in the file, or still in the
// journal for the next start.
TEST_F(TrendSession, ALongRecordingIsSavedInTheBackgroundAndAnInterruptedSaveKeepsTheJournal)
{
    frame->OnCommand(Command::Start);
    QAction *record = monitorMenuEntry(*frame, "Record to CSV...");
    ASSERT_NE(record, nullptr);
    ASSERT_TRUE(test::pumpUntil([&] { return record->isEnabled(); }));
    StatusRecording &recording = frame->statusRecording();
    CDockMain1Dlg &pane = frame->statusPane().dialog();

    const std::string path = scratch("long.csv");
    test::answerNextFileDialog(QString::fromStdString(path));
    record->trigger();
    ASSERT_TRUE(recording.isRecording());
    ASSERT_TRUE(recordHoursOfRows(pane));
    record->trigger();
    // An event posted now is served before the save's outcome is: the save
    // has not held the user-interface thread up.
    bool servedWhileSaving = false;
    QTimer::singleShot(0, frame.get(), [&] {
        servedWhileSaving = recording.isSaving() && !std::filesystem::exists(path);
    });
    EXPECT_FALSE(record->isEnabled()) << "no second recording while the file is written";
    ASSERT_TRUE(test::pumpUntil([&] { return !recording.isSaving(); }, 120s));
    EXPECT_TRUE(servedWhileSaving);
    EXPECT_TRUE(record->isEnabled());
    const std::vector<std::string> lines = fileLines(path);
    EXPECT_EQ(static_cast<long>(lines.size()), 3 + recording.rowsRecorded());
    EXPECT_EQ(lines.back().size(), lines[lines.size() - 2].size()) << "the last row is whole";
    EXPECT_EQ(journalPieces().second, 0) << "the journal goes once the file is written";
    EXPECT_TRUE(messages.empty());

    // Again, and the program closed while the file is written.
    const std::string interrupted = scratch("interrupted.csv");
    test::answerNextFileDialog(QString::fromStdString(interrupted));
    record->trigger();
    ASSERT_TRUE(recording.isRecording());
    ASSERT_TRUE(recordHoursOfRows(pane));
    record->trigger();
    const long rows = recording.rowsRecorded();
    frame.reset();
    const std::vector<journal::UnfinishedRun> left =
        journal::findUnfinishedRuns(QFile::encodeName(recordingJournalFolder()).toStdString());
    std::string whole = interrupted;
    if (!std::filesystem::exists(interrupted)) {
        ASSERT_EQ(left.size(), 1u) << "neither the file nor the journal";
        whole = scratch("recovered.csv");
        ASSERT_TRUE(journal::saveRun(left.front().pieces, whole));
    } else {
        EXPECT_TRUE(left.empty()) << "the save finished first: the journal went with it";
    }
    EXPECT_EQ(static_cast<long>(fileLines(whole).size()), 3 + rows);
}

TEST(StatusRecordWriting, AFullDiskEndsTheWritingOnceAndSaysSo)
{
    if (!std::ifstream("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    std::atomic<int> reported{0};
    auto writer = BackgroundFileWriter::create("/dev/full", [&] { ++reported; });
    ASSERT_NE(writer, nullptr);
    writer->append("Time,Seconds [s]\n");
    ASSERT_TRUE(test::pumpUntil([&] { return reported.load() > 0; }, 5s));
    writer->append("more\n"); // quietly dropped: the writing has ended
    EXPECT_FALSE(writer->finish());
    EXPECT_EQ(reported.load(), 1);
    EXPECT_EQ(BackgroundFileWriter::create("/nonexistent-folder/x.csv", {}), nullptr);
}

TEST(StatusRecordWriting, RowsQuoteTextsAndLeaveUnreadRowsEmpty)
{
    const auto start = std::chrono::steady_clock::now();
    StatusCycle cycle{std::chrono::system_clock::time_point(std::chrono::milliseconds(1'700'000'000'250)),
                      start + 1500ms,
                      {{1, "-100"}, {20, "3.00"}, {26, "01,32"}}};
    std::string line = status_record::rowLine(cycle, start);
    ASSERT_EQ(line.back(), '\n');
    line.pop_back();
    const std::vector<std::string> fields = test::splitCsvLine(line);
    ASSERT_EQ(fields.size(), 28u);
    EXPECT_EQ(fields[0], "2023-11-14T22:13:20.250Z");
    EXPECT_EQ(fields[1], "1.500");
    EXPECT_EQ(fields[2], "-100");
    EXPECT_EQ(fields[3], "");
    EXPECT_EQ(fields[21], "3.00");
    EXPECT_EQ(fields[27], "01,32") << "a comma stays inside its field";
    const std::string header = status_record::headerLines(std::chrono::system_clock::time_point{});
    EXPECT_NE(header.find("\nTime,Seconds [s],Current Speed [rpm],"), std::string::npos) << header;
}

TEST(TrendHistoryBounds, OldPointsGoAndAStopBreaksTheLine)
{
    TrendHistory history(10);
    for (int i = 0; i <= 30; ++i)
        history.add(1, i, i * 2.0);
    EXPECT_EQ(history.points(1).front().seconds, 20);
    EXPECT_EQ(history.points(1).size(), 11u);
    history.breakLines(30);
    history.breakLines(30);
    EXPECT_TRUE(std::isnan(history.points(1).back().value));
    EXPECT_EQ(history.points(1).size(), 12u) << "one break, however often it is asked for";
    EXPECT_TRUE(history.points(2).empty());
    EXPECT_TRUE(history.points(27).empty());
    history.add(0, 1, 1);
    TrendHistory dense;
    for (std::size_t i = 0; i < TrendHistory::kMaxPointsPerRow + 10; ++i)
        dense.add(3, static_cast<double>(i) * 0.001, 1);
    EXPECT_EQ(dense.points(3).size(), TrendHistory::kMaxPointsPerRow);
}

} // namespace tarvex::trend_recording_test
