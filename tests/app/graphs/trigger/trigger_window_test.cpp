// The trigger monitoring window against the virtual drive over the real
// link library and a pseudo-terminal: opening states, the set-up words the
// drive receives, a capture rotated to the drive's start position, scaled
// and plotted, the poll that goes on while the drive waits for its trigger,
// Stop leaving the drive armed, EXIT and the link watchdog while waiting,
// a link lost mid-capture, and the axis limits afterwards.
#include "tests/app/support/axis_mapping.h"
#include "tests/app/support/capture_window_fixture.h"
#include "drive/capture/channel_catalog.h"
#include "app/graphs/channel_lists.h"
#include "app/ui/chart/chart_view.h"
#include "app/graphs/integer_edit.h"
#include "tests/app/support/recording_messages.h"
#include "app/graphs/trigger/trigger_graph_dlg.h"
#include "tests/app/support/ui_pump.h"
#include "tests/app/support/virtual_drive_session.h"
#include "app/graphs/yaxis_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "tests/app/graphs/trigger/trigger_list_indices.h"

namespace tarvex {
namespace {

using namespace std::chrono_literals;
using test::expectedMapping;
using test::pumpFor;
using test::pumpUntil;

using namespace test::trigger_lists;

struct CaptureSetUp {
    int period = 1;
    std::array<int, 4> channels{kCurrentSpeed, kDcLink, kCurrentTorque, 0};
    int source = kSourceDcLink;
    int edge = kNegative;
    int position = 0;
    int level = 3105; // the DC link's ripple falls through 310.5 V every 10 ms
};

class TriggerWindow : public test::CaptureWindowFixture<CTriggerGraphDlg> {
protected:
    void apply(const CaptureSetUp &s)
    {
        window->periodEdit().setValue(s.period);
        window->channelLists().setIndices(s.channels);
        window->sourceList().setCurrentIndex(s.source);
        window->edgeList().setCurrentIndex(s.edge);
        window->positionEdit().setValue(s.position);
        window->levelEdit().setValue(s.level);
        window->applyButton().click();
    }

    // Apply, Start, and wait for the plotted capture.
    bool capture(const CaptureSetUp &s)
    {
        const int before = window->capturesShown();
        apply(s);
        window->startButton().click();
        return pumpUntil([&] { return window->capturesShown() > before && !window->isWorkerRunning(); }, 5s);
    }

    // Apply and Start on the spare source, which never fires: the capture
    // waits until it is stopped or ended.
    void startWaitingCapture()
    {
        CaptureSetUp s;
        s.source = kSourceSpare;
        apply(s);
        window->startButton().click();
    }

    // The drive's own ring of channel c, as it holds it.
    std::array<std::int16_t, 256> driveRing(int c) { return ringAt<256>(static_cast<std::uint16_t>(2072 + 512 * c)); }

    long long framesAnswered()
    {
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        return sim->counters().framesAnswered;
#else
        return 0;
#endif
    }

