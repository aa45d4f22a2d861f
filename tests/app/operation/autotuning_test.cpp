// The auto gain tuning window against the virtual drive: the settings at
// 0x0130, the command and status at 0x012C, the inertia at 0x0052; a run to
// completion, a user stop, the settings restored on close, the ranges of
// the two levels, a window closed in the middle of a run, and a run's
// gains and inertia reverted.
#include "app/operation/autotuning_dlg.h"
#include "drive/connection/motion_tools.h"
#include "app/operation/motor_animation.h"
#include "tests/app/operation/operation_fixture.h"
#include "tests/app/support/qt_test_application.h"
#include "tests/app/support/ui_pump.h"
#include "drive/motion/operation_registers.h"
#include "drive/snapshots/drive_snapshot.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <functional>

namespace tarvex {
namespace {

using namespace std::chrono_literals;
using test::pumpUntil;
using Values = std::vector<std::uint16_t>;

constexpr std::uint16_t kCommand = operation_register::kTuningCommand;
constexpr std::uint16_t kSettings = operation_register::kTuningSettings;
constexpr std::uint16_t kInertia = operation_register::kLoadInertia;

class AutoTuning : public test::OperationWindowFixture<CAutotuningDlg> {
protected:
    // A run keeps a snapshot of the parameters first.
    bool withParameterList() const override { return true; }

    void prepareDrive() override
    {
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        virtualDrive().setTuningDuration(400ms);
        virtualDrive().setMeasuredInertia(345);
#endif
    }

    // What present() does before it runs the window modally.
    void open()
    {
        window->OnInitDialog();
        test::showActive(*window);
        requests.clear();
    }

    void start()
    {
        messages.answerNext(true);
        click(window->startButton());
        ASSERT_TRUE(window->running());
    }

    void typeInto(QLineEdit &edit, const char *text)
    {
        edit.clear();
        QTest::keyClicks(&edit, QString::fromLatin1(text));
    }

