// A whole session against the virtual drive: connect through the setting
// dialog, monitor with rows ticked and unticked, lose the cable, "NEW"
// while monitoring, and shut down while the poll thread runs.
#include "tests/app/support/connected_frame_fixture.h"
#include "app/monitor/lamp_images.h"
#include "app/monitor/static_panes.h"
#include "app/frame/tarvex_app.h"
#include "tests/app/support/virtual_drive_session.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QStatusBar>

namespace tarvex {
namespace {

using namespace std::chrono_literals;
using test::FrameFixture;

// Processes events until `condition` holds.
template <class Condition>
bool eventuallyOnUi(Condition condition, int timeoutMs = 10000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        test::pump(10);
    }
    return true;
}

class Session : public test::ConnectedFrameFixture {
protected:
    void SetUp() override
    {
        TARVEX_NEEDS_VIRTUAL_DRIVE();
        connectToVirtualDrive();
    }

    CGXGridWnd &statusGrid() { return frame->statusPane().dialog().grid(); }
    CGXGridWnd &inputGrid() { return frame->inputPane().dialog().grid(); }
    CGXGridWnd &outputGrid() { return frame->outputPane().dialog().grid(); }
    bool valueShown(int row) { return !statusGrid().GetValueRowCol(row, 2).isEmpty(); }

    void setSilent(bool silent)
    {
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        sim->setSilent(silent);
#else
        (void)silent;
#endif
    }

};

TEST_F(Session, OsUpgradeLetsGoOfThePortBeforeTheUpgraderTakesItOver)
{
    placeUpgrader();
    frame->OnCommand(Command::Start);
    // This drive holds no parameter groups, so no snapshot can be kept
    // before the download: the user is asked, and Yes goes on.
    messages.answerNext(true);
    frame->OnCommand(Command::OsUpgrade);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].arguments, (QStringList{"--port", QString::fromStdString(sim->devicePath())}));
    EXPECT_FALSE(started[0].linkStillOpen) << "the upgrader must find the port free";
    EXPECT_EQ(frame->state().connectionState(), connection_state::kDisconnected);
    EXPECT_NE(frame->state().monitorState(), monitor_state::kRunning);
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{
                                    "System Read Error",
                                    "No snapshot of the parameters could be kept. Change the drive anyway?"}));
}

TEST_F(Session, GreyedCommandsFollowTheLinkAndMonitoringInTheirTips)
{
    EXPECT_EQ(frame->action(Command::CommunicationSetting)->statusTip(), "Communication Setting: Disconnect first");
    EXPECT_EQ(frame->action(Command::Stop)->statusTip(), "Stop: Monitoring is not running");
    frame->OnCommand(Command::Start);
    EXPECT_EQ(frame->action(Command::Start)->statusTip(), "Start: Monitoring already runs");
    EXPECT_EQ(frame->action(Command::Stop)->statusTip(), "Stop");
    EXPECT_FALSE(frame->action(Command::Stop)->toolTip().contains("\n"));
    frame->OnCommand(Command::Stop);
    frame->OnCommand(Command::Disconnect);
    test::pump();
    EXPECT_EQ(frame->action(Command::CommunicationSetting)->statusTip(), "Communication Setting");
    EXPECT_TRUE(frame->action(Command::AlarmReset)->toolTip().endsWith("\nNeeds a connection to the drive"));
}

TEST_F(Session, ConnectedCommandsAndTheVersionText)
{
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(enabled(Command::Disconnect));
    EXPECT_FALSE(enabled(Command::Connect));
    EXPECT_FALSE(enabled(Command::CommunicationSetting));
    EXPECT_TRUE(enabled(Command::Start));
    EXPECT_FALSE(enabled(Command::Stop));
    EXPECT_EQ(frame->drive().versionText(), "0132");
    EXPECT_TRUE(frame->isLinkAnimating());
    EXPECT_TRUE(frame->communicationPane().dialog().animation().isPlaying());
}

