// Writing from the parameter window to the virtual drive: "Write" with its
// checks (nothing checked, the status tab, the servo on, the range and its
// exemptions, 32-bit values, the parameter lock below and above version
// 0.20), "All Write" with the monitoring guard, and the two lock buttons.
// A scripted drive stands in where the drive must refuse one read.
#include "tests/app/parameters/parameter_session.h"

namespace tarvex::test {
namespace {

using namespace catalogue;

using Writing = ParameterSession;

TEST_F(Writing, WriteSendsTheCheckedRowsAndRestylesTheGroup)
{
    openWindow();
    selectGroup(1);
    type(1, kSystemInertia + 1, "250");
    type(1, 4, "2"); // typed but not checked: not sent
    check(1, kSystemInertia + 1);
    click(CParameterDlg::IDC_WRITE);

    EXPECT_EQ(messages.texts(), std::vector<std::string>{" Write Success !"});
    EXPECT_EQ(driveRegister(82), 250);
    EXPECT_EQ(driveRegister(86), 1);
    EXPECT_EQ(valueColour(1, kSystemInertia + 1), kRed);
    EXPECT_TRUE(valueBold(1, kSystemInertia + 1));
    EXPECT_EQ(valueColour(1, 4), kRed) << "an unchecked row that differs from its default is red and bold";
    EXPECT_TRUE(valueBold(1, 4));
    EXPECT_EQ(valueColour(1, 5), kBlack);
    EXPECT_FALSE(valueBold(1, 5));

    // The drive's answer, read back.
    check(1, 4);
    click(CParameterDlg::IDC_READ);
    EXPECT_EQ(value(1, kSystemInertia + 1), "250");
    EXPECT_EQ(value(1, 4), "1");
}

TEST_F(Writing, AParameterThatNeedsAPowerCycleSaysSo)
{
    openWindow();
    selectGroup(7);
    type(7, kFullclosedEncoderType + 1, "2");
    check(7, kFullclosedEncoderType + 1);
    click(CParameterDlg::IDC_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{" Write Success, You need to on/off control power!"});
    EXPECT_EQ(driveRegister(702), 2);
}

TEST_F(Writing, NothingCheckedSendsNothing)
{
    openWindow();
    selectGroup(1);
    type(1, kSystemInertia + 1, "250");
    click(CParameterDlg::IDC_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"There isn't Checked Parameter!!!"});
    EXPECT_EQ(driveRegister(82), 100);
}

TEST_F(Writing, TheStatusGroupCannotBeWritten)
{
    openWindow();
    check(0, 1);
    click(CParameterDlg::IDC_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Can't change Data!"});
}

TEST_F(Writing, WithTheServoOnTheWriteStopsAtTheFirstRowThatNeedsItOff)
{
    servoOn();
    openWindow();
    selectGroup(1);
    type(1, kSystemInertia + 1, "250");
    type(1, kSystemResolution + 1, "17");
    type(1, 4, "2");
    check(1, kSystemInertia + 1);     // takes effect at once: written
    check(1, kSystemResolution + 1);  // power cycle: the servo must be off
    check(1, 4);
    click(CParameterDlg::IDC_WRITE);

    EXPECT_EQ(messages.texts(), std::vector<std::string>{
                                    "Encoder Resolution => You can't change parameter, please Turn off SVON ! "});
    EXPECT_EQ(driveRegister(82), 250) << "rows above the stop are written";
    EXPECT_EQ(driveRegister(84), 20);
    EXPECT_EQ(driveRegister(86), 1);
}

TEST_F(Writing, AValueOutOfRangeIsRefused)
{
    openWindow();
    selectGroup(1);
    type(1, kSystemInertia + 1, "30001");
    check(1, kSystemInertia + 1);
    click(CParameterDlg::IDC_WRITE);
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"Error Parameter Range..!"});
    EXPECT_NE(messages.messages().front().detail.find("Inertia Ratio"), std::string::npos);
    EXPECT_EQ(driveRegister(82), 100);
}