    Values commands() const { return requests.singleWrites(kCommand); }
};

TEST_F(AutoTuning, OpeningShowsTheInertiaAndTheDrivesSettings)
{
    window->OnInitDialog();
    EXPECT_EQ(requests.readsOf(kInertia), 1u);
    EXPECT_EQ(requests.readsOf(kSettings), 1u);
    EXPECT_EQ(window->beforeBox().text(), "100");
    EXPECT_TRUE(window->afterBox().text().isEmpty());
    EXPECT_EQ(window->distanceLevel(), 3);
    EXPECT_EQ(window->distanceEdit().text(), "3");
    EXPECT_EQ(window->distanceSlider().value(), 3);
    // The drive's speed level 5 lies below the speed slider's range (8..10).
    EXPECT_EQ(window->speedSlider().value(), 8);
    EXPECT_EQ(window->speedLevel(), 8);
    EXPECT_EQ(window->statusLine().text(), "Ready for Tuning");
    EXPECT_TRUE(window->statusLine().font().bold());
    EXPECT_EQ(window->statusLine().font().pixelSize(), 16);
    EXPECT_EQ(window->startButton().text(), "Start");
    EXPECT_EQ(window->windowTitle(), "Gain Auto Tuning");
    EXPECT_TRUE(messages.empty());
}

TEST_F(AutoTuning, ARunToCompletionShowsTheInertiaFound)
{
    open();
    window->distanceSlider().setValue(5);
    messages.answerNext(false);
    click(window->startButton());
    EXPECT_EQ(requests.writeCount(), 0u) << "No starts nothing";
    EXPECT_EQ(messages.messages().at(0).text, "Do you want start?");
    EXPECT_EQ(messages.messages().at(0).caption, "WARNING");

    start();
    EXPECT_EQ(requests.blockWrites(kSettings), std::vector<Values>{(Values{8, 5})})
        << "the speed level first, then the distance level";
    EXPECT_EQ(commands(), Values{1});
    EXPECT_EQ(window->startButton().text(), "Stop");
    EXPECT_EQ(window->statusLine().text(), "Start AutoGainTunning");
    EXPECT_TRUE(window->animation().isPlaying());
    EXPECT_EQ(window->beforeBox().text(), "100");

    ASSERT_TRUE(pumpUntil([&] { return window->afterBox().text() == "345"; }, 10s));
    EXPECT_EQ(commands(), (Values{1, 4})) << "the end of the run is acknowledged";
    EXPECT_GE(requests.readsOf(kCommand), 3u) << "the status is polled while the drive tunes";
    ASSERT_TRUE(pumpUntil([&] { return !window->isTuningPollRunning(); }));
    EXPECT_TRUE(pumpUntil([&] { return window->startButton().text() == "Start"; }));
    EXPECT_EQ(window->statusLine().text(), "Ready for Tuning");
    EXPECT_FALSE(window->animation().isPlaying());
    EXPECT_FALSE(window->running());
    const auto shown = messages.messages();
    ASSERT_EQ(shown.size(), 3u) << "two questions, then the end of the run";
    EXPECT_EQ(shown[2].text, "Gain Auto Tuning Stop");
    EXPECT_EQ(shown[2].caption, "STOP Message");
    EXPECT_EQ(shown[2].kind, Message::Kind::Information);
}

TEST_F(AutoTuning, AUserStopEndsTheRunWithoutAResult)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    virtualDrive().setTuningDuration(20s);
#endif
    open();
    start();
    test::pumpFor(250ms);
    click(window->startButton());
    EXPECT_EQ(commands(), (Values{1, 4}));
    EXPECT_FALSE(window->running());
    EXPECT_EQ(window->startButton().text(), "Start");
    EXPECT_EQ(window->statusLine().text(), "Ready for Tuning");
    EXPECT_FALSE(window->animation().isPlaying());
    EXPECT_EQ(messages.count("Gain Auto Tuning Stop"), 1u);
    ASSERT_TRUE(pumpUntil([&] { return !window->isTuningPollRunning(); }));
    test::pumpFor(250ms);
    EXPECT_EQ(commands(), (Values{1, 4})) << "4 went out once";
    EXPECT_TRUE(window->afterBox().text().isEmpty());
    EXPECT_EQ(messages.count("Gain Auto Tuning Stop"), 1u);
    EXPECT_EQ(registerValue(kCommand) & 0xFF, 0);
}

TEST_F(AutoTuning, ClosingWritesTheSettingsReadAtOpeningBack)
{
    open();
    window->reject();
    EXPECT_EQ(requests.blockWrites(kSettings), std::vector<Values>{(Values{5, 3})})
        << "even when no run was made";

    open();
    window->distanceSlider().setValue(1);
    window->speedSlider().setValue(10);
    start();
    ASSERT_TRUE(pumpUntil([&] { return !window->isTuningPollRunning(); }, 10s));
    EXPECT_EQ(registerValue(kSettings), 10);
    window->reject();
    EXPECT_EQ(requests.blockWrites(kSettings), (std::vector<Values>{{10, 1}, {5, 3}}));
    EXPECT_EQ(registerValue(kSettings), 5);
    EXPECT_EQ(registerValue(kSettings + 2), 3);
}

TEST_F(AutoTuning, TypedLevelsAreTakenWithinTheirRanges)
{
    open();
    typeInto(window->distanceEdit(), "6");
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Please enter an integer between 1 and 5."});
    EXPECT_EQ(window->distanceLevel(), 3);
    EXPECT_EQ(window->distanceEdit().text(), "3") << "the refused value is not kept";
    messages.clear();
    for (const char *refused : {"0", "9", "x"}) {
        typeInto(window->distanceEdit(), refused);
        EXPECT_EQ(window->distanceLevel(), 3) << refused;
    }
    EXPECT_EQ(messages.texts().size(), 3u);

    typeInto(window->distanceEdit(), "4");
    EXPECT_EQ(window->distanceLevel(), 4);
    EXPECT_EQ(window->distanceSlider().value(), 4);

    messages.clear();
    typeInto(window->speedEdit(), "11"); // "1" is taken on the way
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Please enter an integer between 1 and 10."});
    EXPECT_EQ(window->speedLevel(), 1);
    EXPECT_EQ(window->speedEdit().text(), "1");
    typeInto(window->speedEdit(), "10");
    EXPECT_EQ(window->speedLevel(), 10);
    EXPECT_EQ(window->speedSlider().value(), 10);
    typeInto(window->speedEdit(), "2");
    EXPECT_EQ(window->speedLevel(), 2) << "the box takes 1..10";
    EXPECT_EQ(window->speedSlider().value(), 8) << "the slider shows the nearest it can";

    messages.clear();
    start();
    EXPECT_EQ(requests.blockWrites(kSettings), std::vector<Values>{(Values{2, 4})});
    click(window->startButton());
}

TEST_F(AutoTuning, AFailedSettingsWriteDoesNotPreventTheStart)
{
    open();
    damageRepliesFrom(kSettings, 8); // every attempt of the settings write
    start();
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"Do you want start?", "Gain tuning set Write Error",
                                                          "GainTuning Set Error!"}));
    EXPECT_EQ(window->beforeBox().text(), "100");
    EXPECT_EQ(commands().back(), 1);
    click(window->startButton());
}

