// The alarm trace window against the virtual drive over the real link
// library and a pseudo-terminal: the opening, the arming block, the waiting
// with its animation until an alarm raised on the drive has been recorded,
// the rotation to the drive's start position, Upload with the DC-link
// division, the axis limits, the file, a link that is not there, and the
// keys that do not close the window. A scripted drive stands in where the
// test must choose the start position or the state word.
#include "app/graphs/alarm/alarm_graph_dlg.h"
#include "app/graphs/alarm/alarm_graph_window.h"
#include "tests/app/support/axis_mapping.h"
#include "tests/app/support/capture_window_fixture.h"
#include "tests/app/support/chart_menu_driver.h"
#include "app/graphs/channel_lists.h"
#include "app/ui/chart/chart_view.h"
#include "app/graphs/integer_edit.h"
#include "drive/connection/commands.h"
#include "tests/app/support/csv_reader.h"
#include "app/ui/link_animation.h"
#include "tests/app/support/linked_drive.h"
#include "tests/app/support/recording_messages.h"
#include "tests/app/support/scratch_directory.h"
#include "tests/app/support/scripted_drive.h"
#include "tests/app/support/ui_pump.h"
#include "tests/app/support/virtual_drive_session.h"
#include "app/graphs/yaxis_dialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>

namespace tarvex {
namespace {

using namespace std::chrono_literals;
using test::expectedMapping;
using test::pumpFor;
using test::pumpUntil;

// List indices.
constexpr int kCurrentSpeed = 1;
constexpr int kDcLink = 7;
constexpr int kAlarmOutput = 12; // code 15

QString qt(const std::filesystem::path &path) { return QString::fromStdString(path.string()); }

class AlarmGraph : public test::CaptureWindowFixture<CAlarmGraphDlg> {
protected:
    void apply(int period, const std::array<int, 4> &channels)
    {
        window->periodEdit().setValue(period);
        window->channelLists().setIndices(channels);
        window->applyButton().click();
    }

    std::array<std::int16_t, 128> driveRing(int c) { return ringAt<128>(static_cast<std::uint16_t>(1048 + 256 * c)); }

