// "Compare with file..." against the virtual drive: the file is chosen in
// the window's Open dialog, the rows that differ are listed with both
// values, and only the ticked file values reach the drive, through Write's
// checks. Files that cannot be read or do not parse list nothing.
#include "tests/app/support/file_dialog_driver.h"
#include "app/parameters/parameter_compare_dlg.h"
#include "tests/app/parameters/parameter_session.h"
#include "tests/app/support/modal_window.h"

#include <QApplication>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <sstream>

namespace tarvex::test {
namespace {

using namespace catalogue;

struct ListedRow {
    std::string number;
    std::string name;
    std::string drive;
    std::string file;
    bool ticked;
    bool operator==(const ListedRow &) const = default;
};

std::ostream &operator<<(std::ostream &out, const ListedRow &row)
{
    return out << row.number << " " << row.name << " " << row.drive << "/" << row.file << (row.ticked ? " ticked" : "");
}

std::vector<ListedRow> listed(const CParameterCompareDlg &box)
{
    std::vector<ListedRow> rows;
    const QTableWidget &table = box.table();
    const auto text = [&](int r, int c) { return table.item(r, c)->text().toStdString(); };
    for (int r = 0; r < table.rowCount(); ++r)
        rows.push_back({text(r, CParameterCompareDlg::kColNumber), text(r, CParameterCompareDlg::kColName),
                        text(r, CParameterCompareDlg::kColDrive), text(r, CParameterCompareDlg::kColFile),
                        table.item(r, CParameterCompareDlg::kColNumber)->checkState() == Qt::Checked});
    return rows;
}

class Compare : public ParameterSession {
protected:
    QString path(const std::string &name) const { return QString::fromStdString((directory / name).string()); }

