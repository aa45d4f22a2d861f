// The data trace window against the virtual drive over the real link
// library and a pseudo-terminal: opening states, the period rule per link
// speed, the set-up the drive receives, what is plotted and how, blocks in
// order over a long run, stop and restart, EXIT while tracing, a drive that
// falls silent, the axis rescale, and the trace file.
//
// The drive's channel code 8 is a running sample counter; sending it in
// place of a list's code makes every plotted value tell which sample it is.
#include "drive/capture/channel_catalog.h"
#include "tests/app/support/chart_menu_driver.h"
#include "app/ui/chart/chart_view.h"
#include "app/graphs/integer_edit.h"
#include "app/graphs/notch/notch_filter_dlg.h"
#include "drive/capture/spectrum.h"
#include "drive/connection/commands.h"
#include "tests/app/support/csv_reader.h"
#include "app/frame/feature_windows.h"
#include "tests/app/support/linked_drive.h"
#include "tests/app/support/modal_messages.h"
#include "tests/app/support/recording_messages.h"
#include "tests/app/support/scratch_directory.h"
#include "tests/app/support/spectrum_window_driver.h"
#include "app/graphs/trace/trace_graph_dlg.h"
#include "app/graphs/trace/trace_graph_window.h"
#include "tests/app/support/virtual_drive_session.h"
#include "app/graphs/yaxis_dialog.h"
#include "drive/text/number_text.h"
#include "drive/files/recording_journal.h"
#include "app/ui/settings/recording_journal_folder.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