    // Arms, lets the drive run a while, raises an alarm and waits for the recording.
    bool recordAlarm()
    {
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        std::uint8_t status = 1;
        drive->link().WrSgRegister(4182, 1, &status); // servo on
        drive->link().WrSgRegister(4182, 2, &status); // jog forward
        apply(2, {kCurrentSpeed, kAlarmOutput, kDcLink, 0});
        pumpFor(100ms);
        sim->raiseAlarm(0x14);
        return pumpUntil([&] { return !window->isWorkerRunning() && window->uploadButton().isEnabled(); }, 5s);
#else
        return false;
#endif
    }
};

TEST_F(AlarmGraph, OpensWithPeriodOneNoChannelsAndOnlyApplyAxesAndOpenUsable)
{
    open();
    EXPECT_EQ(window->windowTitle(), "Alarm Trace");
    EXPECT_EQ(window->periodEdit().value(), 1);
    EXPECT_EQ(window->periodEdit().minimum(), 1);
    EXPECT_EQ(window->periodEdit().maximum(), 1000);
    EXPECT_EQ(window->periodUnitLabel().text(), " X 200us");
    EXPECT_TRUE(window->periodUnitLabel().font().bold());
    EXPECT_EQ(window->channelLists().indices(), (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_TRUE(window->applyButton().isEnabled());
    EXPECT_TRUE(window->yAxisButton().isEnabled());
    EXPECT_TRUE(window->openButton().isEnabled());
    EXPECT_FALSE(window->uploadButton().isEnabled());
    EXPECT_FALSE(window->saveButton().isEnabled());
    EXPECT_EQ(window->saveButton().text(), "SAVE");
    EXPECT_EQ(window->openButton().text(), "OPEN");
    EXPECT_FALSE(window->animation().isPlaying());
    EXPECT_EQ(drive->stalledFeatures().size(), 1u);
}

TEST_F(AlarmGraph, ApplyArmsTheDriveAndWaitsWithTheAnimationPlaying)
{
    open();
    apply(5, {kCurrentSpeed, kAlarmOutput, kDcLink, 16});
    EXPECT_EQ(reg(1000) & 0xFF, 1) << "armed";
    EXPECT_EQ(reg(1002), 5);
    EXPECT_EQ(reg(1004), 1);
    EXPECT_EQ(reg(1006), 15);
    EXPECT_EQ(reg(1008), 7);
    EXPECT_EQ(reg(1010), 19);
    EXPECT_TRUE(window->isRunning());
    EXPECT_FALSE(window->saveButton().isEnabled());
    EXPECT_FALSE(window->openButton().isEnabled());
    EXPECT_FALSE(window->yAxisButton().isEnabled());
    EXPECT_TRUE(window->applyButton().isEnabled());
    pumpFor(100ms);
    EXPECT_TRUE(window->animation().isPlaying());
    EXPECT_TRUE(window->isWorkerRunning()) << "no alarm yet: the poll goes on";
    EXPECT_TRUE(messages.empty());
    // The poll raises the indicator around each of its reads, so it is
    // only sure to be down once the waiting has ended.
    delete window.data();
    EXPECT_EQ(drive->generalBusy.load(), 0);
}

TEST_F(AlarmGraph, AnAlarmRaisedOnTheDriveIsRecordedRotatedAndUploaded)
{
    open();
    ASSERT_TRUE(recordAlarm()) << (messages.empty() ? "" : messages.texts().front());
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Success get data ! "});
    EXPECT_TRUE(window->saveButton().isEnabled());
    EXPECT_TRUE(window->openButton().isEnabled());
    EXPECT_TRUE(window->yAxisButton().isEnabled());
    EXPECT_FALSE(window->animation().isPlaying());
    EXPECT_EQ(window->animation().currentFrame(), 0);

    const unsigned start = reg(1012);
    ASSERT_LT(start, 128u);
    std::array<std::array<std::int16_t, 128>, 3> rings{driveRing(0), driveRing(1), driveRing(2)};
    for (std::size_t c = 0; c < 3; ++c)
        for (std::size_t k = 0; k < 128; ++k)
            ASSERT_EQ(window->displayBuffers()[c][k], rings[c][(start + k) % 128]) << "channel " << c + 1;
    // The alarm output: 64 samples before the alarm, 64 from it on.
    for (std::size_t k = 0; k < 128; ++k)
        ASSERT_EQ(window->displayBuffers()[1][k], k < 64 ? 0 : 1) << "sample " << k;
    EXPECT_GT(rings[2][start], 3000) << "the DC link arrives in 0.1 V";

    window->uploadButton().click();
    EXPECT_FALSE(window->uploadButton().isEnabled());
    EXPECT_TRUE(window->saveButton().isEnabled());
    const auto &display = window->displayBuffers();
    const graphs::ChannelLimits &l = window->limits();
    CChartView &chart = window->chart();
    for (int k = 0; k < 128; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        ASSERT_EQ(display[2][kk], rings[2][(start + kk) % 128] / 10) << "volts";
        ASSERT_EQ(chart.value(0, k), display[0][kk]);
        ASSERT_EQ(chart.value(1, k), expectedMapping(display[1][kk], l[1], l[0]));
        ASSERT_EQ(chart.value(2, k), expectedMapping(display[2][kk], l[2], l[0]));
    }
    EXPECT_EQ(chart.count(5), 0);
    EXPECT_EQ(chart.label(10), "4.0 ") << "period 2: 0.4 ms a sample";

    // New limits replot without dividing again.
    QTimer::singleShot(0, [this] {
        CYaxisDlg &dialog = window->axisDialog();
        dialog.minEdit(2)->setValue(300);
        dialog.maxEdit(2)->setValue(320);
        dialog.apply();
    });
    window->yAxisButton().click();
    EXPECT_EQ(window->displayBuffers()[2][0], display[2][0]);
    EXPECT_EQ(chart.value(2, 0), expectedMapping(display[2][0], {320, 300}, l[0]));
}

TEST_F(AlarmGraph, ANewApplyWithholdsTheLastRecordingUntilTheDriveRecordsAgain)
{
    open();
    ASSERT_TRUE(recordAlarm());
    ASSERT_TRUE(window->uploadButton().isEnabled());
    sim->resetAlarm();

    // New channels and period: the recording waiting to be uploaded was
    // taken with the old ones.
    window->periodEdit().setValue(5);
    window->channelLists().setIndices({kDcLink, 0, 0, 0});
    QTest::mouseClick(&window->applyButton(), Qt::LeftButton);
    EXPECT_FALSE(window->uploadButton().isEnabled());
    EXPECT_FALSE(window->saveButton().isEnabled());
    pumpFor(100ms);
    EXPECT_FALSE(window->uploadButton().isEnabled()) << "still waiting for the new recording";
    EXPECT_FALSE(window->saveButton().isEnabled());

    sim->raiseAlarm(0x14);
    ASSERT_TRUE(pumpUntil([&] { return !window->isWorkerRunning() && window->uploadButton().isEnabled(); }, 5s));
    QTest::mouseClick(&window->uploadButton(), Qt::LeftButton);
    EXPECT_EQ(window->chart().label(10), "10.0 ") << "period 5: 1 ms a sample";
    EXPECT_TRUE(window->saveButton().isEnabled());
}

TEST_F(AlarmGraph, TheRecordingSavedLoadsBackIntoAFreshWindow)
{
    open();
    ASSERT_TRUE(recordAlarm());
    window->uploadButton().click();
    test::ScratchDirectory dir;
    ASSERT_TRUE(window->SaveTo(qt(dir / "alarm.mag")));
    const auto saved = window->displayBuffers();

    std::ifstream in(dir / "alarm.mag", std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u * 128 + 2);
    EXPECT_EQ(lines[0], "Current Speed[rpm]\t0.0 \t" + std::to_string(saved[0][0]) + "\r");
    EXPECT_EQ(lines[128 + 5], "12\t2.0 \t" + std::to_string(saved[1][5]) + "\r");
    EXPECT_EQ(lines[256].substr(0, 19), "DC Link Voltage[v]\t");
    EXPECT_EQ(lines[256 + 1], "7\t0.4 \t" + std::to_string(saved[2][1]) + "\r") << "volts, as uploaded";
    EXPECT_EQ(lines[512], "Period\t2\r") << "the period last sent";
    EXPECT_EQ(lines[513], "3500\t-3500\t3500\t-3500\t200\t-200\t500\t0\r");

    delete window.data();
    window = new CAlarmGraphDlg(drive.get());
    ASSERT_TRUE(window->OpenFrom(qt(dir / "alarm.mag")));
    EXPECT_EQ(window->displayBuffers(), saved);
    EXPECT_EQ(window->periodEdit().value(), 2);
    EXPECT_EQ(window->m_period, 2);
    EXPECT_EQ(window->channelLists().indices(), (std::array<int, 4>{kCurrentSpeed, kAlarmOutput, kDcLink, 0}));
    EXPECT_EQ(window->chart().value(0, 7), saved[0][7]);
    EXPECT_EQ(window->chart().label(10), "4.0 ");

    EXPECT_FALSE(window->OpenFrom(qt(dir / "missing.mag")));
    EXPECT_EQ(messages.texts().back(), "Cannot Open Parameter File");
    EXPECT_FALSE(window->SaveTo(qt(dir / "no-such-directory" / "alarm.mag")));
    EXPECT_EQ(messages.texts().back(), "Cannot Save Parameter File");
}

TEST_F(AlarmGraph, WithoutALinkTheWaitingEndsAtOnceAndOnlyTheAxesStayUsable)
{
    open(false);
    apply(1, {kCurrentSpeed, 0, 0, 0});
    ASSERT_TRUE(pumpUntil([&] { return !window->isWorkerRunning(); }));
    pumpFor(10ms);
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Communication Connection Error ", "Alarm Data Read Error"}));
    EXPECT_FALSE(window->isRunning());
    EXPECT_FALSE(window->saveButton().isEnabled());
    EXPECT_FALSE(window->openButton().isEnabled());
    EXPECT_FALSE(window->uploadButton().isEnabled());
    EXPECT_FALSE(window->applyButton().isEnabled());
    EXPECT_TRUE(window->yAxisButton().isEnabled());
    EXPECT_FALSE(window->animation().isPlaying());
}

TEST_F(AlarmGraph, EnterAndEscDoNotCloseTheWindowButClosingEndsTheWaiting)
{
    open();
    window->show();
    apply(1, {kCurrentSpeed, 0, 0, 0});
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(window.data(), &press);
    }
    pumpFor(20ms);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWorkerRunning());

    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->isWorkerRunning()) << "closing waits for the poll to end";
    EXPECT_FALSE(window->isRunning());
    EXPECT_FALSE(window->animation().isPlaying());
}

TEST_F(AlarmGraph, ExportCsvFromTheChartMenuWritesWhatTheDriveRecordedInPhysicalUnits)
{
    open();
    ASSERT_TRUE(recordAlarm()) << (messages.empty() ? "" : messages.texts().front());
    const unsigned start = reg(1012);
    ASSERT_LT(start, 128u);
    const std::array<std::array<std::int16_t, 128>, 3> rings{driveRing(0), driveRing(1), driveRing(2)};
    window->uploadButton().click();
    messages.clear();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.data()));

    test::ScratchDirectory scratch;
    const std::string path = (scratch / "alarm.csv").string();
    test::answerNextFileDialog(QString::fromStdString(path));
    ASSERT_TRUE(test::chooseFromChartMenu(window->chart(), "Export CSV..."));
    ASSERT_TRUE(messages.empty()) << messages.texts().front();

    const test::CsvFile csv = test::readCsv(path);
    EXPECT_EQ(csv.comments.front(), "Alarm Trace");
    EXPECT_EQ(csv.settings.at("Sampling period [s]"), "0.0004");
    ASSERT_EQ(csv.header, std::vector<std::string>({"Time [s]", "Current Speed [rpm]", "ALARM(Digital Output) [0/1]",
                                                     "DC Link Voltage [V]"}));
    ASSERT_EQ(csv.rows.size(), 128u);
    for (std::size_t k = 0; k < 128; ++k) {
        const auto &row = csv.rows[k];
        ASSERT_EQ(row.size(), 4u);
        const std::size_t at = (start + k) % 128;
        EXPECT_NEAR(row[0], static_cast<double>(k) * 0.0004, 1e-12) << "sample " << k;
        EXPECT_EQ(row[1], rings[0][at]) << "the drive's speed sample " << k << ", in rpm";
        EXPECT_EQ(row[2], k < 64 ? 0 : 1) << "the alarm output, not mapped onto the speed's axis";
        // The drive records the DC link in 0.1 V; the export keeps the tenth.
        EXPECT_NEAR(row[3], rings[2][at] / 10.0, 1e-9) << "volts, sample " << k;
        EXPECT_GT(row[3], 250);
    }
}

