#include "upgrader/upgrader_options.h"

#include "link/network_address.h"

#include <QCommandLineParser>

#include <cstdio>

namespace upgrader {

UpgraderStart parseUpgraderOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Downloads a firmware image (Intel HEX) into an M9 servo drive's boot loader."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Open the drive's serial <device> at start (for example "
                                                 "/dev/ttyUSB0, or a serial device server's "
                                                 "rfc2217://HOST:PORT or tcp://HOST:PORT) instead of "
                                                 "choosing it with ComSet."),
                                  QStringLiteral("device"));
    parser.addOption(port);

    UpgraderStart start;
    const auto refuse = [&start](const QString &text) {
        std::fprintf(stderr, "M9 Upgrader: %s\n", qPrintable(text));
        start.exitCode = 2;
        return start;
    };
    if (!parser.parse(arguments))
        return refuse(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        start.exitCode = 0;
        return start;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("M9 Upgrader %s\n", qPrintable(QCoreApplication::applicationVersion()));
        start.exitCode = 0;
        return start;
    }
    if (!parser.positionalArguments().isEmpty())
        return refuse(QStringLiteral("unexpected argument ") + parser.positionalArguments().front() +
                      QStringLiteral(" (see --help)"));
    if (parser.isSet(port)) {
        const QString device = parser.value(port).trimmed();
        std::string problem;
        if (vq::link::isNetworkDevice(device.toStdString())) {
            if (!vq::link::parseNetworkAddress(device.toStdString(), problem))
                return refuse(QStringLiteral("--port ") + device + QStringLiteral(": ") +
                              QString::fromStdString(problem));
        } else if (!device.startsWith(QLatin1Char('/'))) {
            return refuse(QStringLiteral("--port takes a device path such as /dev/ttyUSB0, not \"") + device +
                          QStringLiteral("\""));
        }
        start.port = device;
    }
    return start;
}

} // namespace upgrader
