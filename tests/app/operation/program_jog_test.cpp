// The program jog window against the virtual drive: the program read from
// and written to the eight registers from 0x00A0, the start and stop
// command at 0x1058, EXIT, and the speed poll that stops the run when a
// read fails.
#include "drive/connection/commands.h"
#include "drive/motion/jog_manual.h"
#include "app/operation/motor_animation.h"
#include "tests/app/operation/operation_fixture.h"
#include "tests/app/support/qt_test_application.h"
#include "tests/app/support/ui_pump.h"
#include "drive/motion/operation_registers.h"
#include "app/operation/program_jog_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace tarvex {
namespace {

using namespace std::chrono_literals;
using test::pumpUntil;
using Values = std::vector<std::uint16_t>;

constexpr std::uint16_t kProgram = operation_register::kProgramFirst;
constexpr std::uint16_t kCommand = operation_register::kProgramJogCommand;
constexpr const char *kStartQuestion = "  First, you should check SVON status if it is OFF !!";

std::uint16_t word(int value) { return static_cast<std::uint16_t>(static_cast<std::int16_t>(value)); }

class ProgramJog : public test::OperationWindowFixture<CProgramJogDlg> {
protected:
    void start()
    {
        messages.answerNext(true);
        click(window->startButton());
        ASSERT_TRUE(window->running());
        requests.clear();
    }

    Values commands() const { return requests.singleWrites(kCommand); }

    Values programInDrive()
    {
        Values values;
        for (int i = 0; i < operation_register::kProgramValues; ++i)
            values.push_back(registerValue(static_cast<std::uint16_t>(kProgram + 2 * i)));
        return values;
    }
};

TEST_F(ProgramJog, OpeningShowsTheDrivesProgram)
{
    window->present();
    const auto reads = requests.all();
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0].address, kProgram);
    EXPECT_EQ(reads[0].count, 8);
    EXPECT_EQ(reads[1].address, operation_register::kCurrentSpeed);
    const char *shown[] = {"500", "-500", "1000", "0", "1000", "1000", "1000", "0"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(window->programEdit(i).text(), shown[i]) << "box " << i;
    EXPECT_EQ(window->currentSpeedBox().text(), "0");
    EXPECT_EQ(window->startButton().text(), "Start");
    EXPECT_EQ(window->windowTitle(), "Program_JOG");
    EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ProgramJog, AFailedReadAtOpeningLeavesTheBoxesEmpty)
{
    silenceDrive(true);
    window->present();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"pJOG Parameter Read Error"});
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(window->programEdit(i).text().isEmpty());
    EXPECT_TRUE(window->isVisible()) << "the window stays usable";
}

TEST_F(ProgramJog, ApplyWritesTheBoxesInRegisterOrder)
{
    open();
    window->programEdit(0).setText("700");
    window->programEdit(3).setText("-5000"); // the motor's maximum speed, reverse
    window->programEdit(4).setText("1200");
    window->programEdit(7).setText(" 32767");
    messages.answerNext(true); // the last time shares its register with the notch switch
    click(window->applyButton());
    const Values expected{700, word(-500), 1000, word(-5000), 1200, 1000, 1000, 32767};
    EXPECT_EQ(requests.blockWrites(kProgram), std::vector<Values>{expected});
    EXPECT_EQ(programInDrive(), expected);
    EXPECT_EQ(messages.texts().size(), 1u);
}

TEST_F(ProgramJog, ApplyRefusesAStepSpeedAboveTheMotorsMaximum)
{
    open();
    const Values before = programInDrive();
    window->programEdit(2).selectAll();
    QTest::keyClicks(&window->programEdit(2), "-5001");
    click(window->applyButton());
    ASSERT_EQ(messages.texts(), std::vector<std::string>{kJogSpeedAboveMaximum});
    EXPECT_EQ(messages.messages().front().detail, "Speed 3: -5001 r/min; the motor allows 5000 r/min.");
    EXPECT_TRUE(window->programEdit(2).hasFocus());
    EXPECT_EQ(requests.writeCount(), 0u);
    EXPECT_EQ(programInDrive(), before);
}

