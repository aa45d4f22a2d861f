// Start-up of the main frame: the libraries and the catalogue found (or not)
// in the working directory, the frame's layout, and its orderly shutdown.
#include "app/frame/about_dialog.h"
#include "tests/app/support/frame_fixture.h"
#include "app/monitor/static_panes.h"
#include "drive/connection/catalogue_coverage.h"
#include "app/frame/font_coverage.h"
#include "app/ui/settings/recent_files.h"
#include "tests/app/support/ui_pump.h"

#include <QApplication>
#include <QDockWidget>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include <sys/stat.h>

namespace tarvex {
namespace {

using test::FrameFixture;
using test::ScratchDirectory;
using test::WorkingDirectory;

TEST_F(FrameFixture, WithEverythingInPlaceNothingIsReported)
{
    startFrame();
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
    EXPECT_TRUE(frame->drive().link().isLoaded());
    // Beside the program, wherever it was started from.
    EXPECT_EQ(frame->drive().databasePath(), (directory.path() / "DB/M9A_Tarvex-DATA_ENG.mdb").string());
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

TEST_F(FrameFixture, AMissingLibrarySaysWhereItWasLookedForAndGreysWhatNeedsIt)
{
    startFrame({false, true, true});
    ASSERT_EQ(messages.count("COMM Library Load Error!!"), 1u);
    const std::string detail = messages.messages().front().detail;
    EXPECT_NE(detail.find((directory.path() / "VQ_Communication.so").string()), std::string::npos) << detail;
    for (Command command : {Command::Connect, Command::ParameterEditing, Command::DataTrace,
                            Command::ManualJog, Command::AlarmReset})
        EXPECT_FALSE(enabled(command)) << static_cast<int>(command);
    EXPECT_TRUE(enabled(Command::About));
    EXPECT_TRUE(enabled(Command::UserManual));
}

TEST_F(FrameFixture, StartedFromAnotherFolderTheProgramFindsEverythingBesideItself)
{
    ScratchDirectory elsewhere;
    startFrame();
    frame.reset();
    messages.clear();
    {
        WorkingDirectory away(elsewhere.path());
        FrameOptions options;
        options.messages = &messages;
        options.sysfsRoot = sysfs.path().string();
        options.koreanSystem = false;
        options.programDirectory = directory.path().string();
        options.settingsFile = QString::fromStdString((directory.path() / "settings.ini").string());
        frame = std::make_unique<CMainFrame>(std::move(options));
        EXPECT_TRUE(messages.empty()) << messages.texts().front();
        EXPECT_TRUE(frame->drive().link().isLoaded());
        EXPECT_TRUE(frame->drive().catalogueOpen());
        frame->OnCommand(Command::CommunicationSetting);
        EXPECT_TRUE(enabled(Command::ParameterEditing));
        frame.reset();
    }
}

TEST_F(FrameFixture, ASettingsFileThatIsNoFileOrFarTooLargeIsLeftAloneAndTheProgramStartsWithTheDefaults)
{
    const std::filesystem::path settings = directory / "settings.ini";
    const auto contents = [&] {
        std::ifstream in(settings, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    };
    struct Case {
        const char *name;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0); }},
        {"a folder", [&] { std::filesystem::create_directory(settings); }},
        {"far too large", [&] { directory.write("settings.ini", "[Layout]\n" + std::string(8u << 20, ';') + "\n"); }},
    };
    bool first = true;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        frame.reset();
        std::filesystem::remove_all(settings);
        c.make();
        const std::filesystem::file_status before = std::filesystem::status(settings);
        const std::string text = std::filesystem::is_regular_file(settings) ? contents() : std::string();
        messages.clear();
        if (first)
            startFrame();
        else
            createFrame();
        first = false;
        ASSERT_EQ(messages.count("The settings file cannot be used"), 1u);
        EXPECT_NE(messages.messages().front().detail.find("settings.ini"), std::string::npos);
        // The run remembers what it changes elsewhere and leaves the file as it was.
        frame->OnCommand(Command::CommunicationSetting);
        frame->close();
        frame.reset();
        EXPECT_EQ(std::filesystem::status(settings).type(), before.type());
        if (!text.empty()) {
            EXPECT_TRUE(contents() == text) << "the large file is not rewritten";
        }
        EXPECT_EQ(messages.count("The settings file cannot be used"), 1u) << "said once";
    }
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
    // This machine's fonts (the package's Hangul font among them) draw it:
    // nothing to ask.
    startFrame({}, {}, true);
    EXPECT_EQ(frame->drive().databasePath(), (directory.path() / "DB/M9A_Tarvex-DATA.mdb").string());
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
    const CharacterCoverage drawable = fontCoverage(QApplication::font());
    EXPECT_TRUE(drawable(U'A'));
    EXPECT_TRUE(drawable(U'\u00B0')) << "the degree sign of the units";
    EXPECT_TRUE(drawable(U'\uD604')) << "Hangul: install fonts-nanum (scripts/setup)";
    EXPECT_FALSE(drawable(U'\u0378')) << "no font has an unassigned character";
    EXPECT_FALSE(drawable(U'\U0005ABCD'));
}

