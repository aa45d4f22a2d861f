// No way out of a motion tool leaves the motor moving or the servo on: a
// locked manual jog, a program jog and a tuning run, each left by every
// path the program offers (its own EXIT or close box, the program's exit,
// File > New, OS Upgrade, Disconnect, another motion tool opening, the link
// watchdog's reset), against the virtual drive over a pseudo-terminal. The
// drive itself is asked afterwards whether anything still moves. The
// message boxes are modal, as the program's are.
#include "app/operation/autotuning_dlg.h"
#include "app/operation/color_button.h"
#include "drive/connection/commands.h"
#include "app/frame/feature_windows.h"
#include "tests/app/operation/operation_session.h"
#include "app/operation/manual_jog_dlg.h"
#include "tests/app/support/modal_messages.h"
#include "app/operation/motor_animation.h"
#include "drive/connection/motion_tools.h"
#include "app/operation/program_jog_dlg.h"
#include "tests/app/support/ui_pump.h"
#include "tests/app/support/virtual_drive_session.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>
#include <ostream>

namespace tarvex {
namespace {

using namespace std::chrono_literals;
using test::pumpUntil;

enum class Tool { LockedManualJog, ProgramJog, TuningRun };
enum class Way { ToolExit, ProgramExit, FileNew, OsUpgrade, Disconnect, WatchdogReset, OtherToolOpens };

const char *name(Tool tool)
{
    switch (tool) {
    case Tool::LockedManualJog: return "LockedManualJog";
    case Tool::ProgramJog: return "ProgramJog";
    case Tool::TuningRun: return "TuningRun";
    }
    return "?";
}

const char *name(Way way)
{
    switch (way) {
    case Way::ToolExit: return "ToolExit";
    case Way::ProgramExit: return "ProgramExit";
    case Way::FileNew: return "FileNew";
    case Way::OsUpgrade: return "OsUpgrade";
    case Way::Disconnect: return "Disconnect";
    case Way::WatchdogReset: return "WatchdogReset";
    case Way::OtherToolOpens: return "OtherToolOpens";
    }
    return "?";
}

// The operation session with modal message boxes, and a tuning run that
// lasts whatever the test does.
class MotionSession : public test::OperationSession {
protected:
    void SetUp() override
    {
        frameMessages = &boxes;
        OperationSession::SetUp();
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        if (sim)
            sim->setTuningDuration(60s);
#endif
    }

    std::string firstMessage() const override { return boxes.empty() ? "" : boxes.texts().front(); }

    // Servo on, LOCK, a press and release of Forward: the drive jogs on.
    void startLockedJog()
    {
        frame->OnCommand(Command::ManualJog);
        ASSERT_TRUE(jog && jog->isVisible());
        test::showActive(*jog);
        boxes.answerNext(true);
        click(jog->servoButton());
        ASSERT_TRUE(jog->servoOn());
        click(jog->lockButton());
        QTest::mousePress(&jog->forwardButton(), Qt::LeftButton);
        QTest::mouseRelease(&jog->forwardButton(), Qt::LeftButton);
        ASSERT_TRUE(pumpUntil([&] { return motion().jogging && motion().speedRpm > 100; }))
            << "the locked jog runs on after the release";
    }

    void startProgramJog()
    {
        frame->OnCommand(Command::ProgramJog);
        ASSERT_TRUE(programJog && programJog->isVisible());
        boxes.answerNext(true);
        click(programJog->startButton());
        ASSERT_TRUE(programJog->running());
        ASSERT_TRUE(motion().programRunning);
    }

