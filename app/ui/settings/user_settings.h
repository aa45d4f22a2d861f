// Everything the program remembers between runs, in one place: the
// application look, the main window's size and dock layout, the tool
// windows' sizes, and the last folder of each kind of file. Stored with
// QSettings in the user's configuration; a program run (or a test) can
// point it at a file of its own.
#pragma once

#include <QByteArray>
#include <QSettings>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarvex {

// Every key the program stores a value under, in this one table, so that no
// two places spell a key differently or share one by accident.
namespace settings_keys {
// Kept by UserSettings itself (window layout, last folders) and by the
// recent files list.
inline const QString kLayoutGroup = QStringLiteral("Layout");
inline const QString kFoldersGroup = QStringLiteral("Folders");
inline const QString kRecentFilesGroup = QStringLiteral("RecentFiles");
// The link settings last accepted in Communication Setting.
inline const QString kLinkPort = QStringLiteral("Link/Port");
inline const QString kLinkNode = QStringLiteral("Link/Node");
inline const QString kLinkBaud = QStringLiteral("Link/Baud");
inline const QString kLinkFastExchange = QStringLiteral("Link/FastExchange");
inline const QString kApplicationLook = QStringLiteral("ApplicationLook");
// The Servo Status rows ticked for monitoring, one bit per row.
inline const QString kTickedStatusRows = QStringLiteral("Monitor/TickedStatusRows");
// The size last chosen for a chart's picture.
inline const QString kChartPictureSize = QStringLiteral("Chart/PictureSize");
// Followed by the capture window's name and the field ("Capture/TraceChannels").
inline const QString kCapturePrefix = QStringLiteral("Capture/");
// The answer to the offer of the English catalogue where the fonts cannot
// draw the Korean one.
inline const QString kEnglishCatalogue = QStringLiteral("Catalogue/EnglishInstead");
// The status rows the trend plots.
inline const QString kTrendRows = QStringLiteral("Monitor/TrendRows");
// The snapshot OS Upgrade kept before the upgrader took the port, and the
// port and node it was kept for: the next connection to that drive compares
// with it, even when the program was closed while the upgrader ran.
inline const QString kUpgradeSnapshotGroup = QStringLiteral("OsUpgrade");
inline const QString kUpgradeSnapshotName = QStringLiteral("OsUpgrade/Snapshot");
inline const QString kUpgradeSnapshotPort = QStringLiteral("OsUpgrade/Port");
inline const QString kUpgradeSnapshotNode = QStringLiteral("OsUpgrade/Node");
} // namespace settings_keys

class UserSettings {
public:
    // Where the settings live from now on; empty for the user's own.
    static void useFile(const QString &path);
    static QString file();

    // Checks the settings file once for the chosen place: one that is not a
    // regular file (a FIFO would block every read) or is far larger than
    // settings ever grow (each read would parse it all) is left untouched,
    // and the run keeps its settings in a temporary file instead, starting
    // from the defaults. Returns why, the first time only; empty otherwise.
    static std::string refusedFileNotice();

    static std::unique_ptr<QSettings> open();

    // A value of the given key, or `fallback` when none is stored.
    static QVariant value(const QString &key, const QVariant &fallback = {});
    static void setValue(const QString &key, const QVariant &value);
    static void remove(const QString &key);

    // Window layout: the main window under "MainWindow", tool windows by name.
    static QByteArray windowGeometry(const QString &window);
    static void setWindowGeometry(const QString &window, const QByteArray &geometry);
    static QSize windowSize(const QString &window);
    static void setWindowSize(const QString &window, const QSize &size);
    static QByteArray mainWindowState();
    static void setMainWindowState(const QByteArray &state);
    // Forgets every window's size and place and the dock layout.
    static void forgetLayout();

    // On a Korean system whose fonts cannot draw the Korean catalogue, the
    // user's answer to the offer of the English one: true to use it, false
    // to keep the Korean one; none while the question has not been asked.
    static std::optional<bool> englishCatalogueInstead();
    static void setEnglishCatalogueInstead(bool english);

    // The status rows (1 for the first) the trend plots, in the user's
    // order; rows outside 1..32 and repeats are dropped.
    static std::vector<int> trendRows();
    static void setTrendRows(const std::vector<int> &rows);

    // The folder the last file of `kind` ("mpa", "mdg", ...) was opened from
    // or saved into, when it still exists; else the user's documents folder.
    static QString folderFor(const QString &kind);
    static void rememberFolderOf(const QString &kind, const QString &filePath);
};

} // namespace tarvex
