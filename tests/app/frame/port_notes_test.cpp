// The adapter doctor's notes below the port field of Communication Setting:
// typed device by device, the field shows what the made-up sysfs says of
// each one's latency timer, with the remedy only where it is too slow.
#include "tests/app/support/frame_fixture.h"
#include "tests/app/support/ui_pump.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace tarvex {
namespace {

using test::FrameFixture;

TEST_F(FrameFixture, ThePortFieldShowsTheDoctorsNotesForTheTypedDevice)
{
    sysfs.write("class/tty/ttyUSB94/device/latency_timer", "16\n");
    sysfs.write("class/tty/ttyUSB95/device/latency_timer", "1\n");
    startFrame();
    frame->OnCommand(Command::CommunicationSetting);
    CCommSetDlg &dialog = frame->commSetDialog();
    QLineEdit &edit = *dialog.portField().lineEdit();
    const std::string slow = "latency timer 16 ms (at 1 ms the adapter passes replies on at once); "
                             "remedy: echo 1 | sudo tee " +
                             (sysfs.path() / "bus/usb-serial/devices/ttyUSB94/latency_timer").string();
    struct Case {
        const char *typed;
        std::string notes;
    };
    for (const Case &c : {Case{"/dev/ttyUSB94", slow + "\nthere is no such device"},
                          Case{"/dev/ttyUSB95", "latency timer 1 ms\nthere is no such device"}}) {
        SCOPED_TRACE(c.typed);
        edit.selectAll();
        QTest::keyClicks(&edit, c.typed);
        const QString expected = QString::fromStdString(c.notes);
        EXPECT_TRUE(test::pumpUntil([&] { return dialog.portNotes().text() == expected; }, std::chrono::seconds(60)))
            << dialog.portNotes().text().toStdString();
        EXPECT_FALSE(dialog.portNotes().isHidden());
    }
    dialog.OnCancel();
}

} // namespace
} // namespace tarvex
