// The application object: initialises the grid layer, names the settings
// store, creates and shows the main frame.
#pragma once

#include "drive/connection/link_settings.h"

#include <QApplication>

#include <memory>
#include <optional>

namespace tarvex {

class CMainFrame;
class ScriptRunner;
class ScriptMessages;

// What the command line asks for at start.
struct StartOptions {
    std::optional<LinkSettings> settings; // --port with --node and --baud
    bool monitor = false;
    std::optional<int> exitCode; // set: end at once with it (--help, --version, a bad option)
};
StartOptions parseStartOptions(const QStringList &arguments);

// --help and --version answered on a core application, so that they work
// where no display can be opened; nothing when neither was asked for.
std::optional<int> answerWithoutDisplay(int &argc, char **argv);

class CTarvexApp : public QApplication {
    Q_OBJECT
public:
    CTarvexApp(int &argc, char **argv);
    ~CTarvexApp() override;

    // The start-up steps; false when the program cannot start.
    bool InitInstance();
    // Start-up, then the event loop; the process's exit code.
    int run();

    CMainFrame *mainFrame() const { return frame_.get(); }

private:
    std::unique_ptr<ScriptMessages> scriptMessages_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<ScriptRunner> script_;
    StartOptions start_;
    int exitCode_ = 1;
};

// What the program does once at start-up before any grid is built.
void GXInit();

} // namespace tarvex