namespace tarvex {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::uint16_t kCounterCode = 8;

// Turns the event loop until `condition` holds or `timeout` passes.
template <class Condition>
bool pumpUntil(Condition condition, std::chrono::milliseconds timeout = 10s)
{
    const auto end = Clock::now() + timeout;
    while (!condition()) {
        if (Clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

void pumpFor(std::chrono::milliseconds time)
{
    pumpUntil([] { return false; }, time);
}

// Values of a chart series as the drive's 16-bit sample counter.
std::vector<std::uint16_t> counterValues(CChartView &chart, int series)
{
    std::vector<std::uint16_t> out;
    for (int i = 0; i < chart.count(series); ++i)
        out.push_back(static_cast<std::uint16_t>(static_cast<int>(chart.value(series, i))));
    return out;
}

bool sameLimits(const graphs::ChannelLimits &a, const graphs::ChannelLimits &b)
{
    for (std::size_t c = 0; c < 4; ++c)
        if (a[c].max != b[c].max || a[c].min != b[c].min)
            return false;
    return true;
}

bool consecutive(const std::vector<std::uint16_t> &values)
{
    for (std::size_t i = 1; i < values.size(); ++i)
        if (static_cast<std::uint16_t>(values[i - 1] + 1) != values[i])
            return false;
    return true;
}

class TraceWindow : public ::testing::Test {
protected:
    void SetUp() override { TARVEX_NEEDS_VIRTUAL_DRIVE(); }

    void TearDown() override
    {
        window.reset();
        if (drive)
            drive->StopWorkers({});
    }

    // A virtual drive, a connection to it at `baud`, and the window.
    void open(std::uint32_t baud = 115200, bool paced = false, bool connect = true)
    {
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        ASSERT_TRUE(test::openLinkedVirtualDrive(sim, drive, frame, messages, baud, paced, connect));
        window = std::make_unique<TraceGraphDlg>(drive.get());
#endif
    }

    // As open() at 115200 baud, with every message a modal box (`modal`).
    void openWithBoxes()
    {
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        sim = test::startVirtualDrive();
        ASSERT_TRUE(sim);
        drive = test::linkedDriveConnection(sim->devicePath(), frame, modal, 115200);
        drive->Connect();
        ASSERT_TRUE(drive->isLinkOpen());
        modal.clear();
#endif
    }

    void choose(const std::array<int, 4> &indices)
    {
        for (int c = 0; c < 4; ++c)
            window->channelList(c).setCurrentIndex(indices[static_cast<std::size_t>(c)]);
    }

    // Apply with the lists as chosen, then the counter in place of the codes
    // of `counterChannels`.
    void applyWithCounter(int periodMs, std::initializer_list<int> counterChannels)
    {
        window->periodEdit().setValue(periodMs);
        window->OnApply();
        ASSERT_TRUE(window->startButton().isEnabled()) << (messages.empty() ? "" : messages.texts().front());
        for (int c : counterChannels)
            window->setChannelCode(c, kCounterCode);
        std::uint8_t status = 0;
        ASSERT_EQ(window->SetTrace(status), trace::kResultSuccess);
    }

    void editLimits(const graphs::ChannelLimits &limits, bool apply = true)
    {
        QTimer::singleShot(0, [this, limits, apply] {
            CYaxisDlg &dialog = window->axisDialog();
            for (int c = 0; c < 4; ++c) {
                dialog.maxEdit(c)->setValue(limits[static_cast<std::size_t>(c)].max);
                dialog.minEdit(c)->setValue(limits[static_cast<std::size_t>(c)].min);
            }
            apply ? dialog.apply() : dialog.cancel();
        });
        window->OnYAxis();
    }

    bool plottedAtLeast(long long points, std::chrono::milliseconds timeout = 60s)
    {
        return pumpUntil([&] { return window->plottedPoints() >= points; }, timeout);
    }

    std::uint16_t driveRegister(std::uint16_t address)
    {
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        return sim->registerValue(address);
#else
        return address * 0;
#endif
    }

    FrameState frame;
    test::RecordingMessages messages;
    // For the tests whose questions must be modal boxes.
    test::ModalMessages modal;
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    std::unique_ptr<test::VirtualDrive> sim;
#endif
    std::unique_ptr<DriveConnection> drive;
    std::unique_ptr<TraceGraphDlg> window;
};

// --- opening -----------------------------------------------------------------

TEST_F(TraceWindow, OpensWithItsDefaultsAndOnlyApplyOpenAndYAxisUsable)
{
    open(19200);
    EXPECT_EQ(window->windowTitle().toStdString(), "Data Trace");
    EXPECT_EQ(window->periodEdit().value(), 21);
    EXPECT_EQ(window->periodEdit().minimum(), 0);
    EXPECT_EQ(window->periodEdit().maximum(), 200);
    EXPECT_EQ(window->linkSpeed(), 19200u);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(window->channelList(c).count(), 17);
        EXPECT_EQ(window->channelList(c).currentIndex(), 0);
        EXPECT_EQ(window->channelList(c).itemText(16).toStdString(), "INPOS(Digital Output)");
        EXPECT_EQ(window->channelName(c).toStdString(), "Not Use");
    }
    EXPECT_TRUE(sameLimits(window->limits(), graphs::kDefaultLimits));
    EXPECT_TRUE(window->applyButton().isEnabled());
    EXPECT_TRUE(window->openButton().isEnabled());
    EXPECT_TRUE(window->yAxisButton().isEnabled());
    EXPECT_FALSE(window->startButton().isEnabled());
    EXPECT_FALSE(window->stopButton().isEnabled());
    EXPECT_FALSE(window->saveButton().isEnabled());
    EXPECT_TRUE(window->exitButton().isEnabled());
    EXPECT_EQ(window->exitButton().text().toStdString(), "EXIT");
    EXPECT_EQ(window->yAxisButton().text().toStdString(), "Y-Axis");
    EXPECT_EQ(window->chart().count(0), 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(TraceWindow, WithoutALinkOnlyTheFileCommandsAreUsable)
{
    open(19200, false, false);
    EXPECT_FALSE(window->applyButton().isEnabled());
    EXPECT_FALSE(window->startButton().isEnabled());
    EXPECT_FALSE(window->stopButton().isEnabled());
    EXPECT_FALSE(window->yAxisButton().isEnabled());
    EXPECT_FALSE(window->saveButton().isEnabled());
    EXPECT_TRUE(window->openButton().isEnabled());
}

// --- Apply: the period rule and the set-up ------------------------------------

struct PeriodCase {
    std::uint32_t baud;
    int refused;  // -1: no period is refused
    int accepted;
    const char *message;
};

TEST_F(TraceWindow, ThePeriodIsCheckedAgainstTheLinkSpeedBeforeAnythingIsSent)
{
    const PeriodCase cases[] = {
        {9600, 19, 20, "Error Sampling period, 9600bps(selection 19 UP)"},
        {19200, 12, 13, "Error Sampling period, 19200bps(selection 12UP)"},
        {38400, 10, 11, "Error Sampling period, 38400bps(selection 10 UP)"},
        {57600, 9, 10, "Error Sampling period, 57600bps(selection 9 UP)"},
        {115200, -1, 0, ""},
    };
    for (const PeriodCase &c : cases) {
        SCOPED_TRACE(c.baud);
        window.reset();
        drive.reset();
        open(c.baud);
        if (c.refused >= 0) {
            window->periodEdit().setValue(c.refused);
            window->OnApply();
            EXPECT_EQ(messages.texts(), std::vector<std::string>{c.message});
            EXPECT_EQ(driveRegister(1038), 0) << "nothing is sent";
            EXPECT_FALSE(window->startButton().isEnabled());
            messages.clear();
        }
        window->periodEdit().setValue(c.accepted);
        window->OnApply();
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(driveRegister(1038), c.accepted * 5) << "the period in 0.2 ms steps";
        EXPECT_TRUE(window->startButton().isEnabled());
        EXPECT_FALSE(window->stopButton().isEnabled());
    }
}

TEST_F(TraceWindow, ApplySendsTheListCodesWithDigitalSignalsThreeHigher)
{
    open();
    choose({8, 16, 0, 7}); // SVON, INPOS, Not Use, DC Link Voltage
    window->periodEdit().setValue(40);
    window->OnApply();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(driveRegister(1036), 1);
    EXPECT_EQ(driveRegister(1038), 200);
    EXPECT_EQ(driveRegister(1040), 11);
    EXPECT_EQ(driveRegister(1042), 19);
    EXPECT_EQ(driveRegister(1044), 0) << "\"Not Use\" is still sent";
    EXPECT_EQ(driveRegister(1046), 7);
    EXPECT_EQ(window->channelName(0).toStdString(), "SVON(Digital Input)");
    EXPECT_EQ(window->channelName(3).toStdString(), "DC Link Voltage[v]");
    EXPECT_EQ(drive->traceBusy.load(), 0);

    for (int index = 0; index < 17; ++index) {
        choose({index, 0, 0, 0});
        window->OnApply();
        EXPECT_EQ(driveRegister(1040), index >= 8 ? index + 3 : index) << index;
    }
}

// --- what is plotted -------------------------------------------------------------

TEST_F(TraceWindow, NotUseChannelsAreNotPlottedAndEveryPointIsLabelledWithItsTime)
{
    open();
    choose({1, 0, 0, 0});
    applyWithCounter(10, {0});
    window->OnStart();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(driveRegister(1036), 2);
    ASSERT_TRUE(plottedAtLeast(60));
    window->OnStop();
    CChartView &chart = window->chart();
    EXPECT_EQ(chart.count(0), std::min<long long>(window->plottedPoints(), 361));
    EXPECT_EQ(chart.count(1), 0);
    EXPECT_EQ(chart.count(2), 0);
    EXPECT_EQ(chart.count(5), 0);
    EXPECT_EQ(chart.label(0).toStdString(), "0.01 "); // (0 + 1) * 10 ms
    EXPECT_EQ(chart.label(29).toStdString(), "0.30 "); // (29 + 1) * 10 ms
    EXPECT_EQ(chart.label(49).toStdString(), "0.50 ");
    EXPECT_EQ(chart.value(0, 0), 0.0);
    EXPECT_EQ(chart.value(0, 45), 45.0);
}

TEST_F(TraceWindow, ChannelsTwoToFourAreMappedFromTheirLimitsIntoChannelOnesRange)
{
    open();
    choose({1, 1, 0, 0});
    applyWithCounter(10, {0, 1});
    editLimits({{{3500, -3500}, {29, 0}, {200, -200}, {500, 0}}});
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(30));
    window->OnStop();
    CChartView &chart = window->chart();
    EXPECT_EQ(chart.value(1, 0), -3500.0) << "min 2 plots at min 1";
    EXPECT_EQ(chart.value(1, 29), 3500.0) << "max 2 plots at max 1";
    EXPECT_EQ(chart.value(1, 1), -3259.0) << "1 * 7000 / 29 - 3500 in integers";
    EXPECT_EQ(chart.value(0, 29), 29.0) << "channel 1 as received";
}

TEST_F(TraceWindow, DcLinkChannelsAreShownInVolts)
{
    open();
    choose({7, 7, 0, 0});
    applyWithCounter(10, {0, 1});
    editLimits({{{3500, -3500}, {500, 0}, {200, -200}, {500, 0}}});
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(30));
    window->OnStop();
    CChartView &chart = window->chart();
    for (int j : {0, 9, 10, 25, 29}) {
        EXPECT_EQ(chart.value(0, j), j / 10) << j;
        // The sample in volts, mapped from 0..500 V in floating point.
        EXPECT_EQ(chart.value(1, j), static_cast<int>(j / 10.0 * 7000 / 500 - 3500)) << j;
    }
}

TEST_F(TraceWindow, AChannelWithEqualLimitsIsDrawnFlatAtTheBottom)
{
    open();
    choose({1, 1, 0, 0});
    applyWithCounter(10, {0, 1});
    editLimits({{{3500, -3500}, {100, 100}, {200, -200}, {500, 0}}});
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(30));
    window->OnStop();
    for (int j = 0; j < 30; ++j)
        EXPECT_EQ(window->chart().value(1, j), -3500.0) << j;
}

// --- keeping up -----------------------------------------------------------------

// Every exchange takes the link's line discipline at least 50 ms, so a
// block (query, fetch, release) costs 150 ms and more on top of its wire
// time: the shortest periods each speed accepts leave just enough room.
TEST_F(TraceWindow, BlocksArriveInOrderWithoutLossOrRepeatOverALongRun)
{
    open(57600, true); // paced: a block every 300 ms at 10 ms
    choose({1, 0, 0, 0});
    applyWithCounter(10, {0});
    window->OnStart();
    const auto end = Clock::now() + 8s;
    int checks = 0;
    while (Clock::now() < end) {
        pumpFor(40ms);
        const auto values = counterValues(window->chart(), 0);
        ASSERT_TRUE(consecutive(values)) << "after " << window->plottedPoints() << " points";
        if (!values.empty())
            ASSERT_EQ(values.back(), static_cast<std::uint16_t>(window->plottedPoints() - 1));
        ++checks;
    }
    window->OnStop();
    const long long plotted = window->plottedPoints();
    EXPECT_GE(plotted, 24 * 30) << "a block every 300 ms for 8 s";
    EXPECT_EQ(plotted % 30, 0);
    const auto values = counterValues(window->chart(), 0);
    EXPECT_TRUE(consecutive(values));
    ASSERT_FALSE(values.empty());
    EXPECT_EQ(values.back(), static_cast<std::uint16_t>(plotted - 1)) << "every sample once";
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    EXPECT_EQ(sim->traceOverruns(), 0);
#endif
    EXPECT_TRUE(messages.empty());
    EXPECT_GT(checks, 100);
}

TEST_F(TraceWindow, ALongRunKeepsEveryBlockTheDriveSent)
{
    open();
    choose({1, 2, 0, 7});
    applyWithCounter(8, {0}); // a block every 240 ms
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(30 * 30))
        << "30 blocks, far beyond the chart's 361 points; " << window->plottedPoints() << " plotted";
    window->OnStop();
    ASSERT_TRUE(pumpUntil([&] { return !window->isWorkerRunning(); }));
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    const long long sent = sim->traceBlocksProduced() - sim->traceOverruns();
    EXPECT_EQ(sim->traceOverruns(), 0);
    EXPECT_EQ(window->plottedPoints(), sent * 30) << "every block the drive sent was plotted";
    const trace::TraceHistory &history = window->history();
    ASSERT_EQ(static_cast<long long>(history.size()), sent * 30) << "and kept";
    EXPECT_EQ(history.dropped(), 0);
    for (std::size_t n = 0; n < history.size(); ++n)
        ASSERT_EQ(static_cast<std::uint16_t>(static_cast<int>(history.value(n, 0))), static_cast<std::uint16_t>(n))
            << "sample " << n << " once, in order";
#endif
    EXPECT_TRUE(messages.empty());
}

TEST_F(TraceWindow, AtTheShortestPeriodOfEveryPacedLinkSpeedNoBlockIsLost)
{
    for (const auto &[baud, period] : {std::pair{9600u, 20}, std::pair{19200u, 13}, std::pair{38400u, 11}}) {
        SCOPED_TRACE(baud);
        window.reset();
        drive.reset();
        open(baud, true);
        choose({1, 4, 0, 7});
        applyWithCounter(period, {0});
        window->OnStart();
        pumpFor(3500ms);
        window->OnStop();
        const long long plotted = window->plottedPoints();
        EXPECT_GE(plotted, 4 * 30);
        const auto values = counterValues(window->chart(), 0);
        EXPECT_TRUE(consecutive(values));
        ASSERT_FALSE(values.empty());
        EXPECT_EQ(values.back(), static_cast<std::uint16_t>(plotted - 1));
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        EXPECT_EQ(sim->traceOverruns(), 0);
#endif
        EXPECT_TRUE(messages.empty());
    }
}

// --- stop, restart, exit ------------------------------------------------------------

TEST_F(TraceWindow, StopAndRestartSwitchTheButtonsAndTheDrive)
{
    open();
    choose({1, 0, 0, 0});
    applyWithCounter(10, {0});
    window->OnStart();
    EXPECT_FALSE(window->startButton().isEnabled());
    EXPECT_TRUE(window->stopButton().isEnabled());
    EXPECT_FALSE(window->saveButton().isEnabled());
    EXPECT_FALSE(window->openButton().isEnabled());
    EXPECT_FALSE(window->yAxisButton().isEnabled());
    EXPECT_TRUE(window->applyButton().isEnabled());
    EXPECT_TRUE(window->exitButton().isEnabled());
    EXPECT_TRUE(window->channelList(2).isEnabled());
    EXPECT_TRUE(window->isRunning());
    ASSERT_TRUE(plottedAtLeast(90));

    window->OnStop();
    EXPECT_EQ(driveRegister(1036), 0);
    EXPECT_FALSE(window->isRunning());
    EXPECT_FALSE(window->isWorkerRunning());
    EXPECT_TRUE(window->startButton().isEnabled());
    EXPECT_FALSE(window->stopButton().isEnabled());
    EXPECT_TRUE(window->saveButton().isEnabled());
    EXPECT_TRUE(window->openButton().isEnabled());
    EXPECT_TRUE(window->yAxisButton().isEnabled());
    EXPECT_EQ(drive->traceBusy.load(), 0);
    // Everything the drive sampled before it stopped has been shown.
    const long long stopped = window->plottedPoints();
    EXPECT_EQ(counterValues(window->chart(), 0).back(), static_cast<std::uint16_t>(stopped - 1));
    pumpFor(200ms);
    EXPECT_EQ(window->plottedPoints(), stopped);

    window->OnStart();
    EXPECT_EQ(driveRegister(1036), 2);
    EXPECT_TRUE(window->isWorkerRunning());
    ASSERT_TRUE(plottedAtLeast(stopped + 60));
    window->OnStop();
    // The drive counts afresh from its start; the chart goes on.
    const auto values = counterValues(window->chart(), 0);
    const long long since = window->plottedPoints() - stopped;
    EXPECT_EQ(values.back(), static_cast<std::uint16_t>(since - 1));
    EXPECT_TRUE(messages.empty());
}

TEST_F(TraceWindow, AListChangedWhileTracingCountsOnlyFromTheNextApply)
{
    open();
    choose({1, 0, 0, 0});
    applyWithCounter(10, {0});
    QTest::mouseClick(&window->startButton(), Qt::LeftButton);
    ASSERT_TRUE(plottedAtLeast(30));
    // The DC link would divide every sample by ten and map it anew.
    window->channelList(0).setCurrentIndex(7);
    const long long changed = window->plottedPoints();
    ASSERT_TRUE(plottedAtLeast(changed + 60));
    QTest::mouseClick(&window->stopButton(), Qt::LeftButton);
    const auto values = counterValues(window->chart(), 0);
    for (std::size_t i = 1; i < values.size(); ++i)
        ASSERT_EQ(values[i], static_cast<std::uint16_t>(values[i - 1] + 1)) << "point " << i << " keeps its scaling";
    EXPECT_EQ(window->channelName(0), "Current Speed[rpm]") << "the chart still names what it shows";
}

TEST_F(TraceWindow, ExitWhileTracingEndsTheWorkerButLeavesTheDriveTracing)
{
    open();
    drive->setActiveFeature(feature_code::kTraceGraph);
    choose({1, 2, 0, 0});
    applyWithCounter(10, {0});
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(30));
    QPointer<TraceGraphDlg> alive(window.release());
    bool exited = false;
    QObject::connect(alive.data(), &TraceGraphDlg::exited, [&] { exited = true; });
    messages.answerNext(true); // what was captured is given up
    const auto begin = Clock::now();
    alive->OnExit();
    EXPECT_LT(Clock::now() - begin, 1s);
    EXPECT_TRUE(exited);
    EXPECT_EQ(driveRegister(1036), 2) << "no stop command is sent";
    EXPECT_EQ(drive->activeFeatureCode(), feature_code::kNone);
    EXPECT_TRUE(pumpUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return alive.isNull();
    }));
    EXPECT_EQ(drive->traceBusy.load(), 0);
    EXPECT_EQ(drive->stalledFeatures().size(), 0u);
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"The captured data has not been saved. Close the window and discard it?"});
}