TEST_F(Writing, ExemptPositionsGoBeyondTheirLimitsWithWriteButNotWithAllWrite)
{
    openWindow();
    selectGroup(1);
    type(1, kSystemRegenResistor + 1, "5000"); // above its maximum of 1000
    check(1, kSystemRegenResistor + 1);
    click(CParameterDlg::IDC_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{" Write Success !"});
    EXPECT_EQ(driveRegister(92), 5000);

    messages.clear();
    selectGroup(5);
    type(5, kPositionHomingTimeout + 1, "0"); // below its minimum of 1: waived by Write
    check(5, kPositionHomingTimeout + 1);
    click(CParameterDlg::IDC_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{" Write Success !"});
    EXPECT_EQ(driveRegister(468), 0);

    messages.clear();
    type(5, kPositionHomingTimeout + 1, "700"); // the upper limit still holds
    click(CParameterDlg::IDC_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Error Parameter Range..!"});

    messages.clear();
    type(5, kPositionHomingTimeout + 1, "0");
    click(CParameterDlg::IDC_ALL_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Error Parameter Range..!"});
}

TEST_F(Writing, BitFieldsOfAnyLengthAreReadFromTheirOwnDigits)
{
    openWindow();
    selectGroup(1);
    check(1, kSystemProtection + 1);
    for (auto [typed, expected] : {std::pair<const char *, int>{"00101", 5}, {"101", 5}, {"1", 1}, {"11", 3},
                                   {"11111", 31}}) {
        messages.clear();
        type(1, kSystemProtection + 1, typed);
        click(CParameterDlg::IDC_WRITE);
        EXPECT_EQ(messages.texts(), std::vector<std::string>{" Write Success, You need to on/off control power!"});
        EXPECT_EQ(driveRegister(116), expected) << typed;
    }
}

TEST_F(Writing, AThirtyTwoBitValueGoesAsTwoSingleWrites)
{
    openWindow();
    selectGroup(1);
    type(1, kSystemPulses + 1, "65537");
    check(1, kSystemPulses + 1);
    const auto before = sim->counters().framesAnswered;
    click(CParameterDlg::IDC_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{" Write Success, You need to on/off control power!"});
    EXPECT_EQ(driveRegister(102), 1);
    EXPECT_EQ(driveRegister(104), 1);
    // The version read, then the two halves.
    EXPECT_GE(sim->counters().framesAnswered - before, 3);
}

TEST_F(Writing, ALockedDriveFromVersion020ReportsTheLock)
{
    openWindow();
    click(CParameterDlg::ID_PARAMETER_LOCK);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Parameter Lock Success!"});
    EXPECT_TRUE(sim->parameterLocked());

    messages.clear();
    selectGroup(1);
    type(1, kSystemInertia + 1, "250");
    check(1, kSystemInertia + 1);
    click(CParameterDlg::IDC_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{" Parameter Lock ! Click P.UnLock or Check CN-16"});
    EXPECT_EQ(driveRegister(82), 100);

    messages.clear();
    click(CParameterDlg::IDC_ALL_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{" Parameter Lock ! Click P.UnLock or Check CN-16"});

    messages.clear();
    click(CParameterDlg::ID_PARAMETER_UNLOCK);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Parameter UnLock Success!"});
    EXPECT_FALSE(sim->parameterLocked());
    messages.clear();
    click(CParameterDlg::IDC_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{" Write Success !"});
    EXPECT_EQ(driveRegister(82), 250);
}

TEST_F(Writing, ALockedDriveBelowVersion020TakesTheRefusalForSuccess)
{
    vq::sim::DriveIdentity old;
    old.versionHundredths = 19;
    sim->setIdentity(old);
    openWindow();
    EXPECT_EQ(value(0, kStatusVersion + 1), "A0.19.3");
    click(CParameterDlg::ID_PARAMETER_LOCK);
    messages.clear();
    selectGroup(1);
    type(1, kSystemInertia + 1, "250");
    check(1, kSystemInertia + 1);
    click(CParameterDlg::IDC_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{" Write Success !"});
    EXPECT_EQ(driveRegister(82), 100) << "the drive refused it";
}

TEST_F(Writing, AllWriteSendsEveryGroupFromTheGrids)
{
    openWindow();
    type(1, kSystemInertia + 1, "321");
    type(2, 2, "440");
    type(7, kFullclosedEncoderType + 1, "1");
    click(CParameterDlg::IDC_ALL_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Write Success, You need to on/off control power!"});
    EXPECT_EQ(driveRegister(82), 321);
    EXPECT_EQ(driveRegister(176), 440);
    EXPECT_EQ(driveRegister(702), 1);
    EXPECT_EQ(driveRegister(86), 1) << "unchanged values are written back as they are";
    EXPECT_EQ(valueColour(1, 4), kRed);
    EXPECT_FALSE(valueBold(1, 4));
    EXPECT_TRUE(valueBold(1, kSystemInertia + 1));
}

TEST_F(Writing, AllWriteChecksEveryGroupBeforeItSendsAny)
{
    openWindow();
    type(1, kSystemInertia + 1, "321");
    type(7, 11, "0"); // Fullclosed Position Loop Gain, 1..500
    click(CParameterDlg::IDC_ALL_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Error Parameter Range..!"});
    EXPECT_EQ(driveRegister(82), 100) << "nothing was sent";
}

TEST_F(Writing, AllWriteWhileMonitoringWritesNothing)
{
    openWindow();
    type(1, kSystemInertia + 1, "321");
    frame->OnCommand(Command::Start);
    pump(50);
    ASSERT_FALSE(dialog().button(CParameterDlg::IDC_ALL_WRITE)->isEnabled());
    // As a command that reaches the window while monitoring runs.
    dialog().OnAllWrite();
    pump();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Not used All download .( Turn off DataTrace.)"});
    EXPECT_FALSE(dialog().button(CParameterDlg::IDC_ALL_WRITE)->isEnabled());
    frame->OnCommand(Command::Stop);
    pump(50);
    EXPECT_EQ(driveRegister(82), 100);
}

// --- with a drive that refuses single reads ------------------------------------

class ScriptedWriting : public ParameterSession {
protected:
    void SetUp() override { startSession(DriveKind::Scripted); }
};

TEST_F(ScriptedWriting, AServoStateThatCannotBeReadStopsTheWrite)
{
    scripted->set(62, 27 << 5);
    openWindow();
    selectGroup(1);
    type(1, kSystemInertia + 1, "250");
    type(1, kSystemResolution + 1, "17");
    check(1, kSystemInertia + 1);
    check(1, kSystemResolution + 1);
    scripted->refuseReadsAt(0, 4);
    click(CParameterDlg::IDC_WRITE);
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"Servo State Read Error"});
    EXPECT_NE(messages.messages().front().detail.find("Encoder Resolution"), std::string::npos);
    EXPECT_EQ(scripted->value(82), 250);
    EXPECT_EQ(scripted->value(84), 20) << "never written to a drive whose servo state is unknown";
}

TEST_F(ScriptedWriting, AVersionThatCannotBeReadWritesNothing)
{
    openWindow();
    selectGroup(1);
    type(1, kSystemInertia + 1, "250");
    check(1, kSystemInertia + 1);
    scripted->refuseReadsAt(62, 4);
    click(CParameterDlg::IDC_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Drive Version Read Error"});
    EXPECT_EQ(scripted->value(82), 100);
}

} // namespace
} // namespace tarvex::test