TEST_F(AutoTuning, AFailedStartLeavesTheWindowIdle)
{
    open();
    damageRepliesFrom(kSettings, 16); // the settings write and the start command
    messages.answerNext(true);
    click(window->startButton());
    EXPECT_FALSE(window->running());
    EXPECT_EQ(messages.count("Gain Operation Write Error"), 1u);
    EXPECT_EQ(messages.count("GainTuning Start Error!"), 1u);
    EXPECT_EQ(window->startButton().text(), "Start");
    EXPECT_EQ(window->statusLine().text(), "Ready for Tuning");
    EXPECT_FALSE(window->animation().isPlaying());
    EXPECT_FALSE(window->isTuningPollRunning());
}

TEST_F(AutoTuning, AFailedPollEndsTheRunWithoutAResult)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    virtualDrive().setTuningDuration(20s);
#endif
    open();
    start();
    damageNextReplies(8);
    ASSERT_TRUE(messages.waitFor("GainTuning Operation Error!", 10s));
    ASSERT_TRUE(pumpUntil([&] { return !window->isTuningPollRunning(); }));
    EXPECT_EQ(messages.count("Waiting Error"), 1u);
    EXPECT_TRUE(pumpUntil([&] { return window->startButton().text() == "Start"; }));
    EXPECT_TRUE(window->afterBox().text().isEmpty());
    EXPECT_FALSE(window->running());
}

TEST_F(AutoTuning, TheWatchdogsResetEndsThePollAndTheButtonStillStopsTheRun)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    virtualDrive().setTuningDuration(20s);
#endif
    open();
    start();
    connection().stalledFeatures().clearAll(); // what the link watchdog does after a stall
    ASSERT_TRUE(pumpUntil([&] { return !window->isTuningPollRunning(); }));
    test::pumpFor(50ms);
    EXPECT_EQ(window->startButton().text(), "Stop") << "the drive has not been told to stop yet";
    EXPECT_EQ(commands(), Values{1});
    click(window->startButton());
    EXPECT_EQ(commands(), (Values{1, 4}));
    EXPECT_EQ(window->startButton().text(), "Start");
    EXPECT_EQ(window->statusLine().text(), "Ready for Tuning");
}

