// A main frame started the way the program starts it: from a working
// directory that holds what the run directory holds (the two libraries and
// DB/), with the recording message service, a system tree without USB
// serial adapter and the English catalogue.
#pragma once

#include "app/frame/comm_set_dialog.h"
#include "app/frame/main_frame.h"
#include "tests/app/support/qt_test_application.h"
#include "tests/app/support/recording_messages.h"
#include "tests/app/support/scratch_directory.h"
#include "app/ui/settings/user_settings.h"

#include <QComboBox>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace tarvex::test {

struct RunDirectoryContents {
    bool linkLibrary = true;
    bool databaseLibrary = true;
    bool catalogue = true;
};

// A feature window that records how it was opened.
class ProbeFeatureWindow : public FeatureWindow {
public:
    explicit ProbeFeatureWindow(FeatureKind kind) : kind_(kind) {}
    FeatureKind kind() const override { return kind_; }
    void attach(DriveConnection &drive) override { attachedTo = &drive; }
    void present() override { ++presented; }
    void monitoringSwitched(bool running) override { monitoringRuns = running; }

    DriveConnection *attachedTo = nullptr;
    int presented = 0;
    bool monitoringRuns = false;

private:
    FeatureKind kind_;
};

class FrameFixture : public ::testing::Test {
protected:
    void startFrame(RunDirectoryContents contents = {}, FeatureWindowFactories features = {},
                    std::optional<bool> korean = false)
    {
        testApplication();
        namespace fs = std::filesystem;
        const fs::path run = TARVEX_RUN_DIRECTORY;
        if (contents.linkLibrary)
            directory.link("VQ_Communication.so", TARVEX_LINK_LIBRARY);
        if (contents.databaseLibrary && fs::exists(run / "VQ_DatabaseManager.so"))
            directory.link("VQ_DatabaseManager.so", run / "VQ_DatabaseManager.so");
        if (contents.catalogue && fs::exists(run / "DB"))
            directory.link("DB", run / "DB");
        fs::create_directories(sysfs.path() / "class" / "tty");
        inDirectory = std::make_unique<WorkingDirectory>(directory.path());
        features_ = std::move(features);
        korean_ = korean;
        createFrame();
    }

    // The program closed and started again over the same directory and
    // settings file, as a user's next run.
    void restartFrame()
    {
        if (frame)
            frame->close();
        frame.reset();
        createFrame();
    }

    void createFrame()
    {
        FrameOptions options;
        options.messages = frameMessages ? frameMessages : &messages;
        options.sysfsRoot = sysfs.path().string();
        options.koreanSystem = korean_;
        options.canDraw = canDraw;
        options.applyStoredLook = applyStoredLook;
        options.programDirectory = directory.path().string();
        options.settingsFile = QString::fromStdString(
            ((settingsFolder.empty() ? directory.path() : settingsFolder) / "settings.ini").string());
        options.features = features_;
        options.startProgram = [this](const QString &program, const QStringList &arguments, const QString &) {
            started.push_back({program, arguments, frame && frame->drive().isLinkOpen()});
            return startSucceeds;
        };
        frame = std::make_unique<CMainFrame>(std::move(options));
    }

    void TearDown() override
    {
        frame.reset();
        inDirectory.reset();
        UserSettings::useFile({}); // the next test's settings are not in this one's directory
    }

    // Chooses the port in the setting dialog and accepts it.
    void chooseSettings(const std::string &port)
    {
        frame->OnCommand(Command::CommunicationSetting);
        frame->commSetDialog().portField().setEditText(QString::fromStdString(port));
        frame->commSetDialog().OnOK();
        pump();
    }

    bool enabled(Command command) { return frame->isCommandEnabled(command); }

    // The programs the frame started (the upgrader), in place of starting them.
    struct StartedProgram {
        QString program;
        QStringList arguments;
        bool linkStillOpen = false;
    };
    std::vector<StartedProgram> started;
    bool startSucceeds = true;

    // The upgrader beside the program, so that OS Upgrade is offered.
    void placeUpgrader()
    {
        directory.write("M9 Upgrader", "#!/bin/sh\nexit 0\n");
        std::filesystem::permissions(directory / "M9 Upgrader", std::filesystem::perms::owner_all);
        frame->refreshCommands();
    }

    ScratchDirectory directory;
    // Where the settings (and what lives beside them) go instead of
    // `directory`, for runs that share them with another process.
    std::filesystem::path settingsFolder;
    ScratchDirectory sysfs;
    RecordingMessages messages;
    // Another service for the frame (set before startFrame), for tests
    // whose boxes must be modal.
    MessageService *frameMessages = nullptr;
    // What the frame's fonts can draw; null: what this machine's can.
    std::function<bool(char32_t)> canDraw;
    // Tests of the settings themselves let the frame take the stored look.
    bool applyStoredLook = false;
    FeatureWindowFactories features_;
    std::optional<bool> korean_;
    std::unique_ptr<WorkingDirectory> inDirectory;
    std::unique_ptr<CMainFrame> frame;
};

} // namespace tarvex::test
