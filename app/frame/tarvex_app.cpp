#include "app/frame/tarvex_app.h"

#include "app/monitor/lamp_images.h"
#include "app/frame/main_frame.h"
#include "app/frame/script_runner.h"

#include <QCommandLineParser>

#include <cstdio>
#include <string_view>

namespace tarvex {

void GXInit() { registerLampImages(); }

StartOptions parseStartOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Set-up and monitoring of M9A servo drives. Without options the program starts unconnected."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Connect at start to the drive on <device> (for example "
                                                 "/dev/ttyUSB0, the link the virtual drive names, or a serial "
                                                 "device server's tcp://HOST:PORT or rfc2217://HOST:PORT)."),
                                  QStringLiteral("device"));
    const QCommandLineOption node(QStringLiteral("node"), QStringLiteral("The drive's node, 0 to 99 (default 0)."),
                                  QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("Line speed: 9600, 19200, 38400 or 57600 (default 19200)."),
                                  QStringLiteral("rate"), QStringLiteral("19200"));
    const QCommandLineOption monitor(QStringLiteral("monitor"),
                                     QStringLiteral("With --port: tick every status row and start cyclic monitoring."));
    parser.addOptions({port, node, baud, monitor});

    StartOptions options;
    const auto refuse = [&options](const QString &text) {
        std::fprintf(stderr, "Tarvex_M9A: %s\n", qPrintable(text));
        options.exitCode = 2;
        return options;
    };
    if (!parser.parse(arguments))
        return refuse(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        options.exitCode = 0;
        return options;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("Tarvex_M9A %s\n", qPrintable(QCoreApplication::applicationVersion()));
        options.exitCode = 0;
        return options;
    }
    if (!parser.positionalArguments().isEmpty())
        return refuse(QStringLiteral("unexpected argument %1 (see --help)").arg(parser.positionalArguments().front()));
    if (!parser.isSet(port)) {
        if (parser.isSet(monitor) || parser.isSet(node) || parser.isSet(baud))
            return refuse(QStringLiteral("--node, --baud and --monitor go with --port"));
        return options;
    }
    const auto device = parsePortText(parser.value(port).toStdString());
    if (!device) {
        const std::string problem = networkPortProblem(parser.value(port).toStdString());
        if (!problem.empty())
            return refuse(QStringLiteral("--port %1: %2").arg(parser.value(port), QString::fromStdString(problem)));
        return refuse(QStringLiteral("--port takes a device path, a COM number 1 to 255 or a serial device "
                                     "server's tcp://HOST:PORT or rfc2217://HOST:PORT, not \"%1\"")
                          .arg(parser.value(port)));
    }
    const auto nodeNumber = parseNodeText(parser.value(node).toStdString());
    if (!nodeNumber)
        return refuse(QStringLiteral("--node takes a whole number from 0 to 99, not \"%1\"").arg(parser.value(node)));
    bool numeric = false;
    const uint rate = parser.value(baud).toUInt(&numeric);
    if (!numeric || (rate != 9600 && rate != 19200 && rate != 38400 && rate != 57600))
        return refuse(QStringLiteral("--baud takes 9600, 19200, 38400 or 57600, not \"%1\"").arg(parser.value(baud)));
    options.settings = LinkSettings{*nodeNumber, *device, rate};
    options.monitor = parser.isSet(monitor);
    return options;
}

namespace {

void nameApplication()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarvex_M9A"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.7"));
}

} // namespace

std::optional<int> answerWithoutDisplay(int &argc, char **argv)
{
    bool asked = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a(argv[i]);
        asked = asked || a == "--help" || a == "-h" || a == "-?" || a == "--version" || a == "-v";
    }
    if (!asked)
        return std::nullopt;
    const QCoreApplication core(argc, argv);
    nameApplication();
    return parseStartOptions(QCoreApplication::arguments()).exitCode.value_or(0);
}

CTarvexApp::CTarvexApp(int &argc, char **argv) : QApplication(argc, argv) { nameApplication(); }

CTarvexApp::~CTarvexApp()
{
    script_.reset();
    frame_.reset();
}

bool CTarvexApp::InitInstance()
{
    const StartOptions parsed = parseStartOptions(arguments());
    if (parsed.exitCode) {
        exitCode_ = *parsed.exitCode;
        return false;
    }
    start_ = parsed;
    GXInit();
    FrameOptions options;
    const QString script = ScriptRunner::scriptFromEnvironment();
    if (!script.isEmpty()) {
        scriptMessages_ = std::make_unique<ScriptMessages>();
        options.messages = scriptMessages_.get();
    }
    frame_ = std::make_unique<CMainFrame>(std::move(options));
    frame_->show();
    if (start_.settings)
        frame_->connectAtStart(*start_.settings, start_.monitor);
    if (!script.isEmpty()) {
        script_ = std::make_unique<ScriptRunner>(*frame_, script);
        script_->start();
    }
    return true;
}

int CTarvexApp::run()
{
    if (!InitInstance())
        return exitCode_;
    const int code = exec();
    frame_.reset();
    return code;
}

} // namespace tarvex