// Fonts without Hangul: the Korean names would be boxes. The user is asked
// once whether to take the English catalogue, and the answer holds for the
// next starts.
TEST_F(FrameFixture, WhereTheFontsCannotDrawTheKoreanCatalogueTheEnglishOneIsOfferedOnce)
{
    const auto korean = directory.path() / "DB/M9A_Tarvex-DATA.mdb";
    const auto english = directory.path() / "DB/M9A_Tarvex-DATA_ENG.mdb";
    canDraw = [](char32_t c) { return c < 0x1100; };
    for (const bool takeEnglish : {true, false}) {
        SCOPED_TRACE(takeEnglish ? "English taken" : "Korean kept");
        std::filesystem::remove(directory.path() / "settings.ini");
        messages.clear();
        messages.answerNext(takeEnglish);
        frame ? restartFrame() : startFrame({}, {}, true);
        ASSERT_EQ(messages.messages().size(), 1u);
        const Message asked = messages.messages().front();
        EXPECT_EQ(asked.kind, Message::Kind::Question);
        EXPECT_EQ(asked.text, "The installed fonts cannot draw the Korean parameter catalogue. Use the English "
                              "catalogue instead?");
        EXPECT_NE(asked.detail.find("\xED\x98\x84"), std::string::npos) << "names an undrawable character: " << asked.detail;
        EXPECT_EQ(asked.detail.find("rpm"), std::string::npos) << "names only what cannot be drawn";
        EXPECT_EQ(frame->drive().databasePath(), (takeEnglish ? english : korean).string());
        EXPECT_TRUE(frame->drive().catalogueOpen());

        restartFrame();
        EXPECT_TRUE(messages.messages().size() == 1u) << "asked once: " << messages.texts().back();
        EXPECT_EQ(frame->drive().databasePath(), (takeEnglish ? english : korean).string());
    }
    // Only the Korean edition is checked: an English system is never asked.
    frame.reset();
    std::filesystem::remove(directory.path() / "settings.ini");
    messages.clear();
    korean_ = false;
    createFrame();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(frame->drive().databasePath(), english.string());
}

// What is checked is what the parameter window shows: the group names and
// each parameter's name and unit, and only what cannot be drawn is named.
TEST(CatalogueCoverage, TheCharactersNoFontDrawsAreNamedOnceEachInTheirOrder)
{
    const auto noHangul = [](char32_t c) { return c < 0x1100; };
    struct Case {
        std::u16string text;
        std::u32string missing;
    } cases[] = {
        {u"Current Speed\nrpm\n\u00B0C", U""},
        {u"\uD604\uC7AC \uC18D\uB3C4\nrpm\n\uD604\uC7AC", U"\uD604\uC7AC\uC18D\uB3C4"},
        {u"\u3000\t\r\n\u200B", U""},                       // blanks draw nothing
        {u"a\xD800" u"b\U0001F600", U"\U0001F600"},           // a damaged text is no font's fault
    };
    for (const Case &c : cases)
        EXPECT_EQ(undrawableCharacters(c.text, noHangul), c.missing);
    EXPECT_EQ(undrawableCharacters(u"\uAC00\uAC01\uAC02\uAC03", noHangul, 2).size(), 2u) << "bounded";
}