    void startTuning()
    {
        boxes.answerNext(true);
        click(tuning->startButton());
        ASSERT_TRUE(tuning->running());
        ASSERT_TRUE(motion().tuningRunning);
    }

#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    test::VirtualDrive::Motion motion() { return sim->motion(); }
    bool driveComesToRest()
    {
        return pumpUntil([&] { return motion().atRest(); }, 10s);
    }
#endif
    test::ModalMessages boxes;
};

struct Case {
    Tool tool;
    Way way;
};

std::ostream &operator<<(std::ostream &out, const Case &c) { return out << name(c.tool) << "_" << name(c.way); }

class EveryWayOut : public MotionSession, public ::testing::WithParamInterface<Case> {
protected:
    // Leaves the tool (already moving the motor) the way under test.
    void leave(Way way)
    {
        switch (way) {
        case Way::ToolExit:
            if (GetParam().tool == Tool::LockedManualJog)
                click(jog->exitButton());
            else if (GetParam().tool == Tool::ProgramJog)
                click(programJog->exitButton());
            else
                tuning->reject(); // the close box
            break;
        case Way::ProgramExit:
            frame->close();
            break;
        case Way::FileNew:
            frame->OnCommand(Command::New);
            break;
        case Way::OsUpgrade:
            frame->OnCommand(Command::OsUpgrade); // no upgrader here: only the stop and the disconnect
            break;
        case Way::Disconnect:
            frame->OnCommand(Command::Disconnect);
            break;
        case Way::WatchdogReset:
            frame->drive().resetStalledFeatures();
            test::pumpFor(50ms);
            break;
        case Way::OtherToolOpens:
            frame->OnCommand(GetParam().tool == Tool::LockedManualJog ? Command::ProgramJog
                                                                      : Command::ManualJog);
            break;
        }
    }
};

TEST_P(EveryWayOut, LeavesTheDriveAtRestWithTheServoOff)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    const Case c = GetParam();
    if (c.tool == Tool::TuningRun) {
        // The tuning window is modal: the way out is taken while it is open.
        bool left = false;
        QTimer::singleShot(0, frame.get(), [&] {
            startTuning();
            if (!HasFatalFailure())
                leave(c.way);
            if (tuning->isWindowOpen())
                tuning->reject();
            left = true;
        });
        frame->OnCommand(Command::GainAutoTuning);
        ASSERT_TRUE(left);
    } else {
        if (c.tool == Tool::LockedManualJog)
            startLockedJog();
        else
            startProgramJog();
        ASSERT_FALSE(HasFatalFailure());
        leave(c.way);
    }
    EXPECT_TRUE(driveComesToRest()) << sim->statusText();
    EXPECT_FALSE(motion().userServoOn) << "the servo the tool switched on is off again";
    EXPECT_EQ(boxes.count(kMotionMayGoOn), 0u);
    if (c.way == Way::ProgramExit)
        EXPECT_FALSE(frame->isVisible());
#endif
}

std::vector<Case> everyCase()
{
    std::vector<Case> cases;
    for (Tool tool : {Tool::LockedManualJog, Tool::ProgramJog, Tool::TuningRun}) {
        for (Way way : {Way::ToolExit, Way::ProgramExit, Way::FileNew, Way::OsUpgrade, Way::Disconnect,
                        Way::WatchdogReset, Way::OtherToolOpens}) {
            // A modal window keeps the program's exit and the other tools
            // out of reach while the tuning runs.
            if (tool == Tool::TuningRun && (way == Way::ProgramExit || way == Way::OtherToolOpens))
                continue;
            cases.push_back({tool, way});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(MotionTools, EveryWayOut, ::testing::ValuesIn(everyCase()),
                         [](const ::testing::TestParamInfo<Case> &param) {
                             return std::string(name(param.param.tool)) + "_" + name(param.param.way);
                         });

// --- what the tools never do, and failed stops ------------------------------

TEST_F(MotionSession, StopWithTheServoOffWritesNothingAndLeavesTheServoOff)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    frame->OnCommand(Command::ManualJog);
    test::showActive(*jog);
    click(jog->lockButton());
    ASSERT_TRUE(jog->stopButton().isEnabled());
    const auto stateBefore = sim->registerValue(0);
    click(jog->stopButton());
    test::pumpFor(50ms);
    EXPECT_FALSE(motion().servoOn) << "no servo on without the question";
    EXPECT_EQ(sim->registerValue(0), stateBefore);
    click(jog->exitButton());
    EXPECT_FALSE(jog->isVisible());
    EXPECT_FALSE(motion().servoOn);
#endif
}

TEST_F(MotionSession, AFailedStopKeepsEachToolShowingItsRunAndExitTriesAgain)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    // Manual jog: the drive does not answer the servo off.
    startLockedJog();
    ASSERT_FALSE(HasFatalFailure());
    sim->setSilent(true);
    click(jog->exitButton());
    sim->setSilent(false);
    EXPECT_TRUE(jog->isVisible()) << "the window stays while the drive may still move";
    EXPECT_EQ(jog->servoButton().text(), "Servo OFF");
    EXPECT_EQ(boxes.count(kMotionMayGoOn), 1u);
    EXPECT_TRUE(motion().jogging);
    click(jog->exitButton());
    EXPECT_FALSE(jog->isVisible());
    EXPECT_TRUE(driveComesToRest());
    EXPECT_EQ(frame->drive().activeFeatureCode(), feature_code::kNone);

    // Program jog: Stop unanswered, then EXIT.
    boxes.clear();
    startProgramJog();
    ASSERT_FALSE(HasFatalFailure());
    sim->setSilent(true);
    click(programJog->startButton()); // offers Stop
    sim->setSilent(false);
    test::pumpFor(100ms);
    EXPECT_EQ(programJog->startButton().text(), "Stop") << "never idle while the drive may run";
    EXPECT_TRUE(programJog->animation().isPlaying());
    EXPECT_EQ(boxes.count("pJog Operation  Write Error"), 1u);
    EXPECT_EQ(boxes.count(kMotionMayGoOn), 1u);
    EXPECT_TRUE(motion().programRunning);
    click(programJog->exitButton());
    EXPECT_FALSE(programJog->isVisible());
    EXPECT_TRUE(driveComesToRest());

    // Tuning: Stop unanswered; the poll's own view of the run (inside the
    // error box) must not turn the window idle.
    boxes.clear();
    bool checked = false;
    QTimer::singleShot(0, frame.get(), [&] {
        startTuning();
        sim->setSilent(true);
        click(tuning->startButton());
        sim->setSilent(false);
        test::pumpFor(300ms); // several poll rounds
        EXPECT_EQ(tuning->startButton().text(), "Stop");
        EXPECT_EQ(tuning->statusLine().text(), "Start AutoGainTunning");
        EXPECT_EQ(boxes.count("GainTuning Stop Error!"), 1u);
        EXPECT_TRUE(motion().tuningRunning);
        click(tuning->startButton()); // stops, never starts
        EXPECT_EQ(tuning->startButton().text(), "Start");
        EXPECT_FALSE(motion().tuningRunning);
        EXPECT_EQ(boxes.count("Do you want start?"), 1u) << "no second start";
        tuning->reject();
        checked = true;
    });
    frame->OnCommand(Command::GainAutoTuning);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(driveComesToRest());
#endif
}

TEST_F(MotionSession, ALinkLostUnderAMotionToolSaysTheMotorMayStillMove)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    startProgramJog();
    ASSERT_FALSE(HasFatalFailure());
    frame->drive().Disconnect(); // as the link timer does when the drive stops answering
    ASSERT_TRUE(pumpUntil([&] { return boxes.count(kMotionMayGoOn) >= 1; }));
    for (const Message &message : boxes.messages()) {
        if (message.text == kMotionMayGoOn)
            EXPECT_EQ(message.detail, kMotionStopNotSent);
    }
    EXPECT_EQ(programJog->startButton().text(), "Stop");
    click(programJog->exitButton());
    EXPECT_TRUE(programJog->isVisible()) << "no stop could be sent";

    // Connected again, EXIT stops the run and closes.
    frame->OnCommand(Command::Connect);
    ASSERT_TRUE(frame->drive().isLinkOpen());
    click(programJog->exitButton());
    EXPECT_FALSE(programJog->isVisible());
    EXPECT_TRUE(driveComesToRest());
#endif
}

TEST_F(MotionSession, WithBothJogWindowsOpenTheRulesFollowTheOneStillOpen)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    frame->OnCommand(Command::ManualJog);
    frame->OnCommand(Command::ProgramJog);
    ASSERT_TRUE(jog->isVisible() && programJog->isVisible());
    click(jog->exitButton());
    test::pump();
    EXPECT_EQ(frame->drive().activeFeatureCode(), feature_code::kJog);
    EXPECT_FALSE(enabled(Command::GainAutoTuning)) << "the program jog window is still open";
    EXPECT_FALSE(enabled(Command::TriggerMonitoring));
    click(programJog->exitButton());
    test::pump();
    EXPECT_EQ(frame->drive().activeFeatureCode(), feature_code::kNone);
    EXPECT_TRUE(enabled(Command::GainAutoTuning));
#endif
}

TEST_F(MotionSession, WhileTheDriveHasAnAlarmNoToolStartsTheMotor)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    sim->raiseAlarm(0x52);
    frame->OnCommand(Command::ManualJog);
    test::showActive(*jog);
    boxes.answerNext(true);
    click(jog->servoButton());
    EXPECT_EQ(boxes.count(kMotionRefusedForAlarm), 1u);
    EXPECT_FALSE(jog->servoOn());
    EXPECT_EQ(jog->servoButton().text(), "Servo ON");
    click(jog->exitButton());

    frame->OnCommand(Command::ProgramJog);
    boxes.answerNext(true);
    click(programJog->startButton());
    EXPECT_EQ(boxes.count(kMotionRefusedForAlarm), 2u);
    EXPECT_FALSE(programJog->running());
    EXPECT_EQ(programJog->startButton().text(), "Start");
    EXPECT_TRUE(motion().atRest());
    EXPECT_FALSE(motion().servoOn);
#endif
}

} // namespace
} // namespace tarvex
