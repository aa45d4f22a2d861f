// The tool window keys, pressed on the parameter window as the user does:
// F5 reads every group from the drive, Ctrl+O asks for a file to open and
// Ctrl+W closes the window; a key does nothing while its button is greyed.
#include "tests/app/support/file_dialog_driver.h"
#include "tests/app/parameters/parameter_session.h"
#include "tests/app/support/qt_test_application.h"

#include <QFileDialog>
#include <QPushButton>
#include <QTest>

#include <atomic>

namespace tarvex::test {
namespace {

// "rx: 00 03 00 52 00 11 ...": a read of more than one register, as only the
// group reads are (the link's presence check reads one).
bool isBlockRead(const std::string &line)
{
    if (line.rfind("rx: ", 0) != 0 || line.size() < 4 + 6 * 3 - 1)
        return false;
    const auto byte = [&](int i) { return std::stoi(line.substr(4 + 3 * static_cast<std::size_t>(i), 2), nullptr, 16); };
    return byte(1) == 0x03 && (byte(4) << 8 | byte(5)) > 1;
}

class ParameterKeys : public ParameterSession {
protected:
    void SetUp() override
    {
        TARVEX_NEEDS_VIRTUAL_DRIVE();
        driveLog = [this](const std::string &line) {
            if (isBlockRead(line))
                ++blockReads;
        };
        startSession();
    }

    std::atomic<int> blockReads{0};
};

TEST_F(ParameterKeys, F5ReadsTheDriveCtrlOAsksForAFileAndCtrlWCloses)
{
    openWindow();
    CParameterDlg &parameters = dialog();
    // The keys go to the active window; the boxes of a command take the
    // activation while they are up, and the window manager hands it back.
    const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        showActive(parameters);
        QTest::keyClick(&parameters, key, modifiers);
    };

    const int before = blockReads.load();
    press(Qt::Key_F5);
    EXPECT_GE(blockReads.load() - before, 7) << "F5 is All Read: every settings group and the status";

    bool asked = false;
    whenNextFileDialogShows([&](QFileDialog &dialog) {
        asked = dialog.acceptMode() == QFileDialog::AcceptOpen;
        dialog.reject();
    });
    press(Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(asked) << "Ctrl+O is the window's Open";

    // Greyed, as without a link: the key reads nothing.
    parameters.button(CParameterDlg::IDC_ALL_READ)->setEnabled(false);
    const int greyed = blockReads.load();
    press(Qt::Key_F5);
    EXPECT_EQ(blockReads.load(), greyed);
    parameters.button(CParameterDlg::IDC_ALL_READ)->setEnabled(true);

    press(Qt::Key_W, Qt::ControlModifier);
    QTest::qWait(50);
    EXPECT_FALSE(window->dialog() && window->dialog()->isVisible()) << "Ctrl+W closes the window";
}

} // namespace
} // namespace tarvex::test