TEST_F(AutoTuning, ClosingTheWindowDuringARunStopsTheRunFirst)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    virtualDrive().setTuningDuration(20s);
#endif
    open();
    start();
    window->reject();
    EXPECT_FALSE(window->isWindowOpen());
    EXPECT_FALSE(window->running());
    EXPECT_EQ(commands(), (Values{1, 4}));
    ASSERT_TRUE(pumpUntil([&] { return !window->isTuningPollRunning(); }));
    test::pumpFor(50ms);
    EXPECT_EQ(messages.count("Gain Auto Tuning Stop"), 0u) << "no finished run to report";

    open();
    EXPECT_EQ(window->startButton().text(), "Start");
    EXPECT_EQ(window->statusLine().text(), "Ready for Tuning");
}

TEST_F(AutoTuning, AStopTheDriveDoesNotTakeKeepsTheWindowOpenOnTheRun)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    virtualDrive().setTuningDuration(20s);
#endif
    open();
    start();
    silenceDrive(true);
    window->reject();
    silenceDrive(false);
    EXPECT_TRUE(window->isWindowOpen());
    EXPECT_EQ(window->startButton().text(), "Stop");
    EXPECT_EQ(window->statusLine().text(), "Start AutoGainTunning");
    EXPECT_EQ(messages.count(kMotionMayGoOn), 1u);
    window->reject();
    EXPECT_FALSE(window->isWindowOpen());
    EXPECT_EQ(commands().back(), 4);
}

TEST_F(AutoTuning, DestroyingTheWindowDuringARunEndsThePoll)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    virtualDrive().setTuningDuration(20s);
#endif
    open();
    start();
    const auto before = std::chrono::steady_clock::now();
    window.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
}

// The first gain set from 0x00B4 and the inertia, as the drive holds them.
Values tunedValuesOnTheDrive(const std::function<std::uint16_t(std::uint16_t)> &value)
{
    Values held;
    for (int i = 0; i < operation_register::kTunedGainCount; ++i)
        held.push_back(value(static_cast<std::uint16_t>(operation_register::kTunedGainsFirst + 2 * i)));
    held.push_back(value(kInertia));
    return held;
}

TEST_F(AutoTuning, ARevertedRunLeavesTheDriveWithTheValuesFromBeforeIt)
{
    const auto onDrive = [&] { return tunedValuesOnTheDrive([&](std::uint16_t a) { return registerValue(a); }); };
    const auto column = [&](int c) {
        Values shown;
        for (int row = 0; row < CAutotuningDlg::kComparedRows; ++row)
            shown.push_back(static_cast<std::uint16_t>(window->comparisonCell(row, c).text().toInt()));
        return shown;
    };
    struct Case {
        const char *name;
        bool stopByUser;
    };
    for (const Case &c : {Case{"a finished run", false}, Case{"a stopped run", true}}) {
        SCOPED_TRACE(c.name);
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        virtualDrive().setTuningDuration(c.stopByUser ? 20s : 400ms);
#endif
        open();
        const Values before = onDrive();
        EXPECT_FALSE(window->revertButton().isEnabled());
        start();
        EXPECT_FALSE(window->revertButton().isEnabled()) << "nothing to revert while the drive tunes";
        if (c.stopByUser)
            click(window->startButton());
        ASSERT_TRUE(pumpUntil([&] { return window->revertButton().isEnabled(); }, 10s));
        ASSERT_TRUE(pumpUntil([&] { return !window->isTuningPollRunning(); }));
        const Values tuned = onDrive();
        if (!c.stopByUser)
            EXPECT_NE(tuned, before) << "the drive's tuning changed the gains and the inertia";
        EXPECT_EQ(column(0), before);
        EXPECT_EQ(column(1), tuned);
        EXPECT_TRUE(window->keepButton().isEnabled());

        click(window->revertButton());
        EXPECT_EQ(onDrive(), before);
        EXPECT_EQ(column(1), before) << "read back from the drive";
        EXPECT_FALSE(window->revertButton().isEnabled());
        EXPECT_FALSE(window->keepButton().isEnabled());
        EXPECT_EQ(messages.count("Tuning Revert Error!"), 0u);
        window->reject();
    }

    // Keep leaves the run's result on the drive.
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    virtualDrive().setTuningDuration(400ms);
#endif
    open();
    start();
    ASSERT_TRUE(pumpUntil([&] { return window->keepButton().isEnabled(); }, 10s));
    const Values tuned = onDrive();
    click(window->keepButton());
    EXPECT_FALSE(window->revertButton().isEnabled());
    click(window->revertButton());
    EXPECT_EQ(onDrive(), tuned);
}

