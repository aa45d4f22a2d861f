// The manual jog window against the virtual drive: what reaches the
// operation command register (0x1056) and the jog speed (0x009E) for the
// servo button, the jog buttons held and released, the lock, STOP, EXIT
// and "SpeedSet", and the current speed shown while the servo is on.
#include "app/operation/color_button.h"
#include "drive/connection/commands.h"
#include "app/operation/manual_jog_dlg.h"
#include "drive/connection/motion_tools.h"
#include "tests/app/operation/operation_fixture.h"
#include "tests/app/support/qt_test_application.h"
#include "tests/app/support/ui_pump.h"
#include "drive/motion/operation_registers.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

namespace tarvex {
namespace {

using namespace std::chrono_literals;
using test::pumpUntil;
using Values = std::vector<std::uint16_t>;

constexpr std::uint16_t kCommand = operation_register::kOperationCommand;
constexpr std::uint16_t kJogSpeed = operation_register::kJogSpeed;
constexpr std::uint16_t kDriveState = 0;
constexpr std::uint16_t kServoOnBit = 1u << 1;

class ManualJog : public test::OperationWindowFixture<CManualJogDlg> {
protected:
    void switchServoOn()
    {
        messages.answerNext(true);
        click(window->servoButton());
        ASSERT_TRUE(window->servoOn());
        requests.clear();
        messages.clear();
    }

    Values commands() const { return requests.singleWrites(kCommand); }

    // A point of the window away from every button.
    QPoint emptySpot() const { return {2, window->height() - 2}; }
};

TEST_F(ManualJog, OpeningShowsTheDrivesJogSpeedAndCurrentSpeed)
{
    window->present();
    EXPECT_EQ(requests.readsOf(kJogSpeed), 1u);
    EXPECT_EQ(requests.readsOf(operation_register::kCurrentSpeed), 1u);
    EXPECT_EQ(window->speedEdit().text(), "500");
    EXPECT_EQ(window->speedSlider().value(), 500);
    EXPECT_EQ(window->speedSlider().maximum(), 6000);
    EXPECT_EQ(window->currentSpeedBox().text(), "0");
    EXPECT_FALSE(window->stopButton().isEnabled()) << "STOP waits for the lock";
    EXPECT_EQ(window->windowTitle(), "Manual JOG Operation");
    EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ManualJog, TheServoGoesOnOnlyAfterYes)
{
    open();
    messages.answerNext(false);
    click(window->servoButton());
    EXPECT_TRUE(commands().empty());
    EXPECT_FALSE(window->servoOn());
    EXPECT_EQ(window->servoButton().text(), "Servo ON");
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].text, "Do you want to operate Servo ON?");
    EXPECT_EQ(messages.messages()[0].caption, "WARNING");

    messages.answerNext(true);
    click(window->servoButton());
    EXPECT_EQ(commands(), Values{1});
    EXPECT_TRUE(window->servoOn());
    EXPECT_EQ(window->servoButton().text(), "Servo OFF");
    EXPECT_TRUE(registerValue(kDriveState) & kServoOnBit);
    EXPECT_TRUE(window->isSpeedDisplayRunning());

    click(window->servoButton());
    EXPECT_EQ(commands(), (Values{1, 6}));
    EXPECT_FALSE(window->servoOn());
    EXPECT_EQ(window->servoButton().text(), "Servo ON");
    EXPECT_FALSE(registerValue(kDriveState) & kServoOnBit);
    EXPECT_TRUE(pumpUntil([&] { return !window->isSpeedDisplayRunning(); }));
}

TEST_F(ManualJog, HoldingAJogButtonJogsUntilTheRelease)
{
    open();
    switchServoOn();

    QTest::mousePress(&window->forwardButton(), Qt::LeftButton);
    EXPECT_EQ(commands(), Values{2});
    EXPECT_EQ(window->forwardButton().backgroundColor(), CColorButton::kPressedJog);
    EXPECT_EQ(window->reverseButton().backgroundColor(), CColorButton::kNormal);
    EXPECT_FALSE(window->forwardButton().isDown()) << "the window takes the press, not the button";
    ASSERT_TRUE(pumpUntil([&] { return window->currentSpeedBox().text().toInt() > 100; }))
        << "the speed display follows the motor";

    QTest::mouseRelease(&window->forwardButton(), Qt::LeftButton);
    EXPECT_EQ(commands(), (Values{2, 1}));
    EXPECT_EQ(window->forwardButton().backgroundColor(), CColorButton::kNormal);

    QTest::mousePress(&window->reverseButton(), Qt::LeftButton);
    EXPECT_EQ(window->reverseButton().backgroundColor(), CColorButton::kPressedJog);
    ASSERT_TRUE(pumpUntil([&] { return window->currentSpeedBox().text().toInt() < -100; }))
        << "a reverse speed is shown signed";
    QTest::mouseRelease(&window->reverseButton(), Qt::LeftButton);
    EXPECT_EQ(commands(), (Values{2, 1, 4, 1}));
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
}