TEST_F(Session, MonitoringShowsTheTickedRowsOnly)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    sim->setInputs(0x0005);
    statusGrid().clickCell(18, 1); // Motor Rated Speed
    statusGrid().clickCell(26, 1); // OS Version
    frame->OnCommand(Command::Start);
    EXPECT_TRUE(enabled(Command::Stop));
    EXPECT_FALSE(enabled(Command::Start));
    ASSERT_TRUE(eventuallyOnUi([&] { return valueShown(18) && valueShown(26); }));
    EXPECT_EQ(statusGrid().GetValueRowCol(18, 2),
              QString::number(static_cast<std::int16_t>(sim->registerValue(252))));
    EXPECT_EQ(statusGrid().GetValueRowCol(26, 2), "0132");
    for (int row : {1, 2, 3, 17, 19, 25})
        EXPECT_FALSE(valueShown(row)) << "row " << row << " is not ticked";
    ASSERT_TRUE(eventuallyOnUi([&] { return frame->inputPane().dialog().isLit(3); }));
    EXPECT_TRUE(frame->inputPane().dialog().isLit(1));
    EXPECT_FALSE(frame->inputPane().dialog().isLit(2));
    EXPECT_EQ(inputGrid().GetValueRowCol(6, 2), kLampOff);
    EXPECT_TRUE(messages.empty());
#endif
}

TEST_F(Session, ValuesAndLampsAreMarkedOldOnceMonitoringStopsOrTheLinkCloses)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    const QColor grey = GXRgb(160, 160, 160);
    const auto valueColour = [&] { return statusGrid().GetStyleRowCol(18, 2).textColor.value_or(GXRgb(0, 0, 0)); };
    statusGrid().clickCell(18, 1);
    frame->OnCommand(Command::Start);
    ASSERT_TRUE(eventuallyOnUi([&] { return valueShown(18); }));
    EXPECT_FALSE(frame->statusPane().dialog().valuesStale());
    EXPECT_NE(valueColour(), grey);

    // Each pane hears of it by its own queued call.
    const auto allStale = [&] {
        return frame->statusPane().dialog().valuesStale() && frame->inputPane().dialog().lampsStale() &&
               frame->outputPane().dialog().lampsStale();
    };
    frame->OnCommand(Command::Stop);
    ASSERT_TRUE(eventuallyOnUi(allStale));
    EXPECT_EQ(valueColour(), grey);
    EXPECT_FALSE(statusGrid().GetValueRowCol(18, 2).isEmpty()) << "the last value stays readable";

    frame->OnCommand(Command::Start);
    ASSERT_TRUE(eventuallyOnUi([&] {
        return !frame->statusPane().dialog().valuesStale() && !frame->inputPane().dialog().lampsStale();
    }));
    EXPECT_NE(valueColour(), grey);

    frame->OnCommand(Command::Disconnect);
    EXPECT_TRUE(eventuallyOnUi(allStale));
#endif
}

TEST_F(Session, TheHeaderTickBoxReadsEveryRow)
{
    frame->OnCommand(Command::Start);
    statusGrid().clickHeader(0, 1);
    ASSERT_TRUE(eventuallyOnUi([&] {
        for (int row = 1; row <= 26; ++row)
            if (!valueShown(row))
                return false;
        return true;
    }));
    EXPECT_EQ(statusGrid().GetValueRowCol(20, 2).count(QLatin1Char('.')), 1) << "3.00-style";
    statusGrid().clickHeader(0, 1);
    const QString before = statusGrid().GetValueRowCol(18, 2);
    test::pump(600);
    EXPECT_EQ(statusGrid().GetValueRowCol(18, 2), before) << "unticked rows keep their values";
}

TEST_F(Session, DisconnectWhileMonitoringStopsItFirst)
{
    frame->OnCommand(Command::Start);
    frame->OnCommand(Command::Disconnect);
    test::pump();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(frame->state().connectionState(), connection_state::kDisconnected);
    EXPECT_EQ(frame->state().monitorState(), monitor_state::kStopped);
    EXPECT_FALSE(frame->drive().isLinkOpen());
    EXPECT_FALSE(enabled(Command::Start)) << "until the next connect";
    EXPECT_FALSE(enabled(Command::Stop));
    EXPECT_TRUE(enabled(Command::Connect));
    EXPECT_FALSE(frame->isLinkAnimating());
    EXPECT_EQ(frame->communicationPane().dialog().animation().currentFrame(), 0);

    frame->OnCommand(Command::Connect);
    test::pump();
    EXPECT_EQ(frame->state().connectionState(), connection_state::kConnected);
    EXPECT_TRUE(enabled(Command::Start));
}