// A run first keeps a snapshot of every parameter: what it changes can be
// put back from File > Snapshots, whatever the window does afterwards.
TEST_F(AutoTuning, AStartKeepsASnapshotThatHoldsTheDriveAsItWasBeforeTheRun)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    const auto snapshotsOfThisRun = [&] {
        std::vector<snapshots::Snapshot> mine;
        for (const snapshots::Snapshot &s : snapshots::SnapshotStore(snapshots::defaultSnapshotFolder()).list())
            if (s.header.reason == "Auto Tuning" && s.header.port == virtualDrive().devicePath())
                mine.push_back(s);
        return mine;
    };
    ASSERT_TRUE(snapshotsOfThisRun().empty());
    open();
    start();
    ASSERT_TRUE(pumpUntil([&] { return window->revertButton().isEnabled(); }, 10s));
    const std::vector<snapshots::Snapshot> kept = snapshotsOfThisRun();
    ASSERT_EQ(kept.size(), 1u);
    const auto differences = snapshots::compareWithDrive(connection(), kept.front());
    ASSERT_TRUE(differences) << (messages.empty() ? "" : messages.texts().back());
    EXPECT_FALSE(differences->empty()) << "the run changed parameters the snapshot holds as they were";

    click(window->revertButton());
    const auto afterRevert = snapshots::compareWithDrive(connection(), kept.front());
    ASSERT_TRUE(afterRevert);
    EXPECT_TRUE(afterRevert->empty()) << afterRevert->front().name;
#endif
}

// Without the values from before, the run could not be reverted from the
// window: the user decides whether it starts.
TEST_F(AutoTuning, WhenTheValuesBeforeCannotBeReadTheUserDecidesWhetherTheRunStarts)
{
    for (const bool startAnyway : {false, true}) {
        SCOPED_TRACE(startAnyway ? "started anyway" : "not started");
        open();
        messages.clear();
        damageRepliesFrom(kInertia, 8); // every attempt of the inertia read
        messages.answerNext(true);        // "Do you want start?"
        messages.answerNext(startAnyway); // without a way back?
        click(window->startButton());
        EXPECT_EQ(messages.count("Inertia Read Error"), 1u);
        EXPECT_EQ(messages.count(
                      "The gains before the run could not be read, so the window cannot revert it. Start anyway?"),
                  1u);
        EXPECT_EQ(window->running(), startAnyway);
        EXPECT_EQ(commands(), startAnyway ? Values{1} : Values{});
        if (!startAnyway) {
            EXPECT_EQ(window->startButton().text(), "Start");
            continue;
        }
        ASSERT_TRUE(pumpUntil([&] { return window->keepButton().isEnabled(); }, 10s));
        EXPECT_FALSE(window->revertButton().isEnabled());
        window->reject();
    }
}

TEST_F(AutoTuning, TheWindowRunsModallyAndIgnoresEnterAndEscape)
{
    bool wasModal = false;
    bool stayedOpen = false;
    QTimer::singleShot(50, window.get(), [&] {
        wasModal = window->isModal() && window->isVisible();
        for (QWidget *focus : {static_cast<QWidget *>(&window->startButton()),
                               static_cast<QWidget *>(&window->distanceEdit())}) {
            focus->setFocus();
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                QTest::keyClick(window->windowHandle(), key);
        }
        test::pumpFor(100ms);
        stayedOpen = window->isVisible();
        window->reject();
    });
    window->present(); // returns when the window has been closed
    EXPECT_TRUE(wasModal);
    EXPECT_TRUE(stayedOpen);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(commands(), Values{}) << "no key started a run";
}

} // namespace
} // namespace tarvex