TEST_F(ManualJog, AReleaseAnywhereInTheWindowStopsTheJog)
{
    open();
    switchServoOn();
    QTest::mousePress(&window->forwardButton(), Qt::LeftButton);
    QTest::mouseRelease(window.get(), Qt::LeftButton, {}, emptySpot());
    EXPECT_EQ(commands(), (Values{2, 1}));

    // A double click jogs once and stops once.
    QTest::mouseDClick(&window->reverseButton(), Qt::LeftButton);
    EXPECT_EQ(commands(), (Values{2, 1, 4, 1, 4, 1}));
}

TEST_F(ManualJog, TheLockKeepsTheJogRunningUntilStop)
{
    open();
    switchServoOn();
    click(window->lockButton());
    EXPECT_TRUE(window->locked());
    EXPECT_EQ(window->lockButton().text(), "UNLOCK");
    EXPECT_TRUE(window->stopButton().isEnabled());

    QTest::mousePress(&window->forwardButton(), Qt::LeftButton);
    QTest::mouseRelease(&window->forwardButton(), Qt::LeftButton);
    test::pumpFor(100ms);
    EXPECT_EQ(commands(), Values{2}) << "the release sends nothing while locked";
    EXPECT_EQ(window->forwardButton().backgroundColor(), CColorButton::kPressedJog);
    EXPECT_GT(static_cast<std::int16_t>(registerValue(operation_register::kCurrentSpeed)), 0);

    click(window->stopButton());
    EXPECT_EQ(commands(), (Values{2, 1}));
    EXPECT_EQ(window->forwardButton().backgroundColor(), CColorButton::kNormal);

    click(window->lockButton());
    EXPECT_FALSE(window->locked());
    EXPECT_EQ(window->lockButton().text(), "LOCK");
    EXPECT_FALSE(window->stopButton().isEnabled());
    EXPECT_EQ(commands(), (Values{2, 1})) << "nothing was running: unlocking sends nothing";
}

TEST_F(ManualJog, UnlockingStopsAJogTheLockKeptGoing)
{
    open();
    switchServoOn();
    click(window->lockButton());
    QTest::mousePress(&window->reverseButton(), Qt::LeftButton);
    QTest::mouseRelease(&window->reverseButton(), Qt::LeftButton);
    ASSERT_EQ(commands(), Values{4});

    // STOP is disabled from here on: the jog must not run on without it.
    click(window->lockButton());
    EXPECT_EQ(commands(), (Values{4, 1}));
    EXPECT_EQ(window->reverseButton().backgroundColor(), CColorButton::kNormal);
}

TEST_F(ManualJog, WithTheServoOffAPressIsRefusedAndAReleaseSendsNothing)
{
    open();
    QTest::mousePress(&window->forwardButton(), Qt::LeftButton);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Operate SVON ON, first"});
    EXPECT_EQ(window->forwardButton().backgroundColor(), CColorButton::kNormal);
    QTest::mouseRelease(&window->forwardButton(), Qt::LeftButton);
    QTest::mouseClick(&window->reverseButton(), Qt::LeftButton);
    EXPECT_EQ(requests.writeCount(), 0u);
}