TEST_F(FrameFixture, MenusToolbarStatusBarAndPanes)
{
    startFrame();
    QStringList menus;
    for (QAction *menu : frame->menuBar()->actions())
        menus << QString(menu->text()).remove('&');
    EXPECT_EQ(menus, (QStringList{"File", "Communication", "Parameter", "Monitor", "Operation",
                                  "Alarm", "OS", "View", "Help"}));

    QStringList buttons;
    for (QAction *button : frame->toolBar().actions())
        if (!button->isSeparator())
            buttons << button->iconText();
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
    EXPECT_EQ(frame->statusBar()->findChildren<QLabel *>().size(), 5)
        << "three indicators beside the message pane, the active alarm and the recording";
    // 1350 x 980, or what the screen has room for with the window's frame
    // (the status bar with the active alarm stays on the screen).
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize withFrame = frame->size() + QSize(16, 40);
    EXPECT_TRUE(frame->size() == QSize(1350, 980) || (withFrame.width() <= room.width() && withFrame.height() <= room.height()))
        << frame->width() << "x" << frame->height() << " on " << room.width() << "x" << room.height();
    EXPECT_LE(frame->width(), 1350);
    EXPECT_LE(frame->height(), 980);

    EXPECT_EQ(frame->dockWidgetArea(&frame->statusPane()), Qt::LeftDockWidgetArea);
    EXPECT_EQ(frame->dockWidgetArea(&frame->inputPane()), Qt::LeftDockWidgetArea);
    EXPECT_EQ(frame->dockWidgetArea(&frame->outputPane()), Qt::BottomDockWidgetArea);
    EXPECT_EQ(frame->dockWidgetArea(&frame->communicationPane()), Qt::BottomDockWidgetArea);
    frame->show();
    test::pump(50);
    EXPECT_LT(frame->statusPane().y(), frame->inputPane().y()) << "input beneath status";
    EXPECT_LT(frame->outputPane().x(), frame->communicationPane().x()) << "communication to the right";
    EXPECT_NEAR(frame->statusPane().width(), 365, 10);
    if (room.height() >= 980) { // else the panes share what there is
        EXPECT_NEAR(frame->statusPane().dialog().height(), 575, 6);
        EXPECT_GE(frame->inputPane().dialog().height(), 245);
        EXPECT_NEAR(frame->outputPane().dialog().height(), 250, 6);
    }
    for (const char *name : {"ServoStatusPane", "ServoInputPane", "ServoOutputPane",
                             "CommunicationStatusPane"})
        EXPECT_TRUE(frame->findChild<QDockWidget *>(name)) << name;
}

TEST_F(FrameFixture, TheLookAndTheLayoutSurviveARestart)
{
    startFrame();
    frame->chooseLook(216);
    EXPECT_EQ(frame->currentLook(), 216);
    QSettings settings(QString::fromStdString((directory.path() / "settings.ini").string()),
                       QSettings::IniFormat);
    EXPECT_EQ(settings.value("ApplicationLook").toInt(), 216);

    // The user hides a pane through the View menu and makes the window smaller.
    frame->show();
    test::pump();
    QAction *inputToggle = frame->inputPane().toggleViewAction();
    ASSERT_TRUE(frame->menuBar()->actions().size() > 0);
    inputToggle->trigger();
    EXPECT_FALSE(frame->inputPane().isVisible());
    // Within the test's screen: a larger size comes back bounded by it.
    const QSize left = frame->size() - QSize(40, 0);
    frame->resize(left);
    test::pump();
    applyStoredLook = true;
    restartFrame();
    frame->show();
    test::pump();
    EXPECT_EQ(frame->currentLook(), 216);
    EXPECT_EQ(frame->size(), left);
    EXPECT_FALSE(frame->inputPane().isVisible()) << "the hidden pane stays hidden";
    EXPECT_TRUE(frame->statusPane().isVisible());

    // Reset Layout brings everything back.
    QAction *reset = nullptr;
    for (QAction *menu : frame->menuBar()->actions()) {
        if (menu->text() == "&View") {
            for (QAction *item : menu->menu()->actions())
                if (item->text() == "&Reset Layout")
                    reset = item;
        }
    }
    ASSERT_NE(reset, nullptr);
    reset->trigger();
    test::pump();
    EXPECT_TRUE(frame->inputPane().isVisible());
}