TEST_F(AlarmGraph, TheAlarmTraceCommandRunsTheWindowModally)
{
    open();
    CAlarmGraphWindow feature(nullptr);
    EXPECT_EQ(feature.kind(), FeatureKind::AlarmGraph);
    EXPECT_TRUE(openingOf(FeatureKind::AlarmGraph).modal);
    bool seen = false;
    QTimer::singleShot(50, [&] {
        auto *shown = qobject_cast<CAlarmGraphDlg *>(QApplication::activeModalWidget());
        ASSERT_TRUE(shown);
        seen = true;
        EXPECT_EQ(shown->periodEdit().value(), 1);
        shown->channelLists().setIndices({kCurrentSpeed, 0, 0, 0});
        shown->applyButton().click();
        QTimer::singleShot(50, shown, [shown] { shown->reject(); });
    });
    drive->setActiveFeature(feature_code::kAlarmGraph);
    drive->OpenFeatureWindow(feature);
    EXPECT_TRUE(seen);
    EXPECT_EQ(drive->generalBusy.load(), 0);
    EXPECT_EQ(drive->stalledFeatures().size(), 1u) << "the window built for the showing has gone";
}

// --- start positions the test chooses -----------------------------------------

std::int16_t heldSample(int c, int i) { return static_cast<std::int16_t>(100 * (c + 1) + i); }

