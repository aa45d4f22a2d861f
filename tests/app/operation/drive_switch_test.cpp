// Several drives on one line, from the Communication Setting: Scan lists
// them, choosing one addresses it, and leaving a drive whose motor a tool
// moves brings that motor to rest before the line is readdressed.
#include "app/operation/color_button.h"
#include "tests/app/operation/operation_session.h"
#include "tests/app/support/ui_pump.h"

#include <QLineEdit>
#include <QListWidget>

#include <gtest/gtest.h>

namespace tarvex::test {
namespace {

class DriveSwitch : public ConnectedFrameFixture {
protected:
    void SetUp() override
    {
        TARVEX_NEEDS_VIRTUAL_DRIVE();
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        vq::sim::DriveOptions options;
        options.node = 1;
        options.otherNodes = {2, 3};
        options.acceptAnySpeed = true;
        options.log = [](const std::string &) {};
        sim = std::make_unique<VirtualDrive>(options);
        std::string error;
        ASSERT_TRUE(sim->start(error)) << error;
        FeatureWindowFactories features;
        features.add(FeatureKind::ManualJog, [this](QWidget *owner) {
            auto window = std::make_unique<CManualJogDlg>(owner);
            jog = window.get();
            return window;
        });
        startFrame({}, std::move(features));
#endif
    }

    CCommSetDlg &openSettings()
    {
        frame->OnCommand(Command::CommunicationSetting);
        CCommSetDlg &dialog = frame->commSetDialog();
        showActive(dialog);
        dialog.portField().setEditText(QString::fromStdString(sim->devicePath()));
        return dialog;
    }

    static void typeInto(QLineEdit &field, const QString &text)
    {
        field.selectAll();
        QTest::keyClicks(&field, text);
    }

    static void click(QPushButton &button) { QTest::mouseClick(&button, Qt::LeftButton); }

    CManualJogDlg *jog = nullptr;
};

TEST_F(DriveSwitch, ScanListsTheDrivesAndTheChosenOneIsTheOneTheFrameTalksTo)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    CCommSetDlg &dialog = openSettings();
    typeInto(dialog.scanNodesField(), QStringLiteral("0-4"));
    click(dialog.scanButton());
    QListWidget &found = dialog.foundList();
    ASSERT_TRUE(pumpUntil([&] { return found.count() == 3; })) << found.count();
    EXPECT_EQ(found.item(0)->text(), "node 1: 0132");
    EXPECT_EQ(found.item(1)->text(), "node 2: 0132");
    EXPECT_EQ(found.item(2)->text(), "node 3: 0132");
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
    EXPECT_FALSE(frame->drive().isLinkOpen()) << "the scan lets the port go again";

    const QRect second = found.visualItemRect(found.item(1));
    QTest::mouseClick(found.viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(dialog.nodeField().text(), "2");
    click(dialog.okButton());
    frame->OnCommand(Command::Connect);
    ASSERT_EQ(frame->state().connectionState(), connection_state::kConnected) << messages.texts().front();
    EXPECT_EQ(frame->drive().versionText(), "0132");

    // What the frame writes now lands in node 2, and only there.
    std::uint8_t status = 0;
    frame->drive().link().WrSgRegister(operation_register::kJogSpeed, 321, &status);
    ASSERT_EQ(status, VQ_STATUS_OK);
    EXPECT_EQ(sim->registerValueAt(2, operation_register::kJogSpeed), 321);
    EXPECT_NE(sim->registerValueAt(1, operation_register::kJogSpeed), 321);
    EXPECT_NE(sim->registerValueAt(3, operation_register::kJogSpeed), 321);
#endif
}

TEST_F(DriveSwitch, ChoosingAnotherNodeWhileJoggingStopsTheJogFirstAndClosesItsWindow)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    CCommSetDlg &first = openSettings();
    typeInto(first.nodeField(), QStringLiteral("1"));
    click(first.okButton());
    frame->OnCommand(Command::Connect);
    ASSERT_EQ(frame->state().connectionState(), connection_state::kConnected) << messages.texts().front();

    frame->OnCommand(Command::ManualJog);
    ASSERT_TRUE(jog && jog->isVisible());
    showActive(*jog);
    messages.answerNext(true);
    click(jog->servoButton());
    ASSERT_TRUE(jog->servoOn());
    QTest::mousePress(&jog->forwardButton(), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return sim->motion().jogging && sim->motion().speedRpm > 50; }));

    // The jog button is still held when the user picks node 2.
    CCommSetDlg &dialog = openSettings();
    typeInto(dialog.nodeField(), QStringLiteral("2"));
    click(dialog.okButton());
    ASSERT_TRUE(pumpUntil([&] { return sim->motion().atRest(); }))
        << "node 1 still jogging: " << sim->motion().jogging << ", servo " << sim->motion().servoOn;
    EXPECT_FALSE(jog->isVisible());
    EXPECT_EQ(frame->drive().activeFeatureCode(), feature_code::kNone);
    EXPECT_EQ(frame->drive().settings().node, 2);
    EXPECT_EQ(frame->state().connectionState(), connection_state::kConnected);
    EXPECT_EQ(frame->drive().versionText(), "0132");
    for (const std::string &text : messages.texts())
        EXPECT_EQ(text.find("did not confirm"), std::string::npos) << text;
    QTest::mouseRelease(&jog->forwardButton(), Qt::LeftButton);
#endif
}

} // namespace
} // namespace tarvex::test