TEST_F(Session, PullingTheCableWhileMonitoringEndsItOnceAndAReconnectWorks)
{
    statusGrid().clickCell(1, 1);
    frame->OnCommand(Command::Start);
    ASSERT_TRUE(eventuallyOnUi([&] { return valueShown(1); }));
    setSilent(true);
    ASSERT_TRUE(eventuallyOnUi([&] { return !frame->drive().isStatusPollRunning(); }, 20000));
    test::pump(100);
    const auto texts = messages.texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(texts[0] == "Error Status check!" || texts[0] == "Error Communication Code : 9 ")
        << texts[0];
    EXPECT_EQ(frame->state().connectionState(), connection_state::kDisconnected);
    EXPECT_EQ(frame->state().monitorState(), monitor_state::kStopped);
    EXPECT_FALSE(frame->drive().isLinkOpen());
    EXPECT_TRUE(enabled(Command::Connect));
    EXPECT_FALSE(enabled(Command::Stop));
    frame->linkTimerTick();
    EXPECT_FALSE(frame->communicationPane().dialog().animation().isPlaying());
    EXPECT_EQ(frame->communicationPane().dialog().animation().currentFrame(), 0);

    setSilent(false);
    messages.clear();
    frame->OnCommand(Command::Connect);
    test::pump();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(frame->state().connectionState(), connection_state::kConnected);
    EXPECT_TRUE(frame->drive().isStatusPollRunning());
    statusGrid().SetValueRange(CGXRange(1, 2), QString());
    frame->OnCommand(Command::Start);
    EXPECT_TRUE(eventuallyOnUi([&] { return valueShown(1); }));
}

TEST_F(Session, TheLinkTimerNoticesASilentDrive)
{
    setSilent(true);
    frame->linkTimerTick();
    ASSERT_TRUE(eventuallyOnUi(
        [&] { return frame->state().connectionState() == connection_state::kDisconnected; }, 15000));
    EXPECT_TRUE(messages.empty()) << "the timer closes the link quietly";
    EXPECT_FALSE(frame->drive().isLinkOpen());
    EXPECT_FALSE(frame->communicationPane().dialog().animation().isPlaying());
    EXPECT_EQ(frame->communicationPane().dialog().animation().currentFrame(), 0);
}

TEST_F(Session, TheLinkTimerKeepsAHealthyLink)
{
    for (int tick = 0; tick < 3; ++tick) {
        frame->linkTimerTick();
        test::pump(150);
    }
    EXPECT_EQ(frame->state().connectionState(), connection_state::kConnected);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Session, NewWhileMonitoringStartsAfresh)
{
    statusGrid().clickHeader(0, 1);
    frame->OnCommand(Command::Start);
    ASSERT_TRUE(eventuallyOnUi([&] { return valueShown(1) && frame->outputPane().dialog().isLit(2); }));
    frame->OnCommand(Command::New);
    test::pump();
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
    EXPECT_FALSE(frame->drive().isStatusPollRunning());
    EXPECT_FALSE(frame->drive().isLinkOpen());
    EXPECT_EQ(frame->state().connectionState(), connection_state::kDisconnected);
    EXPECT_EQ(frame->state().monitorState(), monitor_state::kStopped);
    EXPECT_EQ(frame->drive().monitoringSwitch.load(), 0);
    for (int row = 1; row <= 26; ++row) {
        EXPECT_FALSE(valueShown(row));
        EXPECT_EQ(statusGrid().GetValueRowCol(row, 1), "0");
    }
    for (int row = 1; row <= 7; ++row)
        EXPECT_EQ(outputGrid().GetValueRowCol(row, 2), kLampOff);
    EXPECT_TRUE(enabled(Command::Connect));
}

TEST_F(Session, ShuttingDownWhileMonitoringDoesNotHang)
{
    statusGrid().clickHeader(0, 1);
    frame->OnCommand(Command::Start);
    ASSERT_TRUE(eventuallyOnUi([&] { return valueShown(1); }));
    QElapsedTimer clock;
    clock.start();
    frame->close();
    frame.reset();
    EXPECT_LT(clock.elapsed(), 2000);
}

TEST_F(Session, ShuttingDownWhileTheDriveIsSilentDoesNotHang)
{
    statusGrid().clickCell(1, 1);
    frame->OnCommand(Command::Start);
    ASSERT_TRUE(eventuallyOnUi([&] { return valueShown(1); }));
    setSilent(true);
    test::pump(300); // the poll thread is now retrying inside the link library
    QElapsedTimer clock;
    clock.start();
    frame->close();
    frame.reset();
    EXPECT_LT(clock.elapsed(), 6000) << "at most one exchange's retries";
}

