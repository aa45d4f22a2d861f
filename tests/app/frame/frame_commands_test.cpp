// The command table's enabling rules as the menu and toolbar show them,
// through the state changes of a session; the feature windows plugged in
// through the registry.
#include "tests/app/support/fake_usb_tty.h"
#include "tests/app/support/frame_fixture.h"
#include "app/monitor/static_panes.h"

#include <QCheckBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QApplication>
#include <QHelpEvent>
#include <QToolBar>
#include <QToolTip>

namespace tarvex {
namespace {

using test::FrameFixture;
using test::ProbeFeatureWindow;

FeatureWindowFactories probes(std::map<FeatureKind, ProbeFeatureWindow *> &made)
{
    FeatureWindowFactories factories;
    for (FeatureKind kind : {FeatureKind::Parameters, FeatureKind::TriggerGraph,
                             FeatureKind::TraceGraph, FeatureKind::ManualJog, FeatureKind::ProgramJog,
                             FeatureKind::AutoTuning, FeatureKind::AlarmGraph,
                             FeatureKind::AlarmHistory})
        factories.add(kind, [kind, &made](QWidget *) {
            auto window = std::make_unique<ProbeFeatureWindow>(kind);
            made[kind] = window.get();
            return window;
        });
    return factories;
}

TEST_F(FrameFixture, AtStartUpConnectWaitsForTheSettingDialog)
{
    startFrame();
    EXPECT_TRUE(enabled(Command::CommunicationSetting));
    EXPECT_FALSE(enabled(Command::Connect));
    EXPECT_FALSE(enabled(Command::Disconnect));
    EXPECT_FALSE(enabled(Command::Start));
    EXPECT_FALSE(enabled(Command::Stop));
    EXPECT_FALSE(enabled(Command::AlarmReset));
    EXPECT_TRUE(frame->action(Command::AlarmReset)->toolTip().contains("Needs a connection to the drive"));
    for (Command c : {Command::New, Command::Exit, Command::UserManual, Command::About})
        EXPECT_TRUE(enabled(c));
}

TEST_F(FrameFixture, CancellingTheFirstSettingDialogGreysConnectAgain)
{
    startFrame();
    frame->OnCommand(Command::CommunicationSetting);
    EXPECT_TRUE(frame->commSetDialog().isVisible());
    EXPECT_EQ(frame->state().connectionState(), connection_state::kSettingsChosen);
    test::pump();
    EXPECT_TRUE(enabled(Command::Connect));
    frame->commSetDialog().OnCancel();
    test::pump();
    EXPECT_EQ(frame->state().connectionState(), connection_state::kNothingChosen);
    EXPECT_FALSE(enabled(Command::Connect));
    EXPECT_FALSE(frame->commSetDialog().isVisible());
}

TEST_F(FrameFixture, TheSettingDialogOffersNodePortAndTheDrivesRates)
{
    startFrame();
    frame->OnCommand(Command::CommunicationSetting);
    CCommSetDlg &dialog = frame->commSetDialog();
    EXPECT_EQ(dialog.windowTitle(), "Communication Setting");
    EXPECT_EQ(dialog.nodeField().text(), "0");
    EXPECT_EQ(dialog.portField().currentText(), "1");
    EXPECT_EQ(dialog.baudList().currentText(), "19200");
    EXPECT_TRUE(dialog.baudList().isEnabled()) << "the drive may be set to any of its rates";
    EXPECT_TRUE(dialog.portField().isEnabled());
    EXPECT_EQ(dialog.baudList().count(), 4);

    dialog.nodeField().setText("5");
    dialog.portField().setEditText("3");
    dialog.baudList().setCurrentIndex(dialog.baudList().findText("57600"));
    dialog.OnOK();
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
    const LinkSettings settings = frame->drive().settings();
    EXPECT_EQ(settings.node, 5);
    EXPECT_EQ(settings.port, (PortChoice{3, ""}));
    EXPECT_EQ(settings.baud, 57600u);
    EXPECT_FALSE(dialog.isVisible());

    // Reopened, the dialog shows what was accepted.
    frame->OnCommand(Command::CommunicationSetting);
    EXPECT_EQ(dialog.nodeField().text(), "5");
    EXPECT_EQ(dialog.portField().currentText(), "3");
    EXPECT_EQ(dialog.baudList().currentText(), "57600");
    dialog.OnCancel();
    EXPECT_EQ(frame->state().connectionState(), connection_state::kSettingsChosen)
        << "cancelling after an accepted setting keeps it";

    // And so does the next run of the program.
    restartFrame();
    frame->OnCommand(Command::CommunicationSetting);
    CCommSetDlg &again = frame->commSetDialog();
    EXPECT_EQ(again.nodeField().text(), "5");
    EXPECT_EQ(again.portField().currentText(), "3");
    EXPECT_EQ(again.baudList().currentText(), "57600");
}

// A click on the box's indicator, as the user ticks it.
static void toggle(QCheckBox &box)
{
    QStyleOptionButton option;
    option.initFrom(&box);
    const QRect indicator = box.style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box);
    QTest::mouseClick(&box, Qt::LeftButton, {}, indicator.center());
}

TEST_F(FrameFixture, FastExchangeIsOffUntilTickedAndStaysAsLastAccepted)
{
    startFrame();
    frame->OnCommand(Command::CommunicationSetting);
    CCommSetDlg &dialog = frame->commSetDialog();
    QCheckBox &fast = dialog.fastExchangeBox();
    EXPECT_EQ(fast.text(), "Fast exchange");
    EXPECT_FALSE(fast.isChecked()) << "the specified timing is the default";
    toggle(fast);
    EXPECT_TRUE(fast.isChecked());
    dialog.OnOK();
    EXPECT_TRUE(frame->drive().settings().fastExchange);

    frame->OnCommand(Command::CommunicationSetting);
    EXPECT_TRUE(fast.isChecked()) << "reopened, it shows the last accepted choice";
    toggle(fast);
    dialog.OnCancel();
    EXPECT_TRUE(frame->drive().settings().fastExchange) << "a cancelled change is not applied";
    frame->OnCommand(Command::CommunicationSetting);
    EXPECT_TRUE(fast.isChecked());
    toggle(fast);
    dialog.OnOK();
    EXPECT_FALSE(frame->drive().settings().fastExchange);
}

TEST_F(FrameFixture, ThePortListDescribesEachAdapterAndAPickedOneConnectsItsNode)
{
    test::plugUsbTty(sysfs.path(), "ttyUSB4", "ftdi_sio", "0403", "usb1/1-2");
    sysfs.write("devices/usb1/1-2/idProduct", "6015\n");
    sysfs.write("devices/usb1/1-2/product", "FT230X Basic UART\n");
    startFrame();
    frame->OnCommand(Command::CommunicationSetting);
    QComboBox &ports = frame->commSetDialog().portField();
    const int ftdi = ports.findText("/dev/ttyUSB4: FTDI FT230X Basic UART [0403:6015], driver ftdi_sio");
    ASSERT_GE(ftdi, 0);
    ports.setCurrentIndex(ftdi);
    frame->commSetDialog().OnOK();
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
    EXPECT_EQ(frame->drive().settings().port.device, "/dev/ttyUSB4");
}

TEST_F(FrameFixture, AUsbSerialAdapterWinsOverTheTypedPort)
{
    test::plugUsbTty(sysfs.path(), "ttyUSB7", "pl2303", {}, "usb1/1-1");
    startFrame();
    frame->OnCommand(Command::CommunicationSetting);
    EXPECT_EQ(frame->commSetDialog().portField().currentText(), "/dev/ttyUSB7");
    frame->commSetDialog().portField().setEditText("3");
    frame->commSetDialog().OnOK();
    EXPECT_EQ(frame->drive().settings().port.device, "/dev/ttyUSB7");
}

TEST_F(FrameFixture, ATypedSerialDeviceServerAddressIsKeptBesideAUsbSerialAdapter)
{
    test::plugUsbTty(sysfs.path(), "ttyUSB7", "pl2303", {}, "usb1/1-1");
    startFrame();
    CCommSetDlg &dialog = frame->commSetDialog();
    QPushButton *ok = nullptr;
    for (QPushButton *button : dialog.findChildren<QPushButton *>())
        if (button->text() == QStringLiteral("OK"))
            ok = button;
    ASSERT_NE(ok, nullptr);
    const auto typeAndAccept = [&](const QString &text) {
        frame->OnCommand(Command::CommunicationSetting);
        QLineEdit *edit = dialog.portField().lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
        QTest::mouseClick(ok, Qt::LeftButton);
    };

    typeAndAccept(QStringLiteral("tcp://127.0.0.1"));
    EXPECT_EQ(messages.count("Please enter the serial device server as tcp://HOST:PORT or rfc2217://HOST:PORT."), 1u);
    EXPECT_FALSE(dialog.wasAccepted());

    typeAndAccept(QStringLiteral("rfc2217://127.0.0.1:4001"));
    EXPECT_TRUE(dialog.wasAccepted());
    EXPECT_EQ(frame->drive().settings().port.device, "rfc2217://127.0.0.1:4001");
    // Opened again, the dialog shows the address, not the adapter.
    frame->OnCommand(Command::CommunicationSetting);
    EXPECT_EQ(dialog.portField().currentText(), QStringLiteral("rfc2217://127.0.0.1:4001"));
}

TEST_F(FrameFixture, InvalidFieldsAreReportedAndNothingIsApplied)
{
    startFrame();
    frame->OnCommand(Command::CommunicationSetting);
    CCommSetDlg &dialog = frame->commSetDialog();
    dialog.nodeField().setText("");
    dialog.OnOK();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Please enter an integer between 0 and 99."});
    EXPECT_TRUE(dialog.isVisible());
    dialog.nodeField().setText("1");
    dialog.portField().setEditText("999");
    dialog.OnOK();
    EXPECT_EQ(messages.count("Please enter a port number between 1 and 255 or a device path."), 1u);
    EXPECT_FALSE(dialog.wasAccepted());
    EXPECT_EQ(frame->drive().baudRate(), 0u);
}

TEST_F(FrameFixture, StartWithoutALinkReportsIt)
{
    startFrame();
    // Greyed in the menu and the toolbar; a script may still ask for it.
    EXPECT_FALSE(enabled(Command::Start));
    frame->OnCommand(Command::Start);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Communication Error"});
    EXPECT_EQ(frame->state().monitorState(), monitor_state::kStopped);
}

TEST_F(FrameFixture, FeatureCommandsWaitForTheirWindows)
{
    startFrame();
    for (Command c : {Command::ParameterEditing, Command::TriggerMonitoring, Command::DataTrace,
                      Command::ManualJog, Command::ProgramJog, Command::GainAutoTuning,
                      Command::AlarmTrace, Command::AlarmHistory, Command::OsUpgrade})
        EXPECT_FALSE(enabled(c)) << frame->action(c)->text().toStdString();
}

TEST_F(FrameFixture, PluggedInWindowsOpenWithTheirFeatureCode)
{
    std::map<FeatureKind, ProbeFeatureWindow *> made;
    startFrame({}, probes(made));
    ASSERT_EQ(made.size(), 8u);
    // Unconnected: the windows that also show saved files are offered, the
    // ones that only talk to the drive wait for the link.
    for (Command c : {Command::ParameterEditing, Command::TriggerMonitoring, Command::DataTrace,
                      Command::AlarmTrace})
        EXPECT_TRUE(enabled(c));
    for (Command c : {Command::ManualJog, Command::ProgramJog, Command::GainAutoTuning, Command::AlarmHistory})
        EXPECT_FALSE(enabled(c));

    frame->OnCommand(Command::AlarmHistory);
    EXPECT_EQ(made[FeatureKind::AlarmHistory]->presented, 1);
    EXPECT_EQ(made[FeatureKind::AlarmHistory]->attachedTo, &frame->drive());
    EXPECT_EQ(frame->drive().activeFeatureCode(), feature_code::kAlarmHistory);
    EXPECT_TRUE(frame->drive().isWatchdogRunning() || frame->drive().watchdogRunSwitch == 1);

    frame->OnCommand(Command::DataTrace);
    test::pump();
    EXPECT_EQ(frame->drive().activeFeatureCode(), feature_code::kTraceGraph);
    for (Command c : {Command::TriggerMonitoring, Command::AlarmTrace, Command::GainAutoTuning,
                      Command::AlarmHistory})
        EXPECT_FALSE(enabled(c)) << "greyed while the trace runs";

    frame->OnCommand(Command::ManualJog);
    test::pump();
    EXPECT_EQ(frame->drive().activeFeatureCode(), feature_code::kJog);
    EXPECT_FALSE(enabled(Command::TriggerMonitoring));
    frame->OnCommand(Command::Stop); // "Stop" clears the active feature
    test::pump();
    EXPECT_EQ(frame->drive().activeFeatureCode(), feature_code::kNone);
    EXPECT_TRUE(enabled(Command::TriggerMonitoring));
}

TEST_F(FrameFixture, OsUpgradeNeedsTheUpgraderBesideTheProgram)
{
    startFrame();
    EXPECT_FALSE(enabled(Command::OsUpgrade));
    placeUpgrader();
    EXPECT_TRUE(enabled(Command::OsUpgrade));
    frame->OnCommand(Command::OsUpgrade);
    EXPECT_EQ(frame->state().connectionState(), connection_state::kDisconnected);
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].program, QString::fromStdString((directory / "M9 Upgrader").string()));
    EXPECT_TRUE(started[0].arguments.isEmpty()) << "no port was chosen: the upgrader's ComSet finds it";
}

