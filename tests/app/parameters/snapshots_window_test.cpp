// The Snapshots window against the virtual drive: All Write keeps a
// snapshot of what it replaces, the window lists it and its differences
// against the drive, and its restore (the snapshot opened in the parameter
// window, then All Write) leaves every parameter register as it was.
#include "app/parameters/snapshots_dlg.h"
#include "tests/app/parameters/parameter_session.h"
#include "tests/app/support/modal_window.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <filesystem>

namespace tarvex::test {
namespace {

using namespace catalogue;

std::vector<std::string> column(const QTableWidget &table, int c)
{
    std::vector<std::string> out;
    for (int r = 0; r < table.rowCount(); ++r)
        out.push_back(table.item(r, c) ? table.item(r, c)->text().toStdString() : std::string());
    return out;
}

// Each test program keeps its snapshots in its own data folder; each test
// starts with none.
class SnapshotsWindow : public ParameterSession {
protected:
    void SetUp() override
    {
        const std::string folder = snapshots::defaultSnapshotFolder();
        ASSERT_NE(folder.find("tarvex-test-config-"), std::string::npos) << "not the user's own: " << folder;
        std::filesystem::remove_all(folder);
        ParameterSession::SetUp();
    }
};

} // namespace

TEST_F(SnapshotsWindow, ASnapshotTakenBeforeAllWriteIsListedComparedAndRestoresEveryRegister)
{
    const std::map<std::uint16_t, std::uint16_t> before = parameterRegisters();
    openWindow();
    type(1, kSystemInertia + 1, "321");
    type(2, 2, "440");
    type(7, kFullclosedEncoderType + 1, "1");
    click(CParameterDlg::IDC_ALL_WRITE);
    ASSERT_EQ(messages.texts(), std::vector<std::string>{"Write Success, You need to on/off control power!"});
    ASSERT_EQ(changedRegisters(before), (std::vector<std::uint16_t>{82, 176, 702}));
    messages.clear();

    std::vector<std::string> reasons, drive, kept;
    std::string summary;
    bool compared = false;
    onceModal<CSnapshotsDlg>(*frame, [&](CSnapshotsDlg &box) {
        reasons = column(box.table(), CSnapshotsDlg::kColReason);
        QTest::mouseClick(&box.differencesButton(), Qt::LeftButton);
        compared = true;
        summary = box.summary().text().toStdString();
        drive = column(box.differences(), CSnapshotsDlg::kDiffDrive);
        kept = column(box.differences(), CSnapshotsDlg::kDiffSnapshot);
        QTest::mouseClick(&box.restoreButton(), Qt::LeftButton);
    });
    frame->snapshotsAction()->trigger();
    ASSERT_TRUE(compared);
    EXPECT_EQ(reasons, std::vector<std::string>{"All Write"});
    EXPECT_EQ(summary, "3 parameters differ from the snapshot.");
    EXPECT_EQ(drive, (std::vector<std::string>{"321", "440", "1"}));
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0], "100") << "what the drive held before All Write";
    EXPECT_EQ(std::to_string(before.at(176)), kept[1]);
    EXPECT_EQ(std::to_string(before.at(702)), kept[2]);
    EXPECT_TRUE(messages.empty()) << messages.texts().front();

    // The snapshot's values are in the window, not yet on the drive.
    EXPECT_EQ(value(1, kSystemInertia + 1), "100");
    EXPECT_EQ(valueColour(1, kSystemInertia + 1), kBlue);
    EXPECT_EQ(driveRegister(82), 321);
    click(CParameterDlg::IDC_ALL_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Write Success, You need to on/off control power!"});
    EXPECT_EQ(parameterRegisters(), before);
}

} // namespace tarvex::test