class AlarmStartPosition : public ::testing::Test {
protected:
    void SetUp() override
    {
        drive = test::linkedDriveConnection(scripted.device(), frame, messages, 115200);
        drive->Connect();
        ASSERT_TRUE(drive->isLinkOpen());
        messages.clear();
        for (int c = 0; c < 4; ++c)
            for (int i = 0; i < 128; ++i)
                scripted.set(static_cast<std::uint16_t>(1048 + 256 * c + 2 * i),
                             static_cast<std::uint16_t>(heldSample(c, i)));
        window = new CAlarmGraphDlg(drive.get());
        window->channelLists().setIndices({1, 2, 4, 5});
        window->applyButton().click();
        EXPECT_EQ(scripted.value(1000), 1) << "the arming block begins with 1";
    }

    void TearDown() override
    {
        delete window.data();
        drive->StopWorkers({});
    }

    void recordWithStart(std::uint16_t start)
    {
        pumpFor(20ms);
        scripted.set(1012, start);
        scripted.set(1000, 4);
        ASSERT_TRUE(pumpUntil([&] { return !window->isWorkerRunning() && window->uploadButton().isEnabled(); }, 5s));
    }

    test::ScriptedDrive scripted;
    FrameState frame;
    test::RecordingMessages messages;
    std::unique_ptr<DriveConnection> drive;
    QPointer<CAlarmGraphDlg> window;
};