TEST_F(ManualJog, AHoldThatLosesTheWindowEndsWithAStop)
{
    open();
    switchServoOn();

    // Another window takes the focus while Forward is held.
    QTest::mousePress(&window->forwardButton(), Qt::LeftButton);
    QWidget other;
    other.resize(100, 100);
    test::showActive(other);
    ASSERT_TRUE(pumpUntil([&] { return !window->jogHeld(); }));
    EXPECT_EQ(commands(), (Values{2, 1}));
    other.hide();
    test::showActive(*window);

    // A modal box blocks the window while Reverse is held.
    QTest::mousePress(&window->reverseButton(), Qt::LeftButton);
    QDialog box;
    box.setModal(true);
    box.show();
    ASSERT_TRUE(pumpUntil([&] { return !window->jogHeld(); }));
    EXPECT_EQ(commands(), (Values{2, 1, 4, 1}));
    box.hide();
    test::showActive(*window);

    // The mouse moves with the button up: the release went astray.
    QTest::mousePress(&window->forwardButton(), Qt::LeftButton);
    QTest::mouseRelease(&other, Qt::LeftButton); // somewhere else entirely
    QTest::mouseMove(window.get(), emptySpot());
    ASSERT_TRUE(pumpUntil([&] { return !window->jogHeld(); }));
    EXPECT_EQ(commands(), (Values{2, 1, 4, 1, 2, 1}));
}

TEST_F(ManualJog, WithTheLockEngagedLosingTheWindowKeepsTheJog)
{
    open();
    switchServoOn();
    click(window->lockButton());
    QTest::mousePress(&window->forwardButton(), Qt::LeftButton);
    QWidget other;
    other.resize(100, 100);
    test::showActive(other);
    test::pumpFor(50ms);
    EXPECT_EQ(commands(), Values{2});
}

TEST_F(ManualJog, SpeedSetTakesTheTypedSpeedNotTheSliders)
{
    open();
    window->speedEdit().setText("7000");
    EXPECT_EQ(window->speedSlider().value(), 6000) << "the slider stops at its end";
    EXPECT_EQ(window->speedEdit().text(), "7000") << "the box keeps what was typed";
    click(window->speedSetButton());
    EXPECT_EQ(messages.texts(), std::vector<std::string>{kJogSpeedAboveMaximum})
        << "7000 is checked as typed, against the 5000 r/min motor, not taken as the slider's 6000";
    EXPECT_TRUE(requests.singleWrites(kJogSpeed).empty());

    messages.clear();
    window->speedSlider().setValue(1234);
    EXPECT_EQ(window->speedEdit().text(), "1234");
    click(window->speedSetButton());
    EXPECT_EQ(requests.singleWrites(kJogSpeed), Values{1234});
    EXPECT_EQ(registerValue(kJogSpeed), 1234);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ManualJog, SpeedSetRefusesTextThatIsNoJogSpeed)
{
    open();
    for (const char *text : {"", "abc", "12a", "1.5", "-1", "65536", "99999999999999999999"}) {
        messages.clear();
        window->speedEdit().setText(QString::fromLatin1(text));
        click(window->speedSetButton());
        EXPECT_EQ(messages.texts(), std::vector<std::string>{kJogSpeedRefused}) << text;
    }
    EXPECT_TRUE(requests.singleWrites(kJogSpeed).empty());
    EXPECT_EQ(registerValue(kJogSpeed), 500);

    window->speedEdit().setText(" 5000 ");
    click(window->speedSetButton());
    EXPECT_EQ(requests.singleWrites(kJogSpeed), Values{5000});
}

TEST_F(ManualJog, SpeedSetRefusesASpeedAboveTheMotorsMaximum)
{
    open();
    ASSERT_EQ(registerValue(254), 5000) << "the virtual drive's motor";
    window->speedEdit().selectAll();
    QTest::keyClicks(&window->speedEdit(), "9000");
    click(window->speedSetButton());
    ASSERT_EQ(messages.texts(), std::vector<std::string>{kJogSpeedAboveMaximum});
    EXPECT_EQ(messages.messages().front().detail, "9000 r/min was typed; the motor allows 5000 r/min.");
    EXPECT_TRUE(requests.singleWrites(kJogSpeed).empty());
    EXPECT_EQ(registerValue(kJogSpeed), 500);

    messages.clear();
    window->speedEdit().selectAll();
    QTest::keyClicks(&window->speedEdit(), "5000");
    click(window->speedSetButton());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(registerValue(kJogSpeed), 5000);
}