TEST_F(TraceWindow, ClosingOrDestroyingTheWindowWhileTracingNeverHangs)
{
    open(57600, true);
    choose({1, 0, 0, 0});
    applyWithCounter(10, {0});
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(30));
    QPointer<TraceGraphDlg> closed(window.release()); // it deletes itself once closed
    messages.answerNext(true); // the capture shown so far is given up
    auto begin = Clock::now();
    closed->close(); // the window's own close box: as EXIT
    EXPECT_LT(Clock::now() - begin, 2s);
    EXPECT_FALSE(closed->isWorkerRunning());
    EXPECT_FALSE(closed->isVisible());
    EXPECT_TRUE(pumpUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return closed.isNull();
    }));

    window = std::make_unique<TraceGraphDlg>(drive.get());
    choose({1, 0, 0, 0});
    applyWithCounter(10, {0});
    window->OnStart();
    pumpFor(100ms);
    begin = Clock::now();
    window.reset();
    EXPECT_LT(Clock::now() - begin, 2s);
}

TEST_F(TraceWindow, EscAsksBeforeAnUnsavedCaptureIsDiscardedAndNotOnceItIsSaved)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    sim = test::startVirtualDrive();
    ASSERT_TRUE(sim);
    drive = test::linkedDriveConnection(sim->devicePath(), frame, modal, 115200);
    drive->Connect();
    ASSERT_TRUE(drive->isLinkOpen());