TEST_F(FrameFixture, OsUpgradeHandsOverTheChosenPortAndReportsAnUpgraderThatDoesNotStart)
{
    startFrame();
    placeUpgrader();
    chooseSettings("3"); // COM3, the on-board /dev/ttyS2
    frame->OnCommand(Command::OsUpgrade);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].arguments, (QStringList{"--port", "/dev/ttyS2"}));

    startSucceeds = false;
    frame->OnCommand(Command::OsUpgrade);
    ASSERT_EQ(messages.texts().size(), 1u);
    EXPECT_EQ(messages.texts().front(), "The upgrader could not be started.");
}

// The tooltip the user sees when resting the mouse on the command's
// toolbar button.
QString toolBarTip(CMainFrame &frame, Command command)
{
    auto *bar = frame.findChild<QToolBar *>(QStringLiteral("StandardToolBar"));
    QWidget *button = bar ? bar->widgetForAction(frame.action(command)) : nullptr;
    if (!button)
        return QStringLiteral("(no button)");
    const QPoint centre = button->rect().center();
    QHelpEvent help(QEvent::ToolTip, centre, button->mapToGlobal(centre));
    QApplication::sendEvent(button, &help);
    const QString shown = QToolTip::text();
    QToolTip::hideText();
    return shown;
}