TEST_F(ManualJog, ExitSwitchesTheServoOffAndRestoresTheJogSpeed)
{
    connection().setActiveFeature(feature_code::kJog);
    open();
    switchServoOn();
    window->speedEdit().setText("1200");
    click(window->speedSetButton());
    ASSERT_EQ(registerValue(kJogSpeed), 1200);

    click(window->exitButton());
    std::vector<std::pair<std::uint16_t, std::uint16_t>> writes;
    for (const auto &r : requests.all())
        if (r.kind == test::DriveRequest::Kind::Write)
            writes.emplace_back(r.address, r.values.front());
    EXPECT_EQ(writes, (std::vector<std::pair<std::uint16_t, std::uint16_t>>{
                          {kJogSpeed, 1200}, {kCommand, 6}, {kJogSpeed, 500}}))
        << "the servo goes off first, then the speed read at opening goes back";
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->servoOn());
    EXPECT_EQ(connection().activeFeatureCode(), feature_code::kNone);
    EXPECT_FALSE(registerValue(kDriveState) & kServoOnBit);
    EXPECT_TRUE(pumpUntil([&] { return !window->isSpeedDisplayRunning(); }));

    // The next opening starts afresh from the drive.
    window->present();
    EXPECT_EQ(window->servoButton().text(), "Servo ON");
    EXPECT_EQ(window->speedEdit().text(), "500");
}

TEST_F(ManualJog, AFailedServoOffAtExitKeepsTheWindowOpen)
{
    open();
    switchServoOn();
    silenceDrive(true);
    click(window->exitButton());
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"Servo on Write Error", kMotionMayGoOn}));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->servoOn());
    silenceDrive(false);
}

TEST_F(ManualJog, ExitWhileDisconnectedSendsNothingAndCloses)
{
    connection().setActiveFeature(feature_code::kJog);
    open();
    connection().Disconnect();
    requests.clear();
    messages.clear();
    click(window->exitButton());
    EXPECT_EQ(requests.writeCount(), 0u);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(connection().activeFeatureCode(), feature_code::kNone);
}

TEST_F(ManualJog, ExitWithTheServoOnAndTheLinkClosedSaysWhatToDoAtTheDrive)
{
    open();
    switchServoOn();
    connection().Disconnect();
    messages.clear();
    click(window->exitButton());
    EXPECT_EQ(requests.writeCount(), 0u);
    EXPECT_TRUE(window->isVisible()) << "the servo may still be on";
    ASSERT_EQ(messages.count(kMotionMayGoOn), 1u);
    for (const Message &message : messages.messages()) {
        if (message.text == kMotionMayGoOn)
            EXPECT_EQ(message.detail, kMotionStopNotSent);
    }
}