#endif
    const std::string question = "The captured data has not been saved. Close the window and discard it?";
    auto run = [](TraceGraphDlg &dialog) {
        for (int c = 0; c < 4; ++c)
            dialog.channelList(c).setCurrentIndex(c == 0 ? 1 : 0);
        QTest::mouseClick(&dialog.applyButton(), Qt::LeftButton);
        QTest::mouseClick(&dialog.startButton(), Qt::LeftButton);
        EXPECT_TRUE(pumpUntil([&] { return dialog.plottedPoints() >= 60; }));
        QTest::mouseClick(&dialog.stopButton(), Qt::LeftButton);
    };
    // A closed window deletes itself once the events have turned.
    auto deleted = [](const QPointer<TraceGraphDlg> &dialog) {
        return pumpUntil([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return dialog.isNull();
        });
    };

    // Before anything was captured, Esc closes at once.
    {
        QPointer<TraceGraphDlg> empty(new TraceGraphDlg(drive.get()));
        empty->show();
        EXPECT_FALSE(empty->startButton().isEnabled());
        EXPECT_EQ(empty->startButton().toolTip(), "Start tracing (after Apply)") << "a greyed button says why";
        QTest::keyClick(empty.data(), Qt::Key_Escape);
        EXPECT_FALSE(empty->isVisible());
        EXPECT_TRUE(modal.empty());
        EXPECT_TRUE(deleted(empty));
    }

    QPointer<TraceGraphDlg> kept(new TraceGraphDlg(drive.get()));
    kept->show();
    run(*kept);
    const int points = kept->chart().count(0);
    ASSERT_GT(points, 0);

    // No keeps the window and what it shows, from Esc and the close box.
    modal.answerNext(false);
    QTest::keyClick(kept.data(), Qt::Key_Escape);
    EXPECT_EQ(modal.texts(), std::vector<std::string>{question});
    ASSERT_FALSE(kept.isNull());
    EXPECT_TRUE(kept->isVisible());
    EXPECT_EQ(kept->chart().count(0), points);
    modal.answerNext(false);
    kept->close();
    EXPECT_EQ(modal.count(question), 2u);
    EXPECT_TRUE(kept->isVisible());
    EXPECT_EQ(kept->chart().count(0), points);

    // Saved, it closes without asking.
    test::ScratchDirectory directory;
    kept->SaveTo(QString::fromStdString((directory / "kept.mdg").string()));
    EXPECT_TRUE(std::filesystem::exists(directory / "kept.mdg"));
    modal.clear();
    QTest::keyClick(kept.data(), Qt::Key_Escape);
    EXPECT_TRUE(modal.empty());
    EXPECT_TRUE(kept.isNull() || !kept->isVisible());
    EXPECT_TRUE(deleted(kept));

    // Yes gives the capture up and closes.
    QPointer<TraceGraphDlg> given(new TraceGraphDlg(drive.get()));
    given->show();
    run(*given);
    modal.answerNext(true);
    QTest::keyClick(given.data(), Qt::Key_Escape);
    EXPECT_EQ(modal.texts(), std::vector<std::string>{question});
    EXPECT_TRUE(given.isNull() || !given->isVisible());
    EXPECT_TRUE(deleted(given));
}

TEST_F(TraceWindow, ExitEscAndTheCloseBoxAllAskBeforeARunningCaptureGoes)
{
    openWithBoxes();
    const std::string question = "The captured data has not been saved. Close the window and discard it?";
    struct Way {
        const char *name;
        std::function<void(TraceGraphDlg &)> leave;
    };
    const Way ways[] = {
        {"EXIT", [](TraceGraphDlg &dialog) { QTest::mouseClick(&dialog.exitButton(), Qt::LeftButton); }},
        {"Esc", [](TraceGraphDlg &dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); }},
        {"close box", [](TraceGraphDlg &dialog) { dialog.close(); }},
    };
    for (const Way &way : ways) {
        SCOPED_TRACE(way.name);
        QPointer<TraceGraphDlg> dialog(new TraceGraphDlg(drive.get()));
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.data()));
        for (int c = 0; c < 4; ++c)
            dialog->channelList(c).setCurrentIndex(c == 0 ? 1 : 0);
        QTest::mouseClick(&dialog->applyButton(), Qt::LeftButton);
        QTest::mouseClick(&dialog->startButton(), Qt::LeftButton);
        ASSERT_TRUE(pumpUntil([&] { return dialog->plottedPoints() >= 60; }, 60s));

        // No: the window, what it shows and the capture stay.
        modal.clear();
        modal.answerNext(false);
        way.leave(*dialog);
        EXPECT_EQ(modal.texts(), std::vector<std::string>{question});
        ASSERT_FALSE(dialog.isNull());
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_TRUE(dialog->isWorkerRunning());
        const long long kept = dialog->plottedPoints();
        EXPECT_TRUE(pumpUntil([&] { return dialog->plottedPoints() >= kept + 60; }, 60s)) << "the capture goes on";
        EXPECT_EQ(driveRegister(1036), 2);

        // Yes: the window and its worker end; the drive is left tracing, as
        // EXIT always left it.
        modal.clear();
        modal.answerNext(true);
        way.leave(*dialog);
        EXPECT_EQ(modal.texts(), std::vector<std::string>{question});
        EXPECT_TRUE(dialog.isNull() || !dialog->isWorkerRunning());
        EXPECT_TRUE(pumpUntil([&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return dialog.isNull();
        }));
        EXPECT_EQ(drive->traceBusy.load(), 0);
        EXPECT_EQ(driveRegister(1036), 2) << "no stop command is sent";
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        const long long produced = sim->traceBlocksProduced();
        EXPECT_TRUE(pumpUntil([&] { return sim->traceBlocksProduced() > produced; }, 30s));
#endif
    }
    EXPECT_EQ(modal.boxesOpen(), 0);
}

// --- failures ------------------------------------------------------------------------

TEST_F(TraceWindow, ADriveThatFallsSilentEndsTheCaptureAndTheLink)
{
    open();
    frame.setConnectionState(connection_state::kConnected);
    choose({1, 0, 0, 0});
    applyWithCounter(10, {0});
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(30));
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    sim->setSilent(true);
#endif
    ASSERT_TRUE(pumpUntil([&] { return !window->isWorkerRunning(); }, 20s));
    pumpFor(20ms);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"RecvTrace Read Error"});
    EXPECT_FALSE(window->isRunning());
    EXPECT_FALSE(drive->isLinkOpen());
    EXPECT_EQ(frame.connectionState(), connection_state::kDisconnected);
    EXPECT_EQ(drive->watchdogRunSwitch.load(), 0);
    EXPECT_EQ(drive->traceBusy.load(), 0);
    EXPECT_FALSE(window->startButton().isEnabled());
    EXPECT_FALSE(window->stopButton().isEnabled());
    EXPECT_TRUE(window->saveButton().isEnabled()) << "what was captured can be saved";
}

TEST_F(TraceWindow, AFailedReadWhileAStopIsPendingYieldsNoMadeUpBlock)
{
    open();
    choose({1, 0, 0, 0});
    applyWithCounter(10, {0});
    std::uint8_t status = 0;
    ASSERT_EQ(window->OperateTrace(trace::kOperationStart, status), trace::kResultSuccess);
    window->setStopPending(true);
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    sim->setSilent(true);
#endif
    trace::TraceBlock block{};
    block[0].fill(77);
    EXPECT_EQ(window->ReceiveTrace(block, status), trace::kResultNotReady);
    EXPECT_NE(status, 0);
    EXPECT_EQ(block[0][0], 77) << "nothing is handed on";
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(drive->traceBusy.load(), 0);
}

