// What the user types or loads is what reaches the drive, or nothing does:
// texts that are not complete numbers of the parameter's kind are refused
// by name for every data type, a refused cell shows the drive's value again,
// a garbled parameter file leaves its cells alone, and the register shared
// by "Notch Filter Use" and "Program Jog Time 4" never lets one cell
// silently overwrite the other.
#include "tests/app/parameters/parameter_session.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace tarvex::test {
namespace {

using namespace catalogue;

// Positions of the two parameters held in register 174.
constexpr int kControlNotchUse = 0;
constexpr int kSpeedJogTime4 = 19;
constexpr int kSpeedInternalSpeed1 = 4; // register 144, signed, -6000..6000

// One parameter of each data type with the texts it must refuse.
struct BadTexts {
    int group;
    int position;
    std::uint16_t address;
    const char *name;
    std::vector<const char *> texts;
    const char *accepted = nullptr; // the range and unit the refusal names, where checked here
};

std::ostream &operator<<(std::ostream &out, const BadTexts &b) { return out << b.name; }

class RefusedText : public ParameterSession, public ::testing::WithParamInterface<BadTexts> {};

TEST_P(RefusedText, IsNamedAndNothingIsWritten)
{
    const BadTexts &bad = GetParam();
    openWindow();
    selectGroup(bad.group);
    const int row = bad.position + 1;
    const std::string before = value(bad.group, row);
    const std::uint16_t held = driveRegister(bad.address);
    check(bad.group, row);
    for (const char *text : bad.texts) {
        const std::vector<std::string> refusal{std::string(bad.name) + " => Invalid Value \"" + text + "\""};
        messages.clear();
        type(bad.group, row, text);
        click(CParameterDlg::IDC_WRITE);
        EXPECT_EQ(messages.texts(), refusal);
        if (bad.accepted && !messages.messages().empty())
            EXPECT_NE(messages.messages()[0].detail.find(bad.accepted), std::string::npos)
                << messages.messages()[0].detail;
        EXPECT_EQ(driveRegister(bad.address), held) << text;
        EXPECT_EQ(value(bad.group, row), before) << text << ": the cell shows the drive's value again";

        // All Write refuses the same text before any block leaves.
        messages.clear();
        type(bad.group, row, text);
        click(CParameterDlg::IDC_ALL_WRITE);
        EXPECT_EQ(messages.texts(), refusal);
        EXPECT_EQ(driveRegister(bad.address), held) << text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryDataType, RefusedText,
    ::testing::Values(BadTexts{1, kSystemInertia, 82, "Inertia Ratio", {"abc", "1O0", "", "12.5", "70000", "-", "1,5"},
                               "takes a decimal integer from 0 to 30000 %."},
                      BadTexts{4, kSpeedInternalSpeed1, 144, "Internal Speed 1", {"--5", "40000", "1e3", "5-"},
                               "takes a decimal integer from -6000 to 6000 rpm."},
                      BadTexts{1, kSystemDisplay, 114, "Front Display Select", {"G", "10000", "0x", "-1"}},
                      BadTexts{1, kSystemProtection, 116, "Protection Function Select", {"-", "102", "111111", "1 1"}},
                      BadTexts{1, kSystemPulses, 102, "Encoder Output Pulses", {"10000x", "99999999999", "1.0"}}));

using ValueText = ParameterSession;

TEST_F(ValueText, AValueOutOfRangeGoesBackToTheDrivesValue)
{
    openWindow();
    selectGroup(1);
    type(1, kSystemInertia + 1, "40000");
    check(1, kSystemInertia + 1);
    click(CParameterDlg::IDC_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Error Parameter Range..!"});
    EXPECT_EQ(driveRegister(82), 100);
    EXPECT_EQ(value(1, kSystemInertia + 1), "100");
    EXPECT_FALSE(valueBold(1, kSystemInertia + 1)) << "the drive's value equals the default";
}

TEST_F(ValueText, AGarbledParameterFileLeavesItsCellsAndNamesTheLines)
{
    openWindow();
    ASSERT_TRUE(dialog().saveTo(QString::fromStdString((directory / "set.mpa").string())));
    std::ifstream in(directory / "set.mpa", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string contents = text.str();
    for (auto [from, to] : {std::pair<std::string, std::string>{"0x2001\t0.\t100\r\n", "0x2001\t0.\t\r\n"},
                            {"0x2011\t0.\t00000\r\n", "0x2011\t0.\t-\r\n"}}) {
        ASSERT_NE(contents.find(from), std::string::npos) << from;
        contents.replace(contents.find(from), from.size(), to);
    }
    directory.write("garbled.mpa", contents);

    ASSERT_TRUE(dialog().loadFrom(QString::fromStdString((directory / "garbled.mpa").string())));
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"Parameter File holds Invalid Values"});
    const std::string detail = messages.messages().front().detail;
    EXPECT_NE(detail.find("System, 0x2001 Inertia Ratio: \"\""), std::string::npos) << detail;
    EXPECT_NE(detail.find("System, 0x2011 Protection Function Select: \"-\""), std::string::npos) << detail;
    EXPECT_EQ(value(1, kSystemInertia + 1), "100");
    EXPECT_EQ(value(1, kSystemProtection + 1), "00000");

    messages.clear();
    click(CParameterDlg::IDC_ALL_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Write Success, You need to on/off control power!"});
    EXPECT_EQ(driveRegister(82), 100);
    EXPECT_EQ(driveRegister(116), 0) << "not 0xFFFD";
}

TEST_F(ValueText, BothRowsOfTheSharedRegisterShowWhatTheDriveHolds)
{
    openWindow();
    selectGroup(4);
    type(4, kSpeedJogTime4 + 1, "2000");
    check(4, kSpeedJogTime4 + 1);
    click(CParameterDlg::IDC_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{" Write Success !"});
    EXPECT_EQ(driveRegister(174), 2000);
    EXPECT_EQ(value(2, kControlNotchUse + 1), "2000") << "the notch switch reads the same register";

    // Another tool switches the notch filter on: Read shows it in both rows.
    setDriveRegister(174, 1);
    selectGroup(2);
    check(2, kControlNotchUse + 1);
    messages.clear();
    click(CParameterDlg::IDC_READ);
    EXPECT_EQ(value(2, kControlNotchUse + 1), "1");
    EXPECT_EQ(value(4, kSpeedJogTime4 + 1), "1");
}

TEST_F(ValueText, AllWriteRefusesTwoDifferentValuesForOneRegister)
{
    setDriveRegister(174, 0);
    openWindow();
    selectGroup(4);
    type(4, kSpeedJogTime4 + 1, "1");
    selectGroup(2);
    type(2, kControlNotchUse + 1, "0");
    click(CParameterDlg::IDC_ALL_WRITE);
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"Two Values for One Register..!"});
    const std::string detail = messages.messages().front().detail;
    EXPECT_NE(detail.find("Control, 0x2100 Notch Filter Use = 0"), std::string::npos) << detail;
    EXPECT_NE(detail.find("SpeedOperation, 0x230D Program Jog Time 4 = 1"), std::string::npos) << detail;
    EXPECT_EQ(driveRegister(82), 100);
    EXPECT_EQ(driveRegister(174), 0);

    // The same value in both rows goes.
    messages.clear();
    type(2, kControlNotchUse + 1, "1");
    click(CParameterDlg::IDC_ALL_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Write Success, You need to on/off control power!"});
    EXPECT_EQ(driveRegister(174), 1);
}

} // namespace
} // namespace tarvex::test