    // The window's values saved to a file, as its text.
    std::string savedSettings()
    {
        EXPECT_TRUE(dialog().saveTo(path("set.mpa")));
        std::ifstream in(directory / "set.mpa", std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Saves the drive's settings as they are now, then changes three of them
    // on the drive, as a colleague's tuning would.
    void saveThenChangeThree()
    {
        ASSERT_TRUE(dialog().saveTo(path("before.mpa")));
        setDriveRegister(82, 250);  // System 0x2001 Inertia Ratio, 100 in the file
        setDriveRegister(176, 440); // Control 0x2101 Notch Filter Frequency, 1000
        setDriveRegister(468, 120); // PositionOperation 0x2409 Homing Timeout, 60
    }

    // Clicks "Compare with file...", picks `name` in the Open dialog and
    // hands the listing to `use` while it is up.
    void compareThroughTheButton(const std::string &name, std::function<void(CParameterCompareDlg &)> use)
    {
        QObject polls;
        answerNextFileDialog(path(name));
        bool shown = false;
        onceModal<CParameterCompareDlg>(polls, [&](CParameterCompareDlg &box) {
            shown = true;
            use(box);
        });
        QTest::mouseClick(&dialog().compareButton(), Qt::LeftButton);
        pump();
        EXPECT_TRUE(shown) << "no listing";
    }
};

const ListedRow kInertia{"0x2001", "Inertia Ratio", "250", "100", true};
const ListedRow kNotch{"0x2101", "Notch Filter Frequency", "440", "1000", true};
const ListedRow kHoming{"0x2409", "Homing Timeout", "120", "60", true};

TEST_F(Compare, ListsExactlyTheRowsThatDifferAndWritesTheTickedOnes)
{
    openWindow();
    showActive(dialog());
    saveThenChangeThree();
    const auto before = parameterRegisters();

    compareThroughTheButton("before.mpa", [&](CParameterCompareDlg &box) {
        EXPECT_EQ(listed(box), (std::vector<ListedRow>{kInertia, kNotch, kHoming}));
        // The notch filter stays as tuned: its tick goes, by the keyboard.
        QTableWidget &table = box.table();
        table.setFocus();
        table.setCurrentCell(1, CParameterCompareDlg::kColNumber);
        QTest::keyClick(&table, Qt::Key_Space);
        EXPECT_FALSE(listed(box)[1].ticked);
        QTest::mouseClick(&box.writeButton(), Qt::LeftButton);
    });

    EXPECT_EQ(messages.texts(), std::vector<std::string>{" Write Success !"});
    EXPECT_EQ(driveRegister(82), 100);
    EXPECT_EQ(driveRegister(176), 440);
    EXPECT_EQ(driveRegister(468), 60);
    EXPECT_EQ(changedRegisters(before), (std::vector<std::uint16_t>{82, 468}));
    // The grid shows what was written.
    EXPECT_EQ(value(1, kSystemInertia + 1), "100");
    EXPECT_EQ(valueColour(1, kSystemInertia + 1), kRed);
    EXPECT_EQ(value(5, kPositionHomingTimeout + 1), "60");
}

TEST_F(Compare, CancelWritesNothingAndLeavesTheGridsAsTheyWere)
{
    openWindow();
    showActive(dialog());
    saveThenChangeThree();
    type(1, kSystemInertia + 1, "777"); // typed, not yet written
    const auto before = parameterRegisters();
    compareThroughTheButton("before.mpa", [](CParameterCompareDlg &box) {
        EXPECT_EQ(box.table().rowCount(), 3);
        QTest::mouseClick(&box.cancelButton(), Qt::LeftButton);
    });
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
    EXPECT_TRUE(changedRegisters(before).empty());
    EXPECT_EQ(value(1, kSystemInertia + 1), "777");
}

TEST_F(Compare, WithNothingTickedNothingCanBeWritten)
{
    openWindow();
    showActive(dialog());
    saveThenChangeThree();
    compareThroughTheButton("before.mpa", [](CParameterCompareDlg &box) {
        QTableWidget &table = box.table();
        table.setFocus();
        for (int r = 0; r < table.rowCount(); ++r) {
            table.setCurrentCell(r, CParameterCompareDlg::kColNumber);
            QTest::keyClick(&table, Qt::Key_Space);
        }
        EXPECT_FALSE(box.writeButton().isEnabled());
        box.reject();
    });
}

TEST_F(Compare, AFileEqualToTheDriveListsNothingAndSaysSo)
{
    openWindow();
    ASSERT_TRUE(dialog().saveTo(path("same.mpa")));
    EXPECT_TRUE(dialog().compareWith(path("same.mpa")));
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"The drive holds the values of the file: no parameter differs."});
}

TEST_F(Compare, AFileThatCannotBeReadOrDoesNotParseIsRefused)
{
    openWindow();
    EXPECT_FALSE(dialog().compareWith(path("missing.mpa")));
    std::string contents = savedSettings();
    const std::string inertia = "0x2001\t0.\t100";
    ASSERT_NE(contents.find(inertia), std::string::npos);
    contents.replace(contents.find(inertia), inertia.size(), "0x2001\t0.\t1OO");
    directory.write("bad.mpa", contents);
    EXPECT_FALSE(dialog().compareWith(path("bad.mpa")));
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Cannot Open Parameter File", "Parameter File holds Invalid Values"}));
    EXPECT_NE(messages.messages()[1].detail.find("Inertia Ratio: \"1OO\""), std::string::npos)
        << messages.messages()[1].detail;
}

TEST_F(Compare, AValueOutOfRangeIsRefusedBeforeAnyGroupIsWritten)
{
    openWindow();
    showActive(dialog());
    std::string contents = savedSettings();
    // The homing timeout may not go above 600; the inertia is fine.
    for (auto [from, to] : {std::pair<std::string, std::string>{"0x2001\t0.\t100", "0x2001\t0.\t300"},
                            {"0x2409\t0.\t60", "0x2409\t0.\t700"}}) {
        ASSERT_NE(contents.find(from), std::string::npos) << from;
        contents.replace(contents.find(from), from.size(), to);
    }
    directory.write("range.mpa", contents);
    const auto before = parameterRegisters();
    compareThroughTheButton("range.mpa", [](CParameterCompareDlg &box) {
        EXPECT_EQ(box.table().rowCount(), 2);
        QTest::mouseClick(&box.writeButton(), Qt::LeftButton);
    });
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Error Parameter Range..!"});
    EXPECT_TRUE(changedRegisters(before).empty()) << "the System group's value was not written either";
}

TEST_F(Compare, AGroupRefusedAfterAnotherWasWrittenSaysWhatWentOut)
{
    openWindow();
    showActive(dialog());
    ASSERT_TRUE(dialog().saveTo(path("before.mpa")));
    setDriveRegister(82, 250);  // System 0x2001 Inertia Ratio: may change at any time
    setDriveRegister(198, 0x0003); // Control 0x210C Gain Switching Mode: servo off only
    servoOn();
    compareThroughTheButton("before.mpa", [](CParameterCompareDlg &box) {
        EXPECT_EQ(box.table().rowCount(), 2);
        QTest::mouseClick(&box.writeButton(), Qt::LeftButton);
    });
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Gain Switching Mode => You can't change parameter, please Turn off SVON ! ",
                                        "Not every selected value was written"}));
    EXPECT_EQ(messages.messages().back().detail,
              "The selected values of System were written; those of Control and after it were not.");
    EXPECT_EQ(driveRegister(82), 100);
    EXPECT_EQ(driveRegister(198), 0x0003);
}

TEST_F(Compare, TheButtonIsOffWithoutALink)
{
    frame->OnCommand(Command::Disconnect);
    pump();
    messages.clear();
    openWindow();
    EXPECT_FALSE(dialog().compareButton().isEnabled());
    EXPECT_EQ(dialog().compareButton().text(), QString::fromUtf8("Co&mpare with file\u2026"));
}

} // namespace
} // namespace tarvex::test