TEST_F(TraceWindow, RefusedCommandsAreReportedWithBothMessages)
{
    open();
    choose({1, 0, 0, 0});
    window->OnApply();
    messages.clear();
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    sim->setSilent(true);
#endif
    window->OnStart();
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"TraceOperation Write Error", "Trace Start Error!"}));
    EXPECT_FALSE(window->isRunning());
    EXPECT_TRUE(window->startButton().isEnabled());
    messages.clear();
    window->OnApply();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"TraceSet Write Error"});
}

TEST_F(TraceWindow, TheLinkWatchdogEndsAStalledCapture)
{
    open();
    choose({1, 0, 0, 0});
    applyWithCounter(10, {0});
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(30));
    drive->stalledFeatures().clearAll(); // what the watchdog does after 5 s without an exchange
    EXPECT_TRUE(pumpUntil([&] { return !window->isWorkerRunning(); }, 20s));
    EXPECT_FALSE(window->isRunning());
}

// --- the axis rescale ---------------------------------------------------------------------

TEST_F(TraceWindow, TheRescaleKeepsEveryPointsPhysicalValueAndTime)
{
    open();
    choose({1, 1, 1, 0});
    applyWithCounter(10, {0, 1, 2});
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(60));
    window->OnStop();
    CChartView &chart = window->chart();
    const int points = chart.count(0);
    const QString label = chart.label(40);

    // Cancel changes nothing.
    editLimits({{{100, -100}, {1, 0}, {1, 0}, {1, 0}}}, false);
    EXPECT_TRUE(sameLimits(window->limits(), graphs::kDefaultLimits));
    EXPECT_EQ(chart.value(1, 40), 40.0);

    // Channel 2 from +-3500 to +-1750: its values double on the plot;
    // channel 3 gets equal limits and lies flat at the bottom.
    editLimits({{{3500, -3500}, {1750, -1750}, {7, 7}, {500, 0}}});
    EXPECT_EQ(chart.count(0), points);
    EXPECT_EQ(chart.count(1), points);
    EXPECT_EQ(chart.count(5), 0);
    EXPECT_EQ(chart.value(0, 40), 40.0);
    EXPECT_EQ(chart.value(1, 40), 80.0);
    EXPECT_EQ(chart.value(2, 40), -3500.0);
    EXPECT_EQ(chart.label(40), label);
    EXPECT_EQ(window->limits()[1].max, 1750);
    EXPECT_TRUE(window->startButton().isEnabled());
}

// --- the trace file -------------------------------------------------------------------------

TEST_F(TraceWindow, SaveWritesTheChartAndOpenBringsItBack)
{
    open();
    choose({1, 0, 2, 0});
    applyWithCounter(10, {0, 2});
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(60));
    window->OnStop();
    const int points = window->chart().count(0);
    ASSERT_LT(points, 361);

    test::ScratchDirectory directory;
    const auto path = directory / "run.mdg";
    window->SaveTo(QString::fromStdString(path.string()));
    EXPECT_TRUE(messages.empty());
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 4u * 361 + 2);
    EXPECT_EQ(lines[0], "Current Speed[rpm]\t0.0 \t0.000000\r");
    EXPECT_EQ(lines[1], "1\t50.0 \t1.000000\r") << "index times the period field (10 ms * 5)";
    EXPECT_EQ(lines[360], "1\t18000.0 \t0.000000\r") << "beyond the points held";
    EXPECT_EQ(lines[361], "Not Use\t0.0 \t0.000000\r");
    EXPECT_EQ(lines[722], "Command Speed[rpm]\t0.0 \t0.000000\r");
    // Sample 21 of channel 3, mapped from +-200: 221 * 7000 / 400 - 3500.
    EXPECT_EQ(lines[722 + 21], "2\t1050.0 \t367.000000\r");
    EXPECT_EQ(lines[1444], "Period\t10\r");
    EXPECT_EQ(lines[1445], "3500\t-3500\t3500\t-3500\t200\t-200\t500\t0\r");

    TraceGraphDlg loaded(drive.get());
    loaded.OpenFrom(QString::fromStdString(path.string()));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(loaded.periodEdit().value(), 10);
    EXPECT_EQ(loaded.periodValue(), 10) << "the file's period in ms, until the next Apply";
    EXPECT_EQ(loaded.channelList(0).currentIndex(), 1);
    EXPECT_EQ(loaded.channelList(1).currentIndex(), 0);
    EXPECT_EQ(loaded.channelList(2).currentIndex(), 2);
    EXPECT_EQ(loaded.channelName(2).toStdString(), "Command Speed[rpm]");
    CChartView &chart = loaded.chart();
    EXPECT_EQ(chart.count(0), 361);
    EXPECT_EQ(chart.count(1), 0);
    EXPECT_EQ(chart.value(0, 25), 25.0);
    EXPECT_EQ(chart.value(2, 20), 350.0) << "the mapped value as it was plotted";
    EXPECT_EQ(chart.value(0, 300), 0.0);
    EXPECT_EQ(chart.label(0).toStdString(), "0.01 "); // (0 + 1) * 10 ms
    EXPECT_EQ(chart.label(360).toStdString(), "3.61 ");
    EXPECT_EQ(driveRegister(1038), 50) << "loading sends nothing";
}

TEST_F(TraceWindow, SaveSaysWhenTheRunIsLongerThanTheFileKeepsAndThenWritesItsNewestPoints)
{
    openWithBoxes();
    window = std::make_unique<TraceGraphDlg>(drive.get());
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    test::ScratchDirectory directory;
    struct Run {
        const char *name;
        long long points; // at least
        bool told;
    };
    const Run runs[] = {{"short", 60, false}, {"longer than the file", 450, true}};
    for (const Run &run : runs) {
        SCOPED_TRACE(run.name);
        choose({1, 0, 0, 0});
        applyWithCounter(3, {0});
        QTest::mouseClick(&window->startButton(), Qt::LeftButton);
        ASSERT_TRUE(plottedAtLeast(run.points));
        QTest::mouseClick(&window->stopButton(), Qt::LeftButton);
        ASSERT_TRUE(window->saveButton().isEnabled());
        const long long plotted = window->plottedPoints();
        ASSERT_EQ(plotted > 361, run.told);
        const auto path = directory / (std::string(run.name) + ".mdg");
        modal.clear();

        if (run.told) {
            // No: no file is asked for, nothing is written.
            QObject guard;
            bool fileAsked = false;
            QTimer::singleShot(3000, &guard, [&] {
                for (QWidget *widget : QApplication::topLevelWidgets())
                    if (auto *files = qobject_cast<QFileDialog *>(widget); files && files->isVisible()) {
                        fileAsked = true;
                        files->reject();
                    }
            });
            modal.answerNext(false);
            QTest::mouseClick(&window->saveButton(), Qt::LeftButton);
            ASSERT_EQ(modal.messages().size(), 1u);
            const Message asked = modal.messages().front();
            EXPECT_EQ(asked.kind, Message::Kind::Question);
            EXPECT_NE(asked.text.find("newest 361 of the run's " + std::to_string(plotted) + " points"),
                      std::string::npos)
                << asked.text;
            const std::string seconds = fixedText(static_cast<double>(plotted) * 0.003, 2);
            EXPECT_NE(asked.text.find("(the last 1.08 s of " + seconds + " s)"), std::string::npos)
                << asked.text;
            EXPECT_NE(asked.text.find("\"Export CSV...\""), std::string::npos) << asked.text;
            EXPECT_FALSE(fileAsked);
            EXPECT_FALSE(std::filesystem::exists(path));
            modal.clear();
            modal.answerNext(true);
        }
        test::answerNextFileDialog(QString::fromStdString(path.string()));
        QTest::mouseClick(&window->saveButton(), Qt::LeftButton);
        EXPECT_EQ(modal.texts().size(), run.told ? 1u : 0u) << "asked again, and only about a longer run";
        EXPECT_TRUE(std::filesystem::exists(path));

        // The file, read back: the run's newest 361 samples (the whole of a
        // short run, zeros after it), in the layout the format fixes.
        std::ifstream in(path, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        ASSERT_EQ(lines.size(), 4u * 361 + 2);
        EXPECT_EQ(lines[1444], "Period\t3\r");
        const trace::TraceHistory &held = window->history();
        ASSERT_EQ(static_cast<long long>(held.size()), plotted);
        const long long first = std::max(0LL, plotted - 361);
        for (long long i = 0; i < 361; ++i) {
            const std::string &line = lines[static_cast<std::size_t>(i)];
            const std::string value = line.substr(line.rfind('\t') + 1);
            const double expected = first + i < plotted ? held.value(static_cast<std::size_t>(first + i), 0) : 0.0;
            ASSERT_EQ(value, fixedText(expected, 6) + "\r") << "point " << i;
        }
    }
}

TEST_F(TraceWindow, AFileWithOutlandishNumbersIsKeptWithinBounds)
{
    open(19200, false, false);
    test::ScratchDirectory directory;
    std::string text;
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < 361; ++i)
            text += (i == 0 ? std::string("name") : std::string(c == 0 ? "99" : "-4")) + "\t0.0 \t-12.75\r\n";
    text += "Period\t100000\r\n";
    text += "2000000000\t-2000000000\t5\t5\t1\t0\t1\t0\r\n";
    directory.write("odd.mdg", text);
    window->OpenFrom(QString::fromStdString((directory / "odd.mdg").string()));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Axis limits in the file cannot be drawn"})
        << "channel 2's limits have no span";
    EXPECT_EQ(window->periodEdit().value(), 200);
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(window->channelList(c).currentIndex(), 0) << "an index outside the list is Not Use";
    EXPECT_EQ(window->limits()[0].max, 1000000);
    EXPECT_EQ(window->limits()[0].min, -1000000);
    EXPECT_EQ(window->chart().count(0), 0);
}