TEST_F(Session, AlarmResetKeepsTheWindowAlive)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    sim->raiseAlarm(0x21);
    ASSERT_TRUE(test::eventually([&] { return sim->activeAlarm() != 0; }, 2s));
    frame->OnCommand(Command::AlarmReset);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"The alarm has been reset."});
    EXPECT_EQ(sim->activeAlarm(), 0);
#endif
}

// --- the drive's active alarm ----------------------------------------------

TEST_F(Session, TheActiveAlarmIsShownWithWhatToDoAndTheResetConfirmsIt)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    frame->show();
    auto *indicator = frame->statusBar()->findChild<QLabel *>("ActiveAlarm");
    ASSERT_NE(indicator, nullptr);
    EXPECT_FALSE(indicator->isVisible());

    sim->raiseAlarm(0x21);
    frame->linkTimerTick(); // the presence check reads the alarm too
    ASSERT_TRUE(eventuallyOnUi([&] { return indicator->isVisible(); }))
        << "alarm read: " << frame->drive().activeAlarm() << ", drive: " << int(sim->activeAlarm())
        << ", register 60: " << sim->registerValue(60);
    EXPECT_EQ(indicator->text(), "AL - 21 Continuous Overload");
    EXPECT_FALSE(indicator->toolTip().isEmpty()) << "what to do";
    EXPECT_TRUE(frame->communicationPane().dialog().alarmText().startsWith("AL - 21 Continuous Overload"));

    messages.clear();
    frame->OnCommand(Command::AlarmReset);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"The alarm has been reset."});
    EXPECT_EQ(sim->activeAlarm(), 0);
    EXPECT_FALSE(indicator->isVisible());
    EXPECT_TRUE(frame->communicationPane().dialog().alarmText().isEmpty());
#endif
}

// --- starting connected: the command line --------------------------------

TEST_F(FrameFixture, StartedWithAPortTheProgramConnectsAndMonitors)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    auto sim = test::startVirtualDrive();
    ASSERT_TRUE(sim);
    const StartOptions start = parseStartOptions(
        {"Tarvex_M9A", "--port", QString::fromStdString(sim->devicePath()), "--baud", "19200", "--monitor"});
    ASSERT_FALSE(start.exitCode);
    ASSERT_TRUE(start.settings);
    startFrame();
    frame->connectAtStart(*start.settings, start.monitor);
    EXPECT_EQ(frame->state().connectionState(), connection_state::kConnected)
        << (messages.empty() ? "" : messages.texts().front());
    EXPECT_EQ(frame->state().monitorState(), monitor_state::kRunning);
    CGXGridWnd &rows = frame->statusPane().dialog().grid();
    EXPECT_TRUE(eventuallyOnUi([&] { return !rows.GetValueRowCol(1, 2).isEmpty(); }));
    frame.reset();
#endif
}

TEST(StartOptions, BadOptionsEndTheProgramWithAUsageCode)
{
    EXPECT_FALSE(parseStartOptions({"Tarvex_M9A"}).settings) << "unconnected without options";
    EXPECT_FALSE(parseStartOptions({"Tarvex_M9A"}).exitCode);
    for (const QStringList &bad : {QStringList{"Tarvex_M9A", "--port", "ttyUSB0"},
                                   QStringList{"Tarvex_M9A", "--port", "/dev/ttyUSB0", "--baud", "1200"},
                                   QStringList{"Tarvex_M9A", "--port", "/dev/ttyUSB0", "--node", "100"},
                                   QStringList{"Tarvex_M9A", "--monitor"},
                                   QStringList{"Tarvex_M9A", "--frobnicate"},
                                   QStringList{"Tarvex_M9A", "stray"}}) {
        const StartOptions start = parseStartOptions(bad);
        EXPECT_EQ(start.exitCode, 2) << bad.join(' ').toStdString();
        EXPECT_FALSE(start.settings);
    }
    const StartOptions good = parseStartOptions({"Tarvex_M9A", "--port", "/dev/ttyUSB0", "--node", "3", "--baud", "57600"});
    ASSERT_TRUE(good.settings);
    EXPECT_EQ(good.settings->port.device, "/dev/ttyUSB0");
    EXPECT_EQ(good.settings->node, 3);
    EXPECT_EQ(good.settings->baud, 57600u);
    EXPECT_FALSE(good.monitor);
}

} // namespace
} // namespace tarvex
