#include "app/ui/settings/user_settings.h"

#include "app/ui/settings/recording_journal_folder.h"

#include "drive/files/file_access.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <mutex>
#include <utility>

namespace tarvex {

namespace {

std::mutex &fileMutex()
{
    static std::mutex mutex;
    return mutex;
}

QString &settingsFile()
{
    static QString path;
    return path;
}

const QString kOrganisation = QStringLiteral("Local AppWizard-Generated Applications");
const QString kApplication = QStringLiteral("Tarvex_M9A");

// The outcome of the check of the chosen settings file.
struct FileCheck {
    bool done = false;
    QString fallback;    // where this run's settings go instead; empty when the file is used
    std::string notice;  // why, until it is taken
};

FileCheck &fileCheck()
{
    static FileCheck check;
    return check;
}

// Where QSettings keeps the user's own settings (without reading them).
QString defaultSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + kOrganisation +
           QLatin1Char('/') + kApplication + QStringLiteral(".conf");
}

// Called with the mutex held.
void checkFile()
{
    FileCheck &check = fileCheck();
    if (check.done)
        return;
    check.done = true;
    const QString path = settingsFile().isEmpty() ? defaultSettingsFile() : settingsFile();
    const std::string name = QFile::encodeName(path).toStdString();
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return; // nothing stored yet: QSettings creates it
    const std::string reason = unreadableReason(name, kSettingsFileLimit);
    if (reason.empty())
        return;
    static QTemporaryDir instead;
    check.fallback = instead.filePath(QStringLiteral("settings.ini"));
    check.notice = name + ": " + reason +
                   ". The program starts with the default settings and does not change that file.";
}

using settings_keys::kFoldersGroup;
using settings_keys::kLayoutGroup;
using settings_keys::kEnglishCatalogue;
using settings_keys::kTrendRows;
// More than the status pane has rows: a longer stored list is not read on.
constexpr int kMostTrendRows = 32;

} // namespace

void UserSettings::useFile(const QString &path)
{
    std::lock_guard lock(fileMutex());
    settingsFile() = path;
    fileCheck() = {};
}

QString UserSettings::file()
{
    std::lock_guard lock(fileMutex());
    return settingsFile();
}

QString recordingJournalFolder()
{
    QString path;
    {
        std::lock_guard lock(fileMutex());
        checkFile();
        path = !fileCheck().fallback.isEmpty() ? fileCheck().fallback
               : settingsFile().isEmpty()      ? defaultSettingsFile()
                                               : settingsFile();
    }
    return QFileInfo(path).absolutePath() + QLatin1Char('/') + kApplication + QStringLiteral(" recordings");
}

std::string UserSettings::refusedFileNotice()
{
    std::lock_guard lock(fileMutex());
    checkFile();
    return std::exchange(fileCheck().notice, {});
}

std::unique_ptr<QSettings> UserSettings::open()
{
    QString path;
    {
        std::lock_guard lock(fileMutex());
        checkFile();
        path = fileCheck().fallback.isEmpty() ? settingsFile() : fileCheck().fallback;
    }
    if (!path.isEmpty())
        return std::make_unique<QSettings>(path, QSettings::IniFormat);
    return std::make_unique<QSettings>(kOrganisation, kApplication);
}

QVariant UserSettings::value(const QString &key, const QVariant &fallback)
{
    return open()->value(key, fallback);
}

void UserSettings::setValue(const QString &key, const QVariant &value) { open()->setValue(key, value); }

void UserSettings::remove(const QString &key) { open()->remove(key); }

QByteArray UserSettings::windowGeometry(const QString &window)
{
    return value(kLayoutGroup + QLatin1Char('/') + window + QStringLiteral("Geometry")).toByteArray();
}

void UserSettings::setWindowGeometry(const QString &window, const QByteArray &geometry)
{
    setValue(kLayoutGroup + QLatin1Char('/') + window + QStringLiteral("Geometry"), geometry);
}

QSize UserSettings::windowSize(const QString &window)
{
    const QSize size = value(kLayoutGroup + QLatin1Char('/') + window + QStringLiteral("Size")).toSize();
    return size.isValid() && !size.isEmpty() ? size : QSize();
}

void UserSettings::setWindowSize(const QString &window, const QSize &size)
{
    setValue(kLayoutGroup + QLatin1Char('/') + window + QStringLiteral("Size"), size);
}

QByteArray UserSettings::mainWindowState()
{
    return value(kLayoutGroup + QStringLiteral("/MainWindowState")).toByteArray();
}

void UserSettings::setMainWindowState(const QByteArray &state)
{
    setValue(kLayoutGroup + QStringLiteral("/MainWindowState"), state);
}

void UserSettings::forgetLayout() { remove(kLayoutGroup); }

std::optional<bool> UserSettings::englishCatalogueInstead()
{
    const QVariant stored = value(kEnglishCatalogue);
    if (!stored.isValid())
        return std::nullopt;
    const QString text = stored.toString().trimmed().toLower();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    return std::nullopt; // not a stored answer: asked again
}

void UserSettings::setEnglishCatalogueInstead(bool english) { setValue(kEnglishCatalogue, english); }

std::vector<int> UserSettings::trendRows()
{
    std::vector<int> rows;
    const QStringList stored = value(kTrendRows).toStringList();
    for (const QString &entry : stored) {
        if (static_cast<int>(rows.size()) >= kMostTrendRows)
            break;
        bool number = false;
        const int row = entry.trimmed().toInt(&number);
        if (number && row >= 1 && row <= kMostTrendRows && std::find(rows.begin(), rows.end(), row) == rows.end())
            rows.push_back(row);
    }
    return rows;
}

void UserSettings::setTrendRows(const std::vector<int> &rows)
{
    QStringList entries;
    for (int row : rows)
        entries << QString::number(row);
    setValue(kTrendRows, entries);
}

QString UserSettings::folderFor(const QString &kind)
{
    const QString stored = value(kFoldersGroup + QLatin1Char('/') + kind).toString();
    if (!stored.isEmpty()) {
        const QFileInfo folder(stored);
        if (folder.isDir() && folder.isWritable())
            return stored;
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

void UserSettings::rememberFolderOf(const QString &kind, const QString &filePath)
{
    if (filePath.isEmpty())
        return;
    setValue(kFoldersGroup + QLatin1Char('/') + kind, QFileInfo(filePath).absolutePath());
}

} // namespace tarvex