TEST_F(ProgramJog, ApplyAsksBeforeTheLastTimeChangesTheNotchSwitch)
{
    open();
    const Values before = programInDrive();
    const std::uint16_t time4 = before[7];
    const std::string question = "Register 174 is both Program Jog Time 4 and Notch Filter Use. Writing Program Jog "
                                 "Time 4 = 2000 changes Notch Filter Use from " +
                                 std::to_string(time4) + " to 2000. Write anyway?";
    window->programEdit(7).selectAll();
    QTest::keyClicks(&window->programEdit(7), "2000");
    messages.answerNext(false);
    click(window->applyButton());
    ASSERT_EQ(messages.texts(), std::vector<std::string>{question});
    EXPECT_EQ(messages.messages().front().caption, "Shared Register");
    EXPECT_EQ(requests.writeCount(), 0u) << "No writes nothing";
    EXPECT_EQ(programInDrive(), before);

    // Another tool switched the notch filter on meanwhile: the question
    // names what the drive holds now.
    std::uint8_t status = 1;
    connection().link().WrSgRegister(174, 1, &status);
    ASSERT_EQ(status, 0);
    messages.clear();
    window->programEdit(7).selectAll();
    QTest::keyClicks(&window->programEdit(7), std::to_string(time4).c_str());
    messages.answerNext(true);
    click(window->applyButton());
    ASSERT_EQ(messages.texts().size(), 1u);
    EXPECT_NE(messages.texts().front().find("changes Notch Filter Use from 1 to"), std::string::npos);
    EXPECT_EQ(programInDrive(), before);

    // Unchanged, the program goes without a question.
    messages.clear();
    click(window->applyButton());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(requests.blockWrites(kProgram).size(), 2u);
}

TEST_F(ProgramJog, ApplyRefusesABoxThatHoldsNoSigned16BitInteger)
{
    open();
    const Values before = programInDrive();
    for (const char *text : {"", "abc", "12x", "32768", "-32769", "1e3"}) {
        messages.clear();
        window->programEdit(0).setText("111"); // a new value in an earlier box
        window->programEdit(5).setText(QString::fromLatin1(text));
        click(window->applyButton());
        EXPECT_EQ(messages.texts(),
                  std::vector<std::string>{"Please enter an integer between -32768 and 32767."})
            << text;
        EXPECT_TRUE(window->programEdit(5).hasFocus());
    }
    EXPECT_EQ(requests.writeCount(), 0u) << "nothing, not even the valid boxes, is written";
    EXPECT_EQ(programInDrive(), before);
}

TEST_F(ProgramJog, StartRunsOnlyAfterYesAndStopEndsTheRun)
{
    open();
    messages.answerNext(false);
    click(window->startButton());
    EXPECT_TRUE(commands().empty());
    EXPECT_FALSE(window->running());
    EXPECT_EQ(window->startButton().text(), "Start");
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, kStartQuestion);
    EXPECT_EQ(messages.messages()[0].caption, "WARNING");

    messages.answerNext(true);
    click(window->startButton());
    EXPECT_EQ(commands(), Values{1});
    EXPECT_TRUE(window->running());
    EXPECT_EQ(window->startButton().text(), "Stop");
    EXPECT_TRUE(window->animation().isPlaying());
    EXPECT_TRUE(window->isSpeedPollRunning());
    ASSERT_TRUE(pumpUntil([&] { return window->currentSpeedBox().text().toInt() > 100; }))
        << "the speed of the program's first step is shown";

    click(window->startButton());
    EXPECT_EQ(commands(), (Values{1, 0}));
    EXPECT_FALSE(window->running());
    EXPECT_EQ(window->startButton().text(), "Start");
    EXPECT_FALSE(window->animation().isPlaying());
    EXPECT_EQ(window->animation().currentFrame(), 0) << "the clip is rewound";
    EXPECT_TRUE(pumpUntil([&] { return !window->isSpeedPollRunning(); }));
    test::pumpFor(50ms);
    EXPECT_EQ(window->currentSpeedBox().text(), "0") << "no late reading overwrites the stop's 0";
    EXPECT_EQ(registerValue(kCommand), 0);
    EXPECT_TRUE(messages.count(kStartQuestion) == 2 && messages.texts().size() == 2);
}

TEST_F(ProgramJog, ANegativeSpeedIsShownSigned)
{
    open();
    window->programEdit(0).setText("-1000");
    window->programEdit(4).setText("30000");
    click(window->applyButton());
    start();
    ASSERT_TRUE(pumpUntil([&] { return window->currentSpeedBox().text().toInt() < -900; }));
    EXPECT_GT(registerValue(operation_register::kCurrentSpeed), 0x8000u) << "the drive sends it as 16 bits";
    click(window->startButton());
}

TEST_F(ProgramJog, ApplyWhileRunningWritesTheProgramWithoutMessage)
{
    open();
    start();
    ASSERT_TRUE(pumpUntil([&] { return window->currentSpeedBox().text().toInt() > 255; }));
    window->programEdit(1).setText("-700");
    click(window->applyButton());
    EXPECT_EQ(requests.blockWrites(kProgram).size(), 1u);
    EXPECT_EQ(registerValue(kProgram + 2), word(-700));
    EXPECT_EQ(messages.texts().size(), 1u) << "only the start question";
    click(window->startButton());
}

