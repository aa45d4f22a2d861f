// The scripted session that takes the manual's pictures: a script connects
// to the virtual drive through the setting dialog, monitors, and grabs the
// frame, a pane and the About box; steps it cannot carry out are reported
// and the script goes on; a line too long or a file too large for a script
// is not run.
#include "app/frame/about_dialog.h"
#include "tests/app/support/frame_fixture.h"
#include "app/frame/script_runner.h"
#include "tests/app/support/ui_pump.h"
#include "tests/app/support/virtual_drive_session.h"

#include <QImage>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace tarvex {
namespace {

using namespace std::chrono_literals;

class Script : public test::FrameFixture {
protected:
    void TearDown() override
    {
        runner.reset();
        FrameFixture::TearDown();
        qunsetenv("TARVEX_SCRIPT_OUT");
    }

    // Runs `lines` until the picture `last` has been written (the script's
    // last step); false when it was not within the time.
    bool runScript(const std::string &lines, const std::string &last, std::chrono::milliseconds timeout = 20s)
    {
        out.write("session.script", lines);
        qputenv("TARVEX_SCRIPT_OUT", QByteArray::fromStdString(out.path().string()));
        runner = std::make_unique<ScriptRunner>(*frame, QString::fromStdString((out / "session.script").string()));
        runner->start();
        return test::pumpUntil([&] { return std::filesystem::exists(out / last); }, timeout);
    }

    QImage picture(const std::string &name) const
    {
        return QImage(QString::fromStdString((out / name).string()));
    }

    test::ScratchDirectory out;
    std::unique_ptr<ScriptRunner> runner;
};

TEST(ScriptWords, QuotedWordsKeepTheirBlanks)
{
    EXPECT_EQ(scriptWords(QStringLiteral("click \"Trigger Monitoring\"  Apply")),
              (QStringList{"click", "Trigger Monitoring", "Apply"}));
    EXPECT_EQ(scriptWords(QStringLiteral("type \"\" 1")), (QStringList{"type", "", "1"}));
    EXPECT_EQ(scriptWords(QStringLiteral("  ")), QStringList{});
    // A quote left open takes the rest of the line.
    EXPECT_EQ(scriptWords(QStringLiteral("grab-window \"Data Trace x.png")),
              (QStringList{"grab-window", "Data Trace x.png"}));
}

TEST_F(Script, ConnectsMonitorsAndGrabsTheFrameAPaneAndTheAboutBox)
{
    TARVEX_NEEDS_VIRTUAL_DRIVE();
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    auto sim = test::startVirtualDrive();
    ASSERT_TRUE(sim);
    startFrame();
    const std::string script = "# a session as the manual's pictures are taken\n"
                               "open setting\n"
                               "port " + sim->devicePath() + "\n"
                               "ok\n"
                               "run connect\n"
                               "tick 1 2\n"
                               "run start\n"
                               "wait 300\n"
                               "grab frame.png\n"
                               "grab-pane ServoStatusPane pane.png\n"
                               "grab-about about.png\n"
                               "run stop\n"
                               "grab last.png\n";
    ASSERT_TRUE(runScript(script, "last.png"));
    EXPECT_EQ(frame->state().connectionState(), connection_state::kConnected)
        << (messages.empty() ? "" : messages.texts().front());
    EXPECT_TRUE(messages.empty());
    for (const char *name : {"frame.png", "pane.png", "about.png"}) {
        const QImage image = picture(name);
        EXPECT_FALSE(image.isNull()) << name;
        EXPECT_GT(image.width(), 100) << name;
    }
    EXPECT_LT(picture("pane.png").width(), picture("frame.png").width()) << "the pane alone";
    EXPECT_FALSE(frame->aboutBox().isVisible()) << "the About box is hidden again";
#endif
}

TEST_F(Script, StepsItCannotCarryOutAreReportedAndTheScriptGoesOn)
{
    startFrame();
    const std::string script = "bogus step\n"
                               "run no-such-command\n"
                               "run disconnect\n"
                               "click \"No Such Window\" OK\n"
                               "choose Main\n"
                               "grab-window \"No Such Window\" window.png\n"
                               "grab-pane NoSuchPane pane.png\n"
                               "tick 0 999 -5 abc\n"
                               "wait -100\n"
                               "\"open quote\n"
                               "grab last.png\n";
    testing::internal::CaptureStderr();
    const bool ended = runScript(script, "last.png");
    const std::string reported = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ended);
    EXPECT_NE(reported.find("script: unknown step bogus"), std::string::npos) << reported;
    EXPECT_NE(reported.find("script: unknown command no-such-command"), std::string::npos);
    EXPECT_NE(reported.find("script: disconnect is disabled now"), std::string::npos);
    EXPECT_NE(reported.find("script: no window No Such Window is shown"), std::string::npos);
    EXPECT_NE(reported.find("script: choose needs 3 words"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out / "window.png"));
    EXPECT_FALSE(std::filesystem::exists(out / "pane.png"));
    EXPECT_NE(frame->state().connectionState(), connection_state::kConnected) << "nothing was connected";
}

TEST_F(Script, AnOverlongLineIsLeftOutWholeAndAHugeFileIsNotRun)
{
    startFrame();
    // Were the long line cut into pieces, its tail would be a step that
    // grabs "cut.png".
    const std::string script = "grab first.png\n" + std::string(1200, '#') + " grab cut.png\n" + "grab last.png\n";
    testing::internal::CaptureStderr();
    const bool ended = runScript(script, "last.png");
    const std::string reported = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ended);
    EXPECT_TRUE(std::filesystem::exists(out / "first.png"));
    EXPECT_FALSE(std::filesystem::exists(out / "cut.png"));
    EXPECT_NE(reported.find("script: line 2 is too long and is left out"), std::string::npos) << reported;

    std::string huge = "grab huge.png\n";
    huge += std::string(2u << 20, '#');
    testing::internal::CaptureStderr();
    const bool ran = runScript(huge, "huge.png", 1s);
    const std::string refused = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(ran);
    EXPECT_NE(refused.find("larger than 1024 KB"), std::string::npos) << refused;
}

} // namespace
} // namespace tarvex