TEST_F(AlarmStartPosition, ZeroLeavesTheBuffersUnrotated)
{
    recordWithStart(0);
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k < 128; ++k)
            ASSERT_EQ(window->displayBuffers()[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)],
                      heldSample(c, k));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Success get data ! "});
}

TEST_F(AlarmStartPosition, At127TheLastReceivedSampleComesFirst)
{
    recordWithStart(127);
    const auto &display = window->displayBuffers();
    EXPECT_EQ(display[0][0], heldSample(0, 127));
    for (int k = 1; k < 128; ++k)
        ASSERT_EQ(display[3][static_cast<std::size_t>(k)], heldSample(3, k - 1));
}

TEST_F(AlarmStartPosition, BeyondTheRingIsTakenModuloItsSize)
{
    recordWithStart(200);
    for (int k = 0; k < 128; ++k)
        ASSERT_EQ(window->displayBuffers()[0][static_cast<std::size_t>(k)], heldSample(0, (72 + k) % 128));
}

TEST_F(AlarmStartPosition, OnlyTheStatesLowByteMeansReady)
{
    scripted.set(1000, 0x0403);
    pumpFor(150ms);
    EXPECT_TRUE(window->isWorkerRunning());
    EXPECT_FALSE(window->uploadButton().isEnabled());
    scripted.set(1012, 3);
    scripted.set(1000, 0x0304);
    ASSERT_TRUE(pumpUntil([&] { return window->uploadButton().isEnabled(); }));
    EXPECT_EQ(window->displayBuffers()[0][0], heldSample(0, 3));
}

TEST_F(AlarmStartPosition, AFailedBlockReadNamesItsChannelAndEndsTheWaiting)
{
    scripted.refuseReadsAt(1048 + 256 + 128, 2); // channel 2's second block
    scripted.set(1000, 4);
    ASSERT_TRUE(pumpUntil([&] { return !window->isWorkerRunning(); }));
    pumpFor(10ms);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Alarm Graph Data2 Read Error"});
    EXPECT_FALSE(window->applyButton().isEnabled());
    EXPECT_TRUE(window->yAxisButton().isEnabled());
}

TEST_F(AlarmStartPosition, AFailedStartPositionReadEndsTheWaitingWithoutAMessage)
{
    scripted.refuseReadsAt(1012, 2);
    scripted.set(1000, 4);
    ASSERT_TRUE(pumpUntil([&] { return !window->isWorkerRunning(); }));
    pumpFor(10ms);
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
    EXPECT_FALSE(window->uploadButton().isEnabled());
    EXPECT_FALSE(window->applyButton().isEnabled());
}

} // namespace
} // namespace tarvex