    void editLimits(const graphs::ChannelLimits &limits)
    {
        QTimer::singleShot(0, [this, limits] {
            CYaxisDlg &dialog = window->axisDialog();
            for (int c = 0; c < 4; ++c) {
                dialog.maxEdit(c)->setValue(limits[static_cast<std::size_t>(c)].max);
                dialog.minEdit(c)->setValue(limits[static_cast<std::size_t>(c)].min);
            }
            dialog.apply();
        });
        window->yAxisButton().click();
    }
};

TEST_F(TriggerWindow, OpensWithTheFirstEntriesAndTheButtonsOfTheLinkState)
{
    open();
    EXPECT_EQ(window->windowTitle(), "Trigger Monitoring");
    EXPECT_EQ(window->periodEdit().value(), 1);
    EXPECT_EQ(window->levelEdit().value(), 0);
    EXPECT_EQ(window->sourceList().count(), 17);
    EXPECT_EQ(window->sourceList().currentText(), "Current Speed");
    EXPECT_EQ(window->sourceList().itemText(16), "  ");
    EXPECT_EQ(window->edgeList().currentText(), "Positive");
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(window->channelLists().list(c)->currentText(), "Not Use");
    EXPECT_EQ(window->periodUnitLabel().text(), " X 200us");
    EXPECT_TRUE(window->periodUnitLabel().font().bold());
    EXPECT_EQ(window->periodUnitLabel().font().pixelSize(), 13);

    EXPECT_TRUE(window->applyButton().isEnabled());
    EXPECT_TRUE(window->openButton().isEnabled());
    EXPECT_TRUE(window->yAxisButton().isEnabled());
    EXPECT_FALSE(window->fftButton().isEnabled());
    EXPECT_FALSE(window->startButton().isEnabled());
    EXPECT_FALSE(window->stopButton().isEnabled());
    EXPECT_FALSE(window->saveButton().isEnabled());
    EXPECT_EQ(drive->stalledFeatures().size(), 1u);
}

TEST_F(TriggerWindow, OpenedWithoutALinkOnlyFilesAndTheAnalysisAreUsable)
{
    open(false);
    EXPECT_FALSE(window->applyButton().isEnabled());
    EXPECT_FALSE(window->yAxisButton().isEnabled());
    EXPECT_FALSE(window->startButton().isEnabled());
    EXPECT_FALSE(window->stopButton().isEnabled());
    EXPECT_FALSE(window->saveButton().isEnabled());
    EXPECT_TRUE(window->openButton().isEnabled());
    EXPECT_TRUE(window->fftButton().isEnabled());
}

TEST_F(TriggerWindow, ATypedSetUpTheRegistersCannotHoldIsRefusedWhole)
{
    open();
    apply(CaptureSetUp{});
    ASSERT_EQ(reg(1032), 3105);
    const auto typeInto = [](QLineEdit &edit, const char *text) {
        edit.selectAll();
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QTest::keyClicks(&edit, text);
    };
    struct Case {
        graphs::IntegerEdit *edit;
        const char *text;
        const char *message;
    };
    for (const Case c : {Case{&window->levelEdit(), "40000", "Please enter an integer between -32768 and 32767."},
                         Case{&window->levelEdit(), "-32769", "Please enter an integer between -32768 and 32767."},
                         Case{&window->levelEdit(), "3l05", "Please enter an integer between -32768 and 32767."},
                         Case{&window->positionEdit(), "256", "Please enter an integer between 0 and 255."},
                         Case{&window->periodEdit(), "", "Please enter an integer between 0 and 1000."}}) {
        messages.clear();
        typeInto(*c.edit, c.text);
        EXPECT_EQ(c.edit->text(), QString::fromLatin1(c.text)) << "every keystroke is kept";
        QTest::mouseClick(&window->applyButton(), Qt::LeftButton);
        EXPECT_EQ(messages.texts(), std::vector<std::string>{c.message}) << c.text;
        EXPECT_EQ(reg(1032), 3105) << c.text << ": nothing of the set-up is sent";
        EXPECT_EQ(reg(1016), 1) << c.text;
        c.edit->setValue(c.edit == &window->periodEdit() ? 1 : 0);
    }
    messages.clear();
    typeInto(window->levelEdit(), "-25536");
    QTest::mouseClick(&window->applyButton(), Qt::LeftButton);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(reg(1032), 40000) << "the register holds the level as 16 bits";
}

TEST_F(TriggerWindow, ApplySendsTheNineSetUpWordsWithTheSourceAndEdgeCodes)
{
    open();
    CaptureSetUp s;
    s.period = 7;
    s.channels = {kSvon, kInpos, kDcLink, 0};
    s.source = kSourceServoOn;
    s.edge = kNegative;
    s.position = 200;
    s.level = -1;
    apply(s);
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
    EXPECT_EQ(reg(1016), 7);
    EXPECT_EQ(reg(1018), 11); // SVON(Digital Input)
    EXPECT_EQ(reg(1020), 19); // INPOS(Digital Output)
    EXPECT_EQ(reg(1022), 7);
    EXPECT_EQ(reg(1024), 0);  // "Not Use" is still sent
    EXPECT_EQ(reg(1026), 11); // "Servo On"
    EXPECT_EQ(reg(1028), 1);  // "Negative"
    EXPECT_EQ(reg(1030), 200);
    EXPECT_EQ(reg(1032), 0xFFFF); // the level's low 16 bits
    EXPECT_TRUE(window->startButton().isEnabled());
    EXPECT_TRUE(window->stopButton().isEnabled());

    s.source = kSourceAlarm;
    apply(s);
    EXPECT_EQ(reg(1026), 19);
    s.source = kSourceSpare;
    apply(s);
    EXPECT_EQ(reg(1026), 20);
    s.source = 0;
    s.edge = 0;
    apply(s);
    EXPECT_EQ(reg(1026), 1);
    EXPECT_EQ(reg(1028), 0);
}

TEST_F(TriggerWindow, ACaptureIsRotatedToTheDrivesStartPositionScaledAndPlotted)
{
    open();
    CaptureSetUp s;
    s.position = 100;
    ASSERT_TRUE(capture(s)) << (messages.empty() ? "" : messages.texts().front());
    EXPECT_TRUE(messages.empty()) << messages.texts().front();

    const unsigned start = reg(1034);
    ASSERT_LT(start, 256u);
    const auto &display = window->displayBuffers();
    for (int c = 0; c < 3; ++c) {
        const auto ring = driveRing(c);
        for (std::size_t k = 0; k < 256; ++k) {
            const int received = ring[(start + k) % 256];
            const int expected = c == 1 ? received / 10 : received; // the DC link in volts
            ASSERT_EQ(display[static_cast<std::size_t>(c)][k], expected) << "channel " << c + 1 << " sample " << k;
        }
    }
    // The trigger sample sits at the trigger position: the ripple fell through 310.5 V there.
    const auto dc = driveRing(1);
    EXPECT_LE(dc[(start + 100) % 256], 3105);
    EXPECT_GT(dc[(start + 99) % 256], 3105);

    // Channel 1 as it is; channels 2 and 3 mapped from their limits into channel 1's.
    CChartView &chart = window->chart();
    const graphs::ChannelLimits &l = window->limits();
    for (int k = 0; k < 256; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        ASSERT_EQ(chart.value(0, k), display[0][kk]);
        ASSERT_EQ(chart.value(1, k), expectedMapping(display[1][kk], l[1], l[0]));
        ASSERT_EQ(chart.value(2, k), expectedMapping(display[2][kk], l[2], l[0]));
    }
    EXPECT_EQ(chart.count(5), 0) << "a channel at \"Not Use\" is not plotted";
    EXPECT_EQ(chart.label(10), "2.0 ");
    EXPECT_EQ(chart.label(255), "51.0 ");

    EXPECT_TRUE(window->fftButton().isEnabled());
    EXPECT_FALSE(window->startButton().isEnabled()) << "a new capture needs a new Apply";
    EXPECT_FALSE(window->stopButton().isEnabled());
    EXPECT_TRUE(window->applyButton().isEnabled());
    EXPECT_TRUE(window->saveButton().isEnabled());
    EXPECT_TRUE(window->openButton().isEnabled());
    EXPECT_TRUE(window->yAxisButton().isEnabled());
    EXPECT_FALSE(window->isRunning());

    // The drive's ring goes on where it stopped, so the next capture starts elsewhere.
    ASSERT_TRUE(capture(s));
    const unsigned second = reg(1034);
    const auto ring = driveRing(0);
    for (std::size_t k = 0; k < 256; ++k)
        ASSERT_EQ(window->displayBuffers()[0][k], ring[(second + k) % 256]) << "sample " << k;
}

TEST_F(TriggerWindow, WhileTheDriveWaitsForItsTriggerThePollGoesOnAndTheButtonsWait)
{
    open();
    startWaitingCapture();
    EXPECT_FALSE(window->startButton().isEnabled());
    EXPECT_FALSE(window->applyButton().isEnabled());
    EXPECT_FALSE(window->yAxisButton().isEnabled());
    EXPECT_FALSE(window->saveButton().isEnabled());
    EXPECT_FALSE(window->openButton().isEnabled());
    EXPECT_TRUE(window->stopButton().isEnabled());

    pumpFor(100ms);
    const long long first = framesAnswered();
    // Waited for, not timed: a loaded machine may answer only a frame or two
    // in a fixed fifth of a second.
    EXPECT_TRUE(pumpUntil([&] { return framesAnswered() > first + 2; }, 30s)) << "the poll goes on";
    EXPECT_NE(reg(1014) & 0xFF, 4);
    EXPECT_TRUE(window->isRunning());
    EXPECT_TRUE(window->isWorkerRunning());
    EXPECT_EQ(window->capturesShown(), 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(TriggerWindow, StopSendsNothingAndLeavesTheDriveArmed)
{
    open();
    startWaitingCapture();
    pumpFor(50ms);
    window->stopButton().click();
    EXPECT_TRUE(window->startButton().isEnabled());
    EXPECT_TRUE(window->applyButton().isEnabled());
    EXPECT_TRUE(window->openButton().isEnabled());
    EXPECT_TRUE(window->saveButton().isEnabled());
    EXPECT_TRUE(window->yAxisButton().isEnabled());
    EXPECT_FALSE(window->stopButton().isEnabled());
    ASSERT_TRUE(pumpUntil([&] { return !window->isWorkerRunning(); }));
    pumpFor(20ms);

    const std::uint16_t state = reg(1014) & 0xFF;
    EXPECT_TRUE(state == 1 || state == 2) << "the drive is still armed, state " << state;
    const long long frames = framesAnswered();
    pumpFor(100ms);
    EXPECT_EQ(framesAnswered(), frames) << "nothing goes to the drive after the poll has ended";
    // As always when the worker leaves: a new capture needs a new Apply.
    EXPECT_FALSE(window->startButton().isEnabled());
    EXPECT_FALSE(window->fftButton().isEnabled()) << "no capture was read";
    EXPECT_TRUE(messages.empty());
}

TEST_F(TriggerWindow, TheLinkWatchdogEndsAWaitingCapture)
{
    open();
    startWaitingCapture();
    pumpFor(30ms);
    drive->stalledFeatures().clearAll();
    ASSERT_TRUE(pumpUntil([&] { return !window->isWorkerRunning(); }));
    pumpFor(10ms);
    EXPECT_FALSE(window->isRunning());
    EXPECT_TRUE(window->applyButton().isEnabled());
    EXPECT_FALSE(window->stopButton().isEnabled());
}

TEST_F(TriggerWindow, ExitWhileWaitingEndsTheWorkerAndDestroysTheWindow)
{
    open();
    startWaitingCapture();
    pumpFor(30ms);
    window->exitButton().click();
    ASSERT_TRUE(pumpUntil([&] { return window.isNull(); }));
    EXPECT_EQ(drive->stalledFeatures().size(), 0u);
    EXPECT_EQ(drive->generalBusy.load(), 0);
    const std::uint16_t state = reg(1014) & 0xFF;
    EXPECT_TRUE(state == 1 || state == 2) << "EXIT sends no stop";
}

TEST_F(TriggerWindow, EscKeepsAnUnsavedCaptureUnlessTheUserGivesItUp)
{
    open();
    window->show();
    ASSERT_TRUE(capture(CaptureSetUp{})) << (messages.empty() ? "" : messages.texts().front());
    messages.clear();
    const std::string question = "The captured data has not been saved. Close the window and discard it?";
    QTest::keyClick(window.data(), Qt::Key_Escape); // answered No
    EXPECT_EQ(messages.texts(), std::vector<std::string>{question});
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->capturesShown(), 1);

    messages.answerNext(true);
    QTest::keyClick(window.data(), Qt::Key_Escape);
    EXPECT_EQ(messages.count(question), 2u);
    EXPECT_TRUE(pumpUntil([&] { return window.isNull(); }));
}

TEST_F(TriggerWindow, ALinkLostWhileWaitingEndsTheCaptureWithBothMessages)
{
    open();
    ASSERT_TRUE(capture(CaptureSetUp{}));
    const auto before = window->displayBuffers();
    startWaitingCapture();
    pumpFor(30ms);
    drive->Disconnect();
    ASSERT_TRUE(pumpUntil([&] { return !window->isWorkerRunning(); }));
    pumpFor(10ms);
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"TriggerData Read Error", "Communication Trigger Error!"}));
    EXPECT_EQ(window->displayBuffers(), before) << "the display keeps the previous capture";
    EXPECT_TRUE(window->fftButton().isEnabled());
    EXPECT_TRUE(window->applyButton().isEnabled());
    EXPECT_FALSE(window->startButton().isEnabled());
}

