// What the upgrader's command line asks for: the serial device to take over
// (the main program passes the one it was connected through).
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace upgrader {

struct UpgraderStart {
    QString port;                // empty: the user chooses with ComSet
    std::optional<int> exitCode; // set: end at once with it (--help, --version, a bad option)
};

UpgraderStart parseUpgraderOptions(const QStringList &arguments);

} // namespace upgrader