TEST_F(ProgramJog, ExitStopsARunningProgramBeforeClosing)
{
    connection().setActiveFeature(feature_code::kJog);
    open();
    start();
    click(window->exitButton());
    EXPECT_EQ(commands(), Values{0});
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->running());
    EXPECT_EQ(connection().activeFeatureCode(), feature_code::kNone);
    EXPECT_EQ(registerValue(kCommand), 0);
    EXPECT_TRUE(pumpUntil([&] { return !window->isSpeedPollRunning(); }));

    // Idle, EXIT writes nothing.
    window->present();
    requests.clear();
    click(window->exitButton());
    EXPECT_EQ(requests.writeCount(), 0u);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(ProgramJog, AFailedSpeedReadWhileRunningStopsTheRun)
{
    open();
    start();
    damageNextReplies(8); // every attempt of the next read
    ASSERT_TRUE(messages.waitFor("Current Speed Read Error", 10s));
    ASSERT_TRUE(pumpUntil([&] { return !window->isSpeedPollRunning(); }));
    EXPECT_EQ(commands(), Values{0});
    EXPECT_EQ(registerValue(kCommand), 0);
    EXPECT_FALSE(window->running());
    ASSERT_TRUE(pumpUntil([&] { return window->startButton().text() == "Start"; }));
    EXPECT_FALSE(window->animation().isPlaying());
    EXPECT_EQ(messages.count("Current Speed Read Error"), 1u);
}

TEST_F(ProgramJog, AFailedStartLeavesTheWindowIdle)
{
    open();
    silenceDrive(true);
    messages.answerNext(true);
    click(window->startButton());
    silenceDrive(false);
    EXPECT_EQ(messages.count("pJog Operation  Write Error"), 1u);
    EXPECT_FALSE(window->running());
    EXPECT_EQ(window->startButton().text(), "Start");
    EXPECT_FALSE(window->isSpeedPollRunning());
}

TEST_F(ProgramJog, AfterTheWatchdogsResetTheButtonStillStopsTheDrive)
{
    open();
    start();
    connection().stalledFeatures().clearAll(); // what the link watchdog does after a stall
    ASSERT_TRUE(pumpUntil([&] { return !window->isSpeedPollRunning(); }));
    EXPECT_TRUE(commands().empty()) << "the poll ends without a stop of its own";
    EXPECT_EQ(window->startButton().text(), "Stop");

    click(window->startButton());
    EXPECT_EQ(commands(), Values{0});
    EXPECT_EQ(window->startButton().text(), "Start");
    EXPECT_EQ(messages.count(kStartQuestion), 1u) << "no second question to start";
}

TEST_F(ProgramJog, EnterAndEscapeDoNothing)
{
    open();
    for (QWidget *focus : {static_cast<QWidget *>(&window->exitButton()),
                           static_cast<QWidget *>(&window->programEdit(2))}) {
        focus->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(window->windowHandle(), key);
    }
    test::pumpFor(100ms);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(requests.writeCount(), 0u);
}

TEST_F(ProgramJog, AnAlarmEndsTheRunInTheWindowAndSaysWhy)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    open();
    messages.answerNext(true);
    click(window->startButton());
    ASSERT_TRUE(window->running());
    ASSERT_TRUE(pumpUntil([&] { return window->currentSpeedBox().text().toInt() > 100; }));

    virtualDrive().raiseAlarm(0x52);
    ASSERT_TRUE(pumpUntil([&] { return window->startButton().text() == "Start"; }, 30s))
        << "the window does not keep offering a run the drive has dropped";
    EXPECT_FALSE(window->running());
    EXPECT_FALSE(window->animation().isPlaying());
    EXPECT_TRUE(window->runStatusLine().text().contains("the drive has the active alarm AL - 52"))
        << window->runStatusLine().text().toStdString();
    EXPECT_EQ(registerValue(kCommand), 0) << "the run stays stopped once the alarm is reset";
    EXPECT_FALSE(virtualDrive().motion().programRunning);

    // After the reset the drive stays still: nothing starts the program again unasked.
    virtualDrive().resetAlarm();
    EXPECT_TRUE(pumpUntil([&] { return virtualDrive().motion().atRest(); }, 30s));
    EXPECT_FALSE(virtualDrive().motion().programRunning);
    EXPECT_TRUE(messages.count(kStartQuestion) == 1 && messages.texts().size() == 1) << messages.texts().back();
#endif
}

} // namespace
} // namespace tarvex