TEST_F(TriggerWindow, ArmingRefusedShowsBothMessagesAndStartsNothing)
{
    open();
    apply(CaptureSetUp{});
    drive->Disconnect();
    messages.clear();
    window->startButton().click();
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"TriggerSet Write Error", "Trigger Start Error!"}));
    EXPECT_FALSE(window->isRunning());
    EXPECT_FALSE(window->isWorkerRunning());
    EXPECT_TRUE(window->startButton().isEnabled());
}

TEST_F(TriggerWindow, NewAxisLimitsReplotTheCaptureWithoutDividingAgain)
{
    open();
    ASSERT_TRUE(capture(CaptureSetUp{}));
    const auto display = window->displayBuffers();
    const graphs::ChannelLimits limits = {{{1000, -1000}, {320, 300}, {100, -100}, {500, 0}}};
    editLimits(limits);
    EXPECT_EQ(window->displayBuffers(), display);
    CChartView &chart = window->chart();
    for (int k = 0; k < 256; ++k) {
        const auto kk = static_cast<std::size_t>(k);
        ASSERT_EQ(chart.value(0, k), display[0][kk]);
        ASSERT_EQ(chart.value(1, k), expectedMapping(display[1][kk], limits[1], limits[0]));
    }
    EXPECT_EQ(window->limits()[0].max, 1000);
    EXPECT_EQ(chart.label(10), "2.0 ");
}

TEST_F(TriggerWindow, AChannelWithEqualLimitsLiesFlatAtTheBottom)
{
    open();
    ASSERT_TRUE(capture(CaptureSetUp{}));
    editLimits({{{3500, -3500}, {300, 300}, {200, -200}, {500, 0}}});
    for (int k = 0; k < 256; ++k)
        ASSERT_EQ(window->chart().value(1, k), -3500);
}

} // namespace
} // namespace tarvex