TEST_F(TraceWindow, AFileWhoseAxisLimitsHaveNoSpanIsShownWithTheDefaultLimitsAndSaysWhich)
{
    open(19200, false, false);
    test::ScratchDirectory directory;
    struct Case {
        const char *limits;
        const char *named;
    };
    const Case cases[] = {
        {"5\t5\t3500\t-3500\t200\t-200\t500\t0", "Channel 1: max 5, min 5"},
        {"-3500\t3500\t3500\t-3500\t200\t-200\t500\t0", "Channel 1: max -3500, min 3500"},
        {"3500\t-3500\t3500\t-3500\t-200\t200\t0\t0", "Channel 3: max -200, min 200\nChannel 4: max 0, min 0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.limits);
        std::string text;
        for (int ch = 0; ch < 4; ++ch)
            for (int i = 0; i < 361; ++i)
                text += (i == 0 ? std::string("name") : std::to_string(ch + 1)) + "\t0.0 \t" + std::to_string(i) + "\r\n";
        text += "Period\t10\r\n" + std::string(c.limits) + "\r\n";
        directory.write("limits.mdg", text);
        messages.clear();
        window->OpenFrom(QString::fromStdString((directory / "limits.mdg").string()));
        window->show();
        window->chart().grab(); // drawn, not only set up
        ASSERT_EQ(messages.texts(), std::vector<std::string>{"Axis limits in the file cannot be drawn"});
        EXPECT_NE(messages.messages().front().detail.find(c.named), std::string::npos)
            << messages.messages().front().detail;
        for (std::size_t ch = 0; ch < 4; ++ch)
            EXPECT_LT(window->limits()[ch].min, window->limits()[ch].max) << ch;
        EXPECT_TRUE(sameLimits(window->limits(), graphs::boundedLimits(window->limits())));
        EXPECT_EQ(window->chart().count(0), 361);
    }
}

TEST_F(TraceWindow, FilesThatCannotBeWrittenOrReadAreReported)
{
    open(19200, false, false);
    window->SaveTo(QStringLiteral("/nonexistent-directory/run.mdg"));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Cannot Save Parameter File"});
    messages.clear();
    window->OpenFrom(QStringLiteral("/nonexistent-directory/run.mdg"));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Cannot Open Parameter File"});
}

// --- as the frame opens it -------------------------------------------------------------

TEST_F(TraceWindow, TheDataTraceCommandCreatesTheWindowOnceUntilItExits)
{
    open();
    window.reset();
    const FeatureWindowFactories factories = installedFeatureWindows();
    const auto factory = factories.all().find(FeatureKind::TraceGraph);
    ASSERT_NE(factory, factories.all().end());
    std::unique_ptr<FeatureWindow> feature = factory->second(nullptr);
    ASSERT_TRUE(feature);
    EXPECT_FALSE(openingOf(feature->kind()).modal);
    auto &trace = static_cast<CTraceGraphWindow &>(*feature);

    drive->OpenFeatureWindow(trace);
    TraceGraphDlg *first = trace.window();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    drive->OpenFeatureWindow(trace);
    EXPECT_EQ(trace.window(), first) << "nothing happens while it exists";

    first->OnExit();
    EXPECT_TRUE(pumpUntil([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return trace.window() == nullptr;
    }));
    drive->OpenFeatureWindow(trace);
    TraceGraphDlg *second = trace.window();
    ASSERT_NE(second, nullptr);

    // The program closing: the trace ends before the link library goes away.
    second->OnApply();
    second->OnStart();
    ASSERT_TRUE(second->isWorkerRunning());
    feature->endWork();
    EXPECT_FALSE(second->isWorkerRunning());
    feature.reset();
}

} // namespace
} // namespace tarvex

namespace tarvex {
namespace {

TEST_F(TraceWindow, ExportCsvWritesTheWholeRunWithEachChannelInItsOwnUnits)
{
    open();
    // The drive's counter on channel 1 (as a speed) and channel 3 (as a
    // torque, whose +-200 axis is mapped onto the speed's +-3500 on the chart).
    choose({1, 0, 4, 0});
    applyWithCounter(3, {0, 2});
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(450)) << "more than the chart's 361 points";
    window->OnStop();
    const long long plotted = window->plottedPoints();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    test::ScratchDirectory scratch;
    const std::string path = (scratch / "run.csv").string();
    test::answerNextFileDialog(QString::fromStdString(path));
    ASSERT_TRUE(test::chooseFromChartMenu(window->chart(), "Export CSV..."));
    ASSERT_TRUE(messages.empty()) << messages.texts().front();

    const test::CsvFile csv = test::readCsv(path);
    EXPECT_EQ(csv.comments.front(), "Data Trace");
    EXPECT_EQ(csv.settings.at("Sampling period [s]"), "0.003");
    ASSERT_EQ(csv.header, std::vector<std::string>({"Time [s]", "Current Speed [rpm]", "current Torque [%]"}));
    ASSERT_EQ(static_cast<long long>(csv.rows.size()), plotted) << "every sample of the run, not the last 361";
    for (std::size_t n = 0; n < csv.rows.size(); ++n) {
        const auto &row = csv.rows[n];
        ASSERT_EQ(row.size(), 3u);
        ASSERT_NEAR(row[0], (static_cast<double>(n) + 1) * 0.003, 1e-9) << "row " << n;
        ASSERT_EQ(row[1], static_cast<double>(n)) << "the drive's counter, sample " << n;
        ASSERT_EQ(row[2], static_cast<double>(n)) << "the torque in %, not on the speed's axis, sample " << n;
    }
    // On the chart the torque is drawn on the speed's axis.
    EXPECT_NE(window->chart().value(2, 360), window->chart().value(0, 360));