TEST_F(FrameFixture, GreyedCommandsSayWhyAndLoseTheReasonOnceEnabled)
{
    startFrame();
    frame->show();
    ASSERT_FALSE(enabled(Command::Connect));
    EXPECT_EQ(toolBarTip(*frame, Command::Connect), "Connect (Ctrl+K)\nChoose the port first (Communication Setting)");
    EXPECT_EQ(frame->action(Command::Connect)->statusTip(),
              "Connect: Choose the port first (Communication Setting)");
    EXPECT_EQ(toolBarTip(*frame, Command::Disconnect), "Disconnect (Ctrl+Shift+K)\nNot connected");
    EXPECT_TRUE(frame->action(Command::OsUpgrade)->toolTip().endsWith("\nNeeds the M9 Upgrader beside the program"));

    chooseSettings("3");
    ASSERT_TRUE(enabled(Command::Connect));
    EXPECT_EQ(toolBarTip(*frame, Command::Connect), "Connect (Ctrl+K)");
    EXPECT_EQ(frame->action(Command::Connect)->statusTip(), "Connect");
    placeUpgrader();
    EXPECT_EQ(frame->action(Command::OsUpgrade)->toolTip(), "OS Upgrade");

    // Every toolbar button, icons only, names its command.
    auto *bar = frame->findChild<QToolBar *>(QStringLiteral("StandardToolBar"));
    ASSERT_NE(bar, nullptr);
    for (QAction *act : bar->actions()) {
        if (!act->isSeparator()) {
            EXPECT_FALSE(bar->widgetForAction(act)->toolTip().isEmpty()) << act->text().toStdString();
        }
    }
}

TEST_F(FrameFixture, WithoutTheLinkLibraryTheDriveCommandsSaySo)
{
    startFrame({.linkLibrary = false});
    messages.clear();
    EXPECT_FALSE(enabled(Command::Start));
    EXPECT_TRUE(frame->action(Command::Start)
                    ->toolTip()
                    .endsWith("\nNeeds the drive link library, which was not found beside the program"));
}

TEST_F(FrameFixture, NewWithoutALinkOnlyReportsIt)
{
    startFrame();
    frame->statusPane().dialog().grid().clickCell(4, 1);
    ASSERT_NE(frame->statusPane().dialog().tickedRows(), 0u);
    frame->OnCommand(Command::New);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Communication Already DisConnect!"});
    EXPECT_EQ(frame->state().connectionState(), connection_state::kDisconnected);
    EXPECT_EQ(frame->statusPane().dialog().tickedRows(), 0u) << "new panes, nothing ticked";
}

} // namespace
} // namespace tarvex
