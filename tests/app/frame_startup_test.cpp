// Start-up of the main frame: the libraries and the catalogue found (or not)
// in the working directory, the frame's layout, and its orderly shutdown.
#include "about_dialog.h"
#include "frame_fixture.h"
#include "static_panes.h"

#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>

namespace tarvex {
namespace {

using test::FrameFixture;

TEST_F(FrameFixture, WithEverythingInPlaceNothingIsReported)
{
    startFrame();
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
    EXPECT_TRUE(frame->drive().link().isLoaded());
    EXPECT_EQ(frame->drive().databasePath(), "./DB/M9A_Tarvex-DATA_ENG.mdb");
    EXPECT_EQ(frame->state().connectionState(), connection_state::kNothingChosen);
    EXPECT_EQ(frame->state().monitorState(), monitor_state::kStopped);
    EXPECT_TRUE(frame->linkTimer().isActive());
    EXPECT_EQ(frame->linkTimer().interval(), 3000);
}

TEST_F(FrameFixture, InAnEmptyDirectoryBothLibrariesAreReportedOnceAndTheFrameComesUp)
{
    startFrame({false, false, false});
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"COMM Library Load Error!!", "DataBase Library Load Error!!"}));
    EXPECT_EQ(frame->windowTitle(), "Tarvex_M9A Ver 2.7");
    EXPECT_TRUE(enabled(Command::CommunicationSetting));
    frame->OnCommand(Command::New); // usable, if without a link
    EXPECT_EQ(messages.texts().back(), "Communication Already DisConnect!");
}

TEST_F(FrameFixture, WithoutTheCatalogueTheProgramGoesOn)
{
    startFrame({true, true, false});
    EXPECT_EQ(messages.count("COMM Library Load Error!!"), 0u);
    EXPECT_EQ(messages.count("DataBase Library Load Error!!"), 0u);
    if (std::filesystem::exists(std::filesystem::path(TARVEX_RUN_DIRECTORY) / "VQ_DatabaseManager.so")) {
        EXPECT_FALSE(messages.empty()) << "the missing catalogue is reported";
    }
    EXPECT_EQ(frame->drive().database().GetAllParamCnt(), 0);
    EXPECT_TRUE(enabled(Command::CommunicationSetting));
}

TEST_F(FrameFixture, AnIncompleteLinkLibraryIsReportedOnce)
{
    directory.link("VQ_Communication.so", TARVEX_PARTIAL_LINK_LIBRARY);
    startFrame({false, true, true});
    EXPECT_EQ(messages.count("COMM Library Loading Error!!"), 1u);
}

TEST_F(FrameFixture, AKoreanSystemOpensTheKoreanCatalogue)
{
    startFrame({}, {}, true);
    EXPECT_EQ(frame->drive().databasePath(), "./DB/M9A_Tarvex-DATA.mdb");
}

TEST_F(FrameFixture, MenusToolbarStatusBarAndPanes)
{
    startFrame();
    QStringList menus;
    for (QAction *menu : frame->menuBar()->actions())
        menus << menu->text();
    EXPECT_EQ(menus, (QStringList{"File", "Communication", "Parameter", "Monitor", "Operation",
                                  "Alarm", "Help", "OS", "View"}));

    QStringList buttons;
    for (QAction *button : frame->toolBar().actions())
        if (!button->isSeparator())
            buttons << button->text();
    EXPECT_EQ(buttons, (QStringList{"NEW", "Communication Setting", "Connect", "Disconnect", "Start",
                                    "Stop", "Parameter Editing", "Manual JOG Operation",
                                    "Program JOG Operation", "Gain Auto Tuning", "Alarm Reset",
                                    "Alarm History", "Data Trace", "Trigger Monitoring",
                                    "Alarm Trace", "About Tarvex", "User Manual", "Exit Tarvex"}));
    for (QAction *button : frame->toolBar().actions()) {
        if (!button->isSeparator()) {
            EXPECT_FALSE(button->icon().isNull()) << button->text().toStdString();
        }
    }

    EXPECT_EQ(frame->statusBar()->currentMessage(), "Ready");
    EXPECT_EQ(frame->statusBar()->findChildren<QLabel *>().size(), 3)
        << "three indicators beside the message pane";
    EXPECT_EQ(frame->size(), QSize(1350, 980));

    EXPECT_EQ(frame->dockWidgetArea(&frame->statusPane()), Qt::LeftDockWidgetArea);
    EXPECT_EQ(frame->dockWidgetArea(&frame->inputPane()), Qt::LeftDockWidgetArea);
    EXPECT_EQ(frame->dockWidgetArea(&frame->outputPane()), Qt::BottomDockWidgetArea);
    EXPECT_EQ(frame->dockWidgetArea(&frame->communicationPane()), Qt::BottomDockWidgetArea);
    frame->show();
    test::pump(50);
    EXPECT_LT(frame->statusPane().y(), frame->inputPane().y()) << "input beneath status";
    EXPECT_LT(frame->outputPane().x(), frame->communicationPane().x()) << "communication to the right";
    EXPECT_NEAR(frame->statusPane().width(), 365, 10);
    EXPECT_NEAR(frame->statusPane().dialog().height(), 575, 6);
    EXPECT_GE(frame->inputPane().dialog().height(), 245);
    EXPECT_NEAR(frame->outputPane().dialog().height(), 250, 6);
    for (const char *name : {"ServoStatusPane", "ServoInputPane", "ServoOutputPane",
                             "CommunicationStatusPane"})
        EXPECT_TRUE(frame->findChild<QDockWidget *>(name)) << name;
}

TEST_F(FrameFixture, TheChosenLookIsKeptInTheSettings)
{
    startFrame();
    frame->chooseLook(216);
    EXPECT_EQ(frame->currentLook(), 216);
    QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"),
                       QStringLiteral("Tarvex_M9A"));
    EXPECT_EQ(settings.value("ApplicationLook").toInt(), 216);
    frame->chooseLook(214);
    EXPECT_EQ(settings.value("ApplicationLook").toInt(), 214);
}

TEST_F(FrameFixture, TheAboutBox)
{
    startFrame();
    CAboutTarvex &about = frame->aboutBox();
    EXPECT_EQ(about.windowTitle(), "About Tarvex");
    QStringList texts;
    for (QLabel *label : about.findChildren<QLabel *>())
        texts << label->text();
    EXPECT_TRUE(texts.contains("Tarvex_M9A 2013-06-18"));
}

TEST_F(FrameFixture, ShutdownReleasesTheLibrariesAndEndsTheWorkers)
{
    startFrame();
    frame->close();
    EXPECT_FALSE(frame->isVisible());
    frame.reset();
    EXPECT_TRUE(messages.empty());
}

} // namespace
} // namespace tarvex
