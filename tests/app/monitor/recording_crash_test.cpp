// A recording survives the program's sudden end: the program (here a copy
// of this test program, connected over a pseudo-terminal to a virtual drive
// of its own) records the "Servo Status" rows to CSV and is killed with
// SIGKILL; the next start over the same settings offers the unfinished
// recording, and the file the user picks holds every row recorded up to a
// second before the kill.
#include "tests/app/support/connected_frame_fixture.h"
#include "tests/app/support/file_dialog_driver.h"
#include "tests/app/support/ui_pump.h"
#include "app/monitor/dock_main1_dlg.h"
#include "app/monitor/static_panes.h"
#include "app/monitor/status_recording.h"
#include "app/ui/settings/recording_journal_folder.h"
#include "drive/files/recording_journal.h"
#include "drive/monitor/status_record_rows.h"

#include <QCoreApplication>
#include <QFile>
#include <QMenuBar>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace tarvex::recording_crash_test {

using namespace std::chrono_literals;

// Where the recording program keeps its settings: set for it by the test.
constexpr const char *kSettingsVariable = "TARVEX_TEST_RECORDING_SETTINGS";
constexpr const char *kRowPrefix = "recorded ";
constexpr const char *kRecoveryQuestion =
    "An unfinished recording was found. Save it to a file, discard it or keep it for the next start?";

QAction *monitorMenuEntry(CMainFrame &frame, const QString &text)
{
    for (QAction *menu : frame.menuBar()->actions())
        if (menu->menu() && menu->text() == QLatin1String("&Monitor"))
            for (QAction *entry : menu->menu()->actions())
                if (QString(entry->text()).remove('&') == text)
                    return entry;
    return nullptr;
}

// A row without its seconds column, which counts from each recorder's own start.
std::string withoutSeconds(std::string row)
{
    const std::size_t first = row.find(',');
    const std::size_t second = first == std::string::npos ? first : row.find(',', first + 1);
    if (second != std::string::npos)
        row.erase(first, second - first);
    return row;
}

class RecordingCrash : public test::ConnectedFrameFixture {};

// The recording program: runs only when the test starts it, and records
// until it is killed, saying on standard output each row it has recorded.
TEST_F(RecordingCrash, DISABLED_RecordsUntilKilled)
{
    const char *settings = std::getenv(kSettingsVariable);
    if (!settings)
        GTEST_SKIP() << "started by RecordingCrash.AKilledRecordingIsRecoveredAtTheNextStart";
    TARVEX_NEEDS_VIRTUAL_DRIVE();
    settingsFolder = settings;
    connectToVirtualDrive({}, true);
    for (int row : {1, 18, 19, 20})
        frame->statusPane().dialog().grid().clickCell(row, 1);
    frame->OnCommand(Command::Start);
    QAction *record = monitorMenuEntry(*frame, "Record to CSV...");
    ASSERT_NE(record, nullptr);
    ASSERT_TRUE(test::pumpUntil([&] { return record->isEnabled(); }, 60s));
    StatusRecording &recording = frame->statusRecording();
    // After the recording's own handler: the row is in its hands when said.
    QObject::connect(&frame->statusPane().dialog(), &CDockMain1Dlg::cycleArrived, [&](const StatusCycle &cycle) {
        if (!recording.isRecording())
            return;
        std::printf("%s%s", kRowPrefix, status_record::rowLine(cycle, {}).c_str());
        std::fflush(stdout);
    });
    test::answerNextFileDialog(QString::fromStdString((std::filesystem::path(settings) / "never-written.csv").string()));
    record->trigger();
    ASSERT_TRUE(recording.isRecording());
    test::pumpUntil([] { return false; }, 10min);
}