TEST_F(ManualJog, EnterAndEscapeDoNothing)
{
    open();
    for (QWidget *focus : {static_cast<QWidget *>(&window->exitButton()),
                           static_cast<QWidget *>(&window->speedEdit())}) {
        focus->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
            QTest::keyClick(window->windowHandle(), key);
    }
    test::pumpFor(150ms);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(requests.writeCount(), 0u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ManualJog, AFailedSpeedReadFreezesTheDisplayUntilTheServoIsSwitchedAgain)
{
    open();
    switchServoOn();
    ASSERT_TRUE(window->isSpeedDisplayRunning());
    silenceDrive(true);
    ASSERT_TRUE(messages.waitFor("Current Speed Read Error", 10s));
    EXPECT_TRUE(pumpUntil([&] { return !window->isSpeedDisplayRunning(); }));
    EXPECT_TRUE(window->servoOn()) << "the servo stays on";
    EXPECT_EQ(messages.count("Current Speed Read Error"), 1u);
    silenceDrive(false);

    click(window->servoButton()); // off
    messages.answerNext(true);
    click(window->servoButton()); // on again
    EXPECT_TRUE(window->isSpeedDisplayRunning());
}

TEST_F(ManualJog, TheWatchdogsResetEndsTheDisplayAndTheButtonStillSwitchesTheServoOff)
{
    open();
    switchServoOn();
    connection().stalledFeatures().clearAll(); // what the link watchdog does after a stall
    EXPECT_FALSE(window->servoOn());
    EXPECT_TRUE(pumpUntil([&] { return !window->isSpeedDisplayRunning(); }));
    EXPECT_EQ(window->servoButton().text(), "Servo OFF");

    click(window->servoButton());
    EXPECT_EQ(commands(), Values{6}) << "the button does what it offers";
    EXPECT_EQ(window->servoButton().text(), "Servo ON");
    EXPECT_EQ(messages.count("Do you want to operate Servo ON?"), 0u);
}

TEST_F(ManualJog, ClosingTheProgramEndsTheSpeedDisplay)
{
    QWidget mainFrame;
    auto owned = std::make_unique<CManualJogDlg>(&mainFrame);
    FeatureWindow &feature = *owned;
    owned->attach(connection());
    const std::size_t switches = connection().stalledFeatures().size();
    owned->present();
    messages.answerNext(true);
    owned->OnServo();
    ASSERT_TRUE(owned->isSpeedDisplayRunning());
    feature.endWork(); // what the frame does before it releases the link library
    EXPECT_FALSE(owned->isSpeedDisplayRunning());
    owned.reset();
    EXPECT_EQ(connection().stalledFeatures().size(), switches - 1) << "the run switch has been withdrawn";
}

// The window follows the drive, not its own belief: after an alarm trips
// the servo, or with the link gone, a press on Forward sends nothing (not
// even the stop that would switch the servo on again), the drive stays
// still and the window's status line says why.
TEST_F(ManualJog, APressThatCannotMoveTheMotorSendsNothingAndSaysWhy)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    enum class Cut { AlarmFollowed, AlarmAtThePress, LinkClosed, NoReply };
    struct Case {
        Cut cut;
        const char *name;
        std::string says;
        bool servoShownOff; // the window stops offering "Servo OFF"
    };
    const std::vector<Case> cases = {
        {Cut::AlarmFollowed, "alarm followed", "Forward does nothing: the drive has the active alarm AL - 52", true},
        {Cut::AlarmAtThePress, "alarm at the press", "Forward does nothing: the drive has the active alarm AL - 52",
         true},
        {Cut::LinkClosed, "link closed", "Forward does nothing: not connected to the drive", false},
        {Cut::NoReply, "no reply", "Forward does nothing: no reply from node 0", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (!connection().isLinkOpen())
            connection().Connect();
        virtualDrive().resetAlarm();
        open();
        ASSERT_TRUE(pumpUntil([&] { return window->driveStatusLine().text() == "Drive: Servo OFF"; }, 30s))
            << window->driveStatusLine().text().toStdString();
        switchServoOn();
        ASSERT_TRUE(pumpUntil([&] { return window->driveStatusLine().text() == "Drive: Servo ON"; }, 30s));

        switch (c.cut) {
        case Cut::AlarmFollowed:
            virtualDrive().raiseAlarm(0x52);
            // Nothing touched: the window learns it from the drive.
            ASSERT_TRUE(pumpUntil([&] { return !window->servoOn(); }, 30s));
            EXPECT_TRUE(window->driveStatusLine().text().startsWith("Drive: Servo OFF, alarm AL - 52"))
                << window->driveStatusLine().text().toStdString();
            break;
        case Cut::AlarmAtThePress:
            virtualDrive().raiseAlarm(0x52);
            break;
        case Cut::LinkClosed:
            connection().Disconnect();
            break;
        case Cut::NoReply:
            silenceDrive(true);
            break;
        }
        requests.clear();
        messages.clear();
        QTest::mousePress(&window->forwardButton(), Qt::LeftButton);
        QTest::mouseRelease(&window->forwardButton(), Qt::LeftButton);
        EXPECT_EQ(requests.writeCount(), 0u);
        EXPECT_TRUE(window->driveStatusLine().text().contains(QString::fromStdString(c.says)))
            << window->driveStatusLine().text().toStdString();
        EXPECT_EQ(window->forwardButton().backgroundColor(), CColorButton::kNormal);
        EXPECT_TRUE(messages.empty()) << "said in the window, not in a box: " << messages.texts().front();
        EXPECT_EQ(window->servoButton().text(), c.servoShownOff ? "Servo ON" : "Servo OFF");
        silenceDrive(false);
        const auto motion = virtualDrive().motion();
        EXPECT_FALSE(motion.jogging);
        EXPECT_LT(std::abs(motion.speedRpm), 5.0);
        if (c.servoShownOff)
            EXPECT_FALSE(motion.servoOn) << "nothing switched the servo on again";

        // Leave the drive at rest for the next case.
        if (!connection().isLinkOpen())
            connection().Connect();
        click(window->exitButton());
        ASSERT_FALSE(window->isVisible());
        EXPECT_TRUE(virtualDrive().motion().atRest());
    }
#endif
}

} // namespace
} // namespace tarvex