// Every entry of `menu` and of its submenus has an Alt+letter of its own
// within its menu.
void expectOwnMnemonics(const QMenu &menu, const std::string &where)
{
    std::map<QKeySequence, QString> taken;
    for (QAction *entry : menu.actions()) {
        if (entry->isSeparator() || !entry->isVisible())
            continue;
        const QString text = entry->text();
        const std::string here = where + " > " + text.toStdString();
        const QKeySequence key = QKeySequence::mnemonic(text);
        EXPECT_FALSE(key.isEmpty()) << here << " has no Alt+letter";
        if (!key.isEmpty()) {
            EXPECT_TRUE(taken.emplace(key, text).second)
                << here << " shares " << key.toString().toStdString() << " with " << taken[key].toStdString();
        }
        if (entry->menu())
            expectOwnMnemonics(*entry->menu(), here);
    }
}

TEST_F(FrameFixture, EveryMenuOpensWithItsOwnAltLetterAndEveryEntryHasOneOfItsOwn)
{
    startFrame();
    RecentFiles::add(QStringLiteral("mpa"), QString::fromStdString((directory.path() / "a.mpa").string()));
    RecentFiles::add(QStringLiteral("mdg"), QString::fromStdString((directory.path() / "b.mdg").string()));
    frame->show();
    QApplication::setActiveWindow(frame.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    const auto menus = frame->menuBar()->actions();
    ASSERT_FALSE(menus.isEmpty());
    EXPECT_EQ(menus.back()->text(), "&Help") << "Help comes last";

    std::map<QKeySequence, QString> taken;
    for (QAction *menu : menus) {
        const QString title = menu->text();
        const QKeySequence key = QKeySequence::mnemonic(title);
        ASSERT_FALSE(key.isEmpty()) << title.toStdString() << " has no Alt+letter";
        EXPECT_TRUE(taken.emplace(key, title).second)
            << title.toStdString() << " shares " << key.toString().toStdString() << " with "
            << taken[key].toStdString();
        // The user's way in: Alt and the letter on the frame.
        QTest::keyClick(frame.get(), static_cast<Qt::Key>(key[0].key()), Qt::AltModifier);
        ASSERT_TRUE(test::pumpUntil([&] { return QApplication::activePopupWidget() == menu->menu(); }))
            << key.toString().toStdString() << " does not open " << title.toStdString();
        expectOwnMnemonics(*menu->menu(), QString(title).remove('&').toStdString());
        QTest::keyClick(menu->menu(), Qt::Key_Escape);
        menu->menu()->hide();
        QApplication::setActiveWindow(frame.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    }
    EXPECT_EQ(taken[QKeySequence(Qt::ALT | Qt::Key_O)], "&Operation") << "the manual's Alt+O";
    EXPECT_EQ(frame->action(Command::UserManual)->shortcut(), QKeySequence(QKeySequence::HelpContents));
    // The toolbar and the tips show the commands' own texts.
    EXPECT_EQ(frame->action(Command::New)->iconText(), "NEW");
    const QString tip = frame->action(Command::ParameterEditing)->toolTip();
    EXPECT_TRUE(tip.startsWith("Parameter Editing (Ctrl+P)")) << tip.toStdString();
    // Every pane is listed in View with a tick.
    QStringList viewItems;
    for (QAction *menu : menus)
        if (menu->text() == "&View")
            for (QAction *item : menu->menu()->actions())
                if (item->isCheckable())
                    viewItems << QString(item->text()).remove('&');
    for (const char *pane : {"Servo Status", "Servo Input", "Servo Output", "Communication Status", "Trend"})
        EXPECT_TRUE(viewItems.contains(pane)) << pane;
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
