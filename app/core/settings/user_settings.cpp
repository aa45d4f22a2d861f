#include "user_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <mutex>

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

const QString kLayoutGroup = QStringLiteral("Layout");
const QString kFoldersGroup = QStringLiteral("Folders");

} // namespace

void UserSettings::useFile(const QString &path)
{
    std::lock_guard lock(fileMutex());
    settingsFile() = path;
}

QString UserSettings::file()
{
    std::lock_guard lock(fileMutex());
    return settingsFile();
}

std::unique_ptr<QSettings> UserSettings::open()
{
    const QString path = file();
    if (!path.isEmpty())
        return std::make_unique<QSettings>(path, QSettings::IniFormat);
    return std::make_unique<QSettings>(QStringLiteral("Local AppWizard-Generated Applications"),
                                       QStringLiteral("Tarvex_M9A"));
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
