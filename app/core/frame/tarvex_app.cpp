#include "tarvex_app.h"

#include "lamp_images.h"
#include "main_frame.h"
#include "script_runner.h"

namespace tarvex {

void GXInit() { registerLampImages(); }

CTarvexApp::CTarvexApp(int &argc, char **argv) : QApplication(argc, argv)
{
    setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    setApplicationName(QStringLiteral("Tarvex_M9A"));
    setApplicationVersion(QStringLiteral("2.7"));
}

CTarvexApp::~CTarvexApp()
{
    script_.reset();
    frame_.reset();
}

bool CTarvexApp::InitInstance()
{
    GXInit();
    FrameOptions options;
    const QString script = ScriptRunner::scriptFromEnvironment();
    if (!script.isEmpty()) {
        scriptMessages_ = std::make_unique<ScriptMessages>();
        options.messages = scriptMessages_.get();
    }
    frame_ = std::make_unique<CMainFrame>(std::move(options));
    frame_->show();
    if (!script.isEmpty()) {
        script_ = std::make_unique<ScriptRunner>(*frame_, script);
        script_->start();
    }
    return true;
}

int CTarvexApp::run()
{
    if (!InitInstance())
        return 1;
    const int code = exec();
    frame_.reset();
    return code;
}

} // namespace tarvex
