// The Link Statistics pane against the virtual drive: shown from the View
// menu, it counts the replies the drive drops as the link met them, its
// Reset starts afresh, and "Save Frame Log..." writes the exchanges' bytes
// with their verdicts to the file the user chose.
#include "app/monitor/link_statistics_pane.h"
#include "tests/app/support/connected_frame_fixture.h"
#include "tests/app/support/file_dialog_driver.h"
#include "tests/app/support/ui_pump.h"

#include <QAction>
#include <QPushButton>
#include <QTableWidget>

#include <fstream>
#include <sstream>

namespace tarvex::link_statistics_pane_test {

class LinkStatisticsSession : public test::ConnectedFrameFixture {
protected:
    void SetUp() override
    {
        TARVEX_NEEDS_VIRTUAL_DRIVE();
        connectToVirtualDrive({}, true);
    }
};

TEST_F(LinkStatisticsSession, ThePaneCountsWhatTheLinkMetAndSavesTheFrameLog)
{
    CLinkStatisticsPane &pane = frame->linkStatisticsPane();
    EXPECT_FALSE(pane.isVisible()) << "off until the View menu shows it";
    QAction *toggle = pane.toggleViewAction();
    EXPECT_EQ(toggle->text(), "Li&nk Statistics");
    toggle->trigger();
    ASSERT_TRUE(pane.isVisible());
    EXPECT_TRUE(pane.note().isEmpty()) << pane.note().toStdString();
    // The connection check and the version reads were accepted.
    EXPECT_GE(pane.value("Accepted").toInt(), 3);

    QTest::mouseClick(&pane.resetButton(), Qt::LeftButton);
    EXPECT_EQ(pane.value("Exchanges"), "0");
    EXPECT_EQ(pane.value("Round trip"), "none yet");

    // The link timer's presence read meets a dropped reply and retries.
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    sim->dropNextReplies(1);
#endif
    ASSERT_TRUE(test::pumpUntil([&] { return pane.value("Retries").toInt() >= 1; }, std::chrono::seconds(30)))
        << "the pane never showed the link timer's retried read";
    EXPECT_EQ(pane.value("No reply"), "1");
    EXPECT_EQ(pane.value("Retries"), "1");
    EXPECT_GE(pane.value("Accepted").toInt(), 1);
    EXPECT_EQ(frame->state().connectionState(), connection_state::kConnected);

    const std::string path = (directory.path() / "frames.log").string();
    test::answerNextFileDialog(QString::fromStdString(path));
    QTest::mouseClick(&pane.saveButton(), Qt::LeftButton);
    ASSERT_TRUE(test::pumpUntil([&] { return std::ifstream(path).good(); }));
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    // The presence read of register 78 (0x4E), unanswered and then answered.
    const std::string request = "request 00 03 00 4E 00 01 E5 CC";
    EXPECT_NE(text.str().find(request), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("reply   - : no reply, status 9"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find(" : accepted, status 0"), std::string::npos) << text.str();
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
}

} // namespace tarvex::link_statistics_pane_test