TEST_F(RecordingCrash, AKilledRecordingIsRecoveredAtTheNextStart)
{
    TARVEX_NEEDS_VIRTUAL_DRIVE();
    const std::filesystem::path shared = directory / "settings";
    const std::filesystem::path childTemporary = directory / "tmp";
    std::filesystem::create_directories(shared);
    std::filesystem::create_directories(childTemporary);

    QProcess recorder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kSettingsVariable), QString::fromStdString(shared.string()));
    environment.insert(QStringLiteral("TMPDIR"), QString::fromStdString(childTemporary.string()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    recorder.setProcessEnvironment(environment);
    recorder.setProcessChannelMode(QProcess::MergedChannels);
    recorder.start(QCoreApplication::applicationFilePath(),
                   {QStringLiteral("--gtest_also_run_disabled_tests"),
                    QStringLiteral("--gtest_filter=RecordingCrash.DISABLED_RecordsUntilKilled")});
    ASSERT_TRUE(recorder.waitForStarted(30000));

    struct Said {
        std::string row;
        std::chrono::steady_clock::time_point at;
    };
    std::vector<Said> said;
    std::string pending, output;
    const auto take = [&] {
        const std::string more = recorder.readAllStandardOutput().toStdString();
        pending += more;
        output += more; // its last words, should it fail
        if (output.size() > 4000)
            output.erase(0, output.size() - 4000);
        for (std::size_t eol; (eol = pending.find('\n')) != std::string::npos; pending.erase(0, eol + 1)) {
            const std::string line = pending.substr(0, eol);
            if (line.rfind(kRowPrefix, 0) == 0)
                said.push_back({line.substr(std::string(kRowPrefix).size()), std::chrono::steady_clock::now()});
        }
    };
    // Rows over a few seconds, so that some are well older than the last second.
    const auto deadline = std::chrono::steady_clock::now() + 180s;
    while (std::chrono::steady_clock::now() < deadline && recorder.state() == QProcess::Running &&
           (said.size() < 10 || std::chrono::steady_clock::now() - said.front().at < 3s)) {
        recorder.waitForReadyRead(200);
        take();
    }
    ASSERT_EQ(recorder.state(), QProcess::Running) << output;
    ASSERT_GE(said.size(), 10u) << "the recording program recorded too little: " << output;
    recorder.kill(); // SIGKILL: nothing of the program runs after it
    const auto killed = std::chrono::steady_clock::now();
    ASSERT_TRUE(recorder.waitForFinished(30000));
    take();
    std::vector<std::string> expected;
    for (const Said &s : said)
        if (s.at <= killed - 1s)
            expected.push_back(withoutSeconds(s.row));
    ASSERT_FALSE(expected.empty());

    // The next start over the same settings: the user takes the offer.
    settingsFolder = shared;
    const std::string recovered = (directory / "recovered.csv").string();
    messages.chooseNext(0); // Save...
    test::answerNextFileDialog(QString::fromStdString(recovered));
    startFrame();
    ASSERT_TRUE(test::pumpUntil([&] { return QFile::exists(QString::fromStdString(recovered)); }, 60s));
    ASSERT_EQ(messages.count(kRecoveryQuestion), 1u);
    for (const Message &message : messages.messages()) {
        if (message.kind == Message::Kind::Question) {
            EXPECT_EQ(message.detail.rfind("Servo Status, started ", 0), 0u) << message.detail;
        }
    }

    std::ifstream in(recovered, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_GE(lines.size(), 3u + expected.size());
    EXPECT_EQ(lines[0], "# Servo Status");
    EXPECT_EQ(lines[2].rfind("Time,Seconds [s],", 0), 0u) << lines[2];
    for (std::size_t n = 0; n < expected.size(); ++n)
        ASSERT_EQ(withoutSeconds(lines[3 + n]), expected[n]) << "row " << n;
    for (std::size_t n = 3; n < lines.size(); ++n)
        EXPECT_EQ(std::count(lines[n].begin(), lines[n].end(), ','), 27) << "a whole row: " << lines[n];

    // Recovered, the run is gone: the start after asks nothing.
    EXPECT_TRUE(journal::findUnfinishedRuns(QFile::encodeName(recordingJournalFolder()).toStdString())
                    .empty());
    EXPECT_FALSE(std::filesystem::exists(shared / "never-written.csv")) << "a killed recording wrote no half file";
}

} // namespace tarvex::recording_crash_test