    // The run is on disk too, in its journal, as the export writes it: what
    // a crash now would leave to recover. A new Apply lets the run go, and
    // its journal with it.
    namespace fs = std::filesystem;
    const fs::path journals = QFile::encodeName(recordingJournalFolder()).toStdString();
    const auto pieces = [&] {
        std::vector<std::string> found;
        std::error_code none;
        for (const auto &entry : fs::directory_iterator(journals, none))
            if (entry.path().extension() == ".journal")
                found.push_back(entry.path().string());
        std::sort(found.begin(), found.end());
        return found;
    };
    const auto text = [](const std::string &file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const std::string journalled = (scratch / "journal.csv").string();
    EXPECT_TRUE(pumpUntil([&] {
        return journal::saveRun(pieces(), journalled) && text(journalled) == text(path);
    })) << text(journalled).substr(0, 300);
    window->OnApply();
    EXPECT_TRUE(pieces().empty());
}

// --- the whole run on the chart ------------------------------------------------

// What the chart draws at the positions it shows, as the drive's counter
// (position p of a run of `plotted` points is sample plotted - 361 + p).
std::vector<std::pair<double, double>> shownPoints(CChartView &chart, int series)
{
    return chart.shownPoints(series);
}

TEST_F(TraceWindow, AfterARunTheWheelAndADragGoBackToTheDrivesOlderSamples)
{
    open();
    choose({1, 0, 0, 0});
    applyWithCounter(3, {0});
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(1200));
    window->OnStop();
    const long long plotted = window->plottedPoints();
    window->resize(900, 520);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    CChartView &chart = window->chart();
    ASSERT_TRUE(chart.isFollowing());
    EXPECT_TRUE(chart.scrollBar()->isVisible());

    test::turnWheel(chart, 20); // 20 notches of a tenth of the width: two widths back
    auto [first, last] = chart.timeView();
    EXPECT_NEAR(last, 360 - 2 * 360, 1);
    EXPECT_FALSE(chart.isFollowing());
    auto points = shownPoints(chart, 0);
    ASSERT_GT(points.size(), 300u);
    for (const auto &[key, value] : points)
        ASSERT_EQ(static_cast<std::uint16_t>(value), static_cast<std::uint16_t>(plotted - 361 + static_cast<long long>(key)))
            << "position " << key;
    // The time under the point is that of the sample.
    chart.showCursorAt(points.front().first);
    EXPECT_TRUE(chart.cursorText().startsWith(
        QString::number((plotted - 361 + static_cast<long long>(points.front().first) + 1) * 0.003, 'f', 2)))
        << chart.cursorText().toStdString() << " at " << points.front().first
        << chart.cursorText().toStdString();

    // A drag to the right shows older points still.
    QWidget *plot = chart.plotWidget();
    const QPoint from = chart.plotArea().center();
    QTest::mousePress(plot, Qt::LeftButton, {}, from);
    QTest::mouseMove(plot, from + QPoint(chart.plotArea().width() / 4, 0));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, from + QPoint(chart.plotArea().width() / 4, 0));
    const double before = first;
    std::tie(first, last) = chart.timeView();
    EXPECT_LT(first, before - 50);

    // Home goes to the first sample of the run, End back to the newest.
    QTest::keyClick(plot, Qt::Key_Home);
    std::tie(first, last) = chart.timeView();
    EXPECT_DOUBLE_EQ(first, -static_cast<double>(plotted - 361));
    points = shownPoints(chart, 0);
    ASSERT_FALSE(points.empty());
    EXPECT_EQ(points.front().second, 0) << "the run's first sample";
    QTest::mouseClick(chart.endButton(), Qt::LeftButton);
    std::tie(first, last) = chart.timeView();
    EXPECT_DOUBLE_EQ(last, 360);
    EXPECT_TRUE(chart.isFollowing());
    EXPECT_TRUE(messages.empty());
}

TEST_F(TraceWindow, TheViewFollowsWhileRunningUntilScrolledBackAndAgainAfterEnd)
{
    open(57600, true); // paced: a block every 300 ms at 10 ms
    choose({1, 0, 0, 0});
    applyWithCounter(10, {0});
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->OnStart();
    CChartView &chart = window->chart();
    ASSERT_TRUE(plottedAtLeast(450));
    EXPECT_TRUE(chart.isFollowing());
    EXPECT_DOUBLE_EQ(chart.timeView().second, 360);

    QTest::keyClick(chart.plotWidget(), Qt::Key_PageUp);
    ASSERT_FALSE(chart.isFollowing());
    const auto held = shownPoints(chart, 0);
    ASSERT_FALSE(held.empty());
    const long long before = window->plottedPoints();
    ASSERT_TRUE(plottedAtLeast(before + 60));
    const auto still = shownPoints(chart, 0);
    ASSERT_FALSE(still.empty());
    EXPECT_EQ(still.front().second, held.front().second) << "scrolled back, the view stays on its samples";
    EXPECT_EQ(still.back().second, held.back().second);

    QTest::keyClick(chart.plotWidget(), Qt::Key_End);
    EXPECT_TRUE(chart.isFollowing());
    ASSERT_TRUE(plottedAtLeast(window->plottedPoints() + 30));
    const auto newest = shownPoints(chart, 0);
    ASSERT_FALSE(newest.empty());
    EXPECT_EQ(static_cast<std::uint16_t>(newest.back().second), static_cast<std::uint16_t>(window->plottedPoints() - 1));
    window->OnStop();
    EXPECT_TRUE(messages.empty());
}

TEST_F(TraceWindow, AutoscaleFitsWhatIsShownAndAChannelsAxisFitsItsOwnLimits)
{
    open();
    choose({1, 0, 4, 0});
    applyWithCounter(3, {0, 2});
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(1200));
    window->OnStop();
    const long long plotted = window->plottedPoints();
    window->resize(900, 520);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    CChartView &chart = window->chart();
    test::turnWheel(chart, 10); // one width back: samples plotted - 722 to plotted - 361
    const auto [first, last] = chart.timeView();

    QTest::mouseClick(chart.autoscaleButton(), Qt::LeftButton);
    const auto [fittedLower, fittedUpper] = chart.valueView();
    double low = 1e9;
    double high = -1e9;
    for (int series : {0, 2})
        for (const auto &[key, value] : shownPoints(chart, series)) {
            low = std::min(low, value);
            high = std::max(high, value);
        }
    // Both channels as drawn, the torque on the speed's scale, with a band.
    const double band = (high - low) * 0.1;
    EXPECT_LE(fittedLower, low);
    EXPECT_GT(fittedLower, low - band);
    EXPECT_GE(fittedUpper, high);
    EXPECT_LT(fittedUpper, high + band);
    // The counter as the window kept it: on a busy machine the drive may
    // have sampled more than were read, so the counter runs ahead of the
    // number of points plotted.
    const trace::TraceHistory &run = window->history();
    ASSERT_EQ(static_cast<long long>(run.size()), plotted);
    const auto counterAt = [&](double position) {
        return run.value(static_cast<std::size_t>(plotted - 361 + std::lround(position)), 2);
    };
    const double oldest = counterAt(std::ceil(first));
    const double newest = counterAt(std::floor(last));
    EXPECT_DOUBLE_EQ(chart.timeView().first, first) << "the time axis stays";

    // Channel 3 (a torque on a +-200 axis) fitted: new limits around the
    // counter values shown, and every sample keeps its value in %.
    ASSERT_TRUE(test::chooseFromChartSubmenu(chart, "Autoscale", "Axis of current Torque[%]"));
    const graphs::AxisLimits torque = window->limits()[2];
    EXPECT_LE(torque.min, oldest);
    EXPECT_GE(torque.max, newest);
    EXPECT_LT(torque.max - torque.min, 500);
    EXPECT_DOUBLE_EQ(chart.timeView().first, first) << "the user stays where they were";
    chart.showCursorAt(360);
    const QString text = chart.cursorText();
    const qsizetype at = text.indexOf(QStringLiteral("current Torque[%]: "));
    ASSERT_GE(at, 0) << text.toStdString();
    EXPECT_NEAR(text.mid(at + 19).section(QLatin1Char('\n'), 0, 0).toDouble(), counterAt(360), 0.5)
        << text.toStdString();
    EXPECT_TRUE(messages.empty());
}

