// The operation windows inside the main program: the menu commands open
// them against the virtual drive, an engineer's session jogs, runs the
// program jog and tunes, and the program closes cleanly while the servo is
// on and the speed display runs.
#include "app/operation/autotuning_dlg.h"
#include "app/operation/color_button.h"
#include "drive/connection/commands.h"
#include "app/frame/feature_windows.h"
#include "tests/app/operation/operation_session.h"
#include "app/operation/manual_jog_dlg.h"
#include "drive/motion/operation_registers.h"
#include "app/operation/program_jog_dlg.h"
#include "tests/app/support/ui_pump.h"
#include "tests/app/support/virtual_drive_session.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

namespace tarvex {
namespace {

using namespace std::chrono_literals;
using test::OperationSession;
using test::pumpUntil;

TEST(OperationWindows, AreInstalledInTheProgram)
{
    const auto installed = installedFeatureWindows();
    for (FeatureKind kind : {FeatureKind::ManualJog, FeatureKind::ProgramJog, FeatureKind::AutoTuning})
        EXPECT_EQ(installed.all().count(kind), 1u);
}

TEST_F(OperationSession, AnEngineerJogsRunsTheProgramAndTunes)
{
    // Manual jog: servo on, both ways at two speeds, watching the speed.
    ASSERT_TRUE(enabled(Command::ManualJog));
    frame->OnCommand(Command::ManualJog);
    ASSERT_TRUE(jog->isVisible());
    EXPECT_EQ(frame->drive().activeFeatureCode(), feature_code::kJog);
    EXPECT_FALSE(enabled(Command::GainAutoTuning)) << "greyed while a jog window is open";
    test::showActive(*jog);
    messages.answerNext(true);
    click(jog->servoButton());
    ASSERT_TRUE(jog->servoOn());
    for (int speed : {300, 1500}) {
        jog->speedEdit().setText(QString::number(speed));
        click(jog->speedSetButton());
        for (CColorButton *button : {&jog->forwardButton(), &jog->reverseButton()}) {
            const int sign = button == &jog->forwardButton() ? 1 : -1;
            QTest::mousePress(button, Qt::LeftButton);
            ASSERT_TRUE(pumpUntil([&] { return jog->currentSpeedBox().text().toInt() * sign > speed * 9 / 10; }))
                << "jogging at " << speed * sign << ", shown " << jog->currentSpeedBox().text().toStdString();
            QTest::mouseRelease(button, Qt::LeftButton);
            ASSERT_TRUE(pumpUntil([&] { return std::abs(driveSpeed()) < 5; })) << "the jog stops";
        }
    }
    click(jog->exitButton());
    EXPECT_FALSE(jog->isVisible());
    EXPECT_EQ(frame->drive().activeFeatureCode(), feature_code::kNone);

    // Program jog.
    frame->OnCommand(Command::ProgramJog);
    ASSERT_TRUE(programJog->isVisible());
    EXPECT_EQ(programJog->programEdit(0).text(), "500");
    messages.answerNext(true);
    click(programJog->startButton());
    ASSERT_TRUE(programJog->running());
    ASSERT_TRUE(pumpUntil([&] { return programJog->currentSpeedBox().text().toInt() > 400; }));
    click(programJog->startButton());
    EXPECT_FALSE(programJog->running());
    click(programJog->exitButton());
    EXPECT_FALSE(programJog->isVisible());

    // Auto tuning, to completion, in its modal window.
    ASSERT_TRUE(enabled(Command::GainAutoTuning));
    bool finished = false;
    QTimer::singleShot(50, tuning, [&] {
        messages.answerNext(true);
        click(tuning->startButton());
        finished = pumpUntil([&] { return tuning->afterBox().text() == "420"; });
        tuning->reject();
    });
    frame->OnCommand(Command::GainAutoTuning);
    EXPECT_TRUE(finished);
    EXPECT_FALSE(tuning->isVisible());
    EXPECT_EQ(frame->drive().generalBusy.load(), 0);
    EXPECT_EQ(messages.count("Gain Auto Tuning Stop"), 1u);
    EXPECT_EQ(messages.texts().size(), 4u) << "three questions and the end of the tuning";
}

TEST_F(OperationSession, ClosingTheProgramWithTheServoOnEndsCleanly)
{
    frame->OnCommand(Command::ManualJog);
    messages.answerNext(true);
    jog->OnServo();
    ASSERT_TRUE(jog->isSpeedDisplayRunning());
    frame->close(); // the window and its thread are gone with the frame's shutdown
    frame.reset();
    jog = nullptr;
}

TEST_F(OperationSession, DestroyingTheFrameWhileAProgramJogRunsEndsItsThreadFirst)
{
    frame->OnCommand(Command::ProgramJog);
    messages.answerNext(true);
    click(programJog->startButton());
    ASSERT_TRUE(programJog->running());
    frame.reset(); // no close event: the destructor's shutdown alone ends the run thread
    programJog = nullptr;
    jog = nullptr;
}

} // namespace
} // namespace tarvex