TEST_F(TraceWindow, ResetViewFromTheChartMenuShowsTheWholeRunWithTheValuesFittedToIt)
{
    open();
    // The counter as a speed on channel 1 and as a torque on channel 3,
    // whose +-200 axis puts a counter of 1200 far above the speed's limits.
    choose({1, 0, 4, 0});
    applyWithCounter(3, {0, 2});
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(1200));
    window->OnStop();
    const long long plotted = window->plottedPoints();
    window->resize(900, 520);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    CChartView &chart = window->chart();
    test::turnWheel(chart, 3, Qt::ControlModifier);
    test::turnWheel(chart, 5);
    ASSERT_LT(chart.timeView().second - chart.timeView().first, 300);

    ASSERT_TRUE(test::chooseFromChartMenu(chart, "Reset View"));
    const auto [first, last] = chart.timeView();
    EXPECT_DOUBLE_EQ(first, -static_cast<double>(plotted - 361)) << "from the run's first sample";
    EXPECT_DOUBLE_EQ(last, 360) << "to its newest";
    const trace::TraceHistory &run = window->history();
    const auto speed = shownPoints(chart, 0);
    ASSERT_FALSE(speed.empty());
    EXPECT_DOUBLE_EQ(speed.front().first, first);
    EXPECT_EQ(speed.front().second, run.value(0, 0));
    EXPECT_EQ(speed.back().second, run.value(run.size() - 1, 0));

    // Both channels as drawn over the whole run, with a band.
    double low = 1e9;
    double high = -1e9;
    for (int series : {0, 2})
        for (const auto &[key, value] : shownPoints(chart, series)) {
            low = std::min(low, value);
            high = std::max(high, value);
        }
    ASSERT_GT(high, 3500) << "the torque's counter lies beyond channel 1's limits";
    const auto [lower, upper] = chart.valueView();
    const double band = (high - low) * 0.1;
    EXPECT_LE(lower, low);
    EXPECT_GT(lower, low - band);
    EXPECT_GE(upper, high);
    EXPECT_LT(upper, high + band);
    EXPECT_TRUE(messages.empty());
}

// --- spectrum and reference ------------------------------------------------------

TEST_F(TraceWindow, TheSpectrumOfTheRunAndOfTheRangeShownPeakAtTheResonance)
{
    open();
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    std::uint8_t status = 1;
    drive->link().WrSgRegister(4182, 1, &status); // servo on
    ASSERT_EQ(status, 0);
    sim->setResonance(true, 40); // below half the 333 Hz of a 3 ms trace
#endif
    choose({1, 0, 0, 0});
    window->periodEdit().setValue(3);
    window->OnApply();
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(1500));
    window->OnStop();
    window->resize(1000, 560);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    const auto spectrumPeak = [&](const std::function<void()> &ask, std::size_t &length) {
        bool seen = false;
        int peak = 0;
        test::whenSpectrumShown(
            [&](CNotchFilterDlg &fft) {
                length = fft.inputLength();
                QTest::mouseClick(&fft.channelButton(0), Qt::LeftButton);
                peak = fft.peakFrequency();
                EXPECT_EQ(fft.chart().label(fft.chart().count(0) - 1).trimmed().toInt(),
                          graphs::binFrequencyOf(static_cast<int>(length / 2) - 1, length, 0.003));
            },
            seen);
        ask();
        EXPECT_TRUE(pumpUntil([&] { return seen; }, 20s));
        return peak;
    };
    std::size_t length = 0;
    int peak = spectrumPeak([&] { QTest::mouseClick(&window->fftButton(), Qt::LeftButton); }, length);
    EXPECT_EQ(length, graphs::spectrumLength(static_cast<std::size_t>(window->plottedPoints())));
    EXPECT_GE(length, 1440u) << "the whole run";
    EXPECT_NEAR(peak, 40, 1);

    test::turnWheel(window->chart(), 5, Qt::ControlModifier);
    const auto [first, last] = window->chart().timeView();
    peak = spectrumPeak([&] { ASSERT_TRUE(test::chooseFromChartMenu(window->chart(), "Spectrum of Shown Range...")); },
                        length);
    EXPECT_LE(length, static_cast<std::size_t>(last - first) + 1);
    EXPECT_GE(length, static_cast<std::size_t>((last - first) * 0.8));
    EXPECT_NEAR(peak, 40, 1.0 / (static_cast<double>(length) * 0.003) / 2 + 1) << "bins k / (N T) of the range shown";
    EXPECT_TRUE(messages.empty());
}

TEST_F(TraceWindow, ASavedRunLoadedAsReferenceLiesBehindTheNextOneWithTheFilesValues)
{
    open();
    choose({1, 0, 4, 0});
    applyWithCounter(3, {0, 2});
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(400));
    window->OnStop();
    test::ScratchDirectory scratch;
    const std::string path = (scratch / "before.mdg").string();
    window->SaveTo(QString::fromStdString(path));
    std::array<std::vector<double>, 2> saved;
    for (int i = 0; i < 361; ++i) {
        saved[0].push_back(window->chart().value(0, i));
        saved[1].push_back(window->chart().value(2, i));
    }
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    test::answerNextFileDialog(QString::fromStdString(path));
    ASSERT_TRUE(test::chooseFromChartMenu(window->chart(), "Load Reference..."));
    ASSERT_TRUE(messages.empty()) << messages.texts().front();
    CChartView &chart = window->chart();
    ASSERT_TRUE(chart.hasReference());
    EXPECT_EQ(chart.referenceName(), "before.mdg");
    ASSERT_EQ(chart.referenceCount(0), 361);
    ASSERT_EQ(chart.referenceCount(2), 361);
    EXPECT_EQ(chart.referenceCount(1), 0) << "a channel at Not Use brings nothing";
    for (int i = 0; i < 361; ++i) {
        ASSERT_EQ(chart.referencePlotted(0, i), saved[0][static_cast<std::size_t>(i)]) << i;
        ASSERT_NEAR(chart.referencePlotted(2, i), saved[1][static_cast<std::size_t>(i)], 20) << i;
    }

    // A new set-up and run: the reference stays behind it, on the new axes.
    editLimits({{{3500, -3500}, {3500, -3500}, {400, -400}, {500, 0}}});
    window->OnApply();
    window->OnStart();
    ASSERT_TRUE(plottedAtLeast(60));
    window->OnStop();
    ASSERT_TRUE(chart.hasReference());
    EXPECT_EQ(chart.referencePlotted(0, 100), saved[0][100]);
    EXPECT_NEAR(chart.referencePlotted(2, 100), -3500 + (saved[1][100] + 3500) / 2 + 1750, 20)
        << "the torque in %, now on a +-400 axis";
    ASSERT_TRUE(test::chooseFromChartMenu(chart, "Clear Reference"));
    EXPECT_FALSE(chart.hasReference());
    EXPECT_TRUE(messages.empty());
}

} // namespace
} // namespace tarvex
