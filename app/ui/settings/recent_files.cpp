#include "app/ui/settings/recent_files.h"

#include "app/ui/settings/user_settings.h"

#include <QFileInfo>

namespace tarvex {

namespace {

const QString &kRecentGroup = settings_keys::kRecentFilesGroup;

void store(const std::vector<RecentFile> &files)
{
    const auto settings = UserSettings::open();
    settings->remove(kRecentGroup);
    settings->beginWriteArray(kRecentGroup, static_cast<int>(files.size()));
    for (std::size_t i = 0; i < files.size(); ++i) {
        settings->setArrayIndex(static_cast<int>(i));
        settings->setValue(QStringLiteral("kind"), files[i].kind);
        settings->setValue(QStringLiteral("path"), files[i].path);
    }
    settings->endArray();
}

bool samePath(const QString &a, const QString &b) { return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath(); }

} // namespace

std::vector<RecentFile> RecentFiles::list()
{
    const auto settings = UserSettings::open();
    const int stored = settings->beginReadArray(kRecentGroup);
    std::vector<RecentFile> files;
    // A hand-edited file may hold more, or blanks: only the first few real entries count.
    for (int i = 0; i < stored && static_cast<int>(files.size()) < kMost; ++i) {
        settings->setArrayIndex(i);
        RecentFile file{settings->value(QStringLiteral("kind")).toString(),
                        settings->value(QStringLiteral("path")).toString()};
        if (!file.kind.isEmpty() && !file.path.isEmpty())
            files.push_back(std::move(file));
    }
    settings->endArray();
    return files;
}

void RecentFiles::add(const QString &kind, const QString &path)
{
    if (path.isEmpty())
        return;
    std::vector<RecentFile> files = list();
    std::erase_if(files, [&path](const RecentFile &file) { return samePath(file.path, path); });
    files.insert(files.begin(), RecentFile{kind, QFileInfo(path).absoluteFilePath()});
    if (files.size() > static_cast<std::size_t>(kMost))
        files.resize(static_cast<std::size_t>(kMost));
    store(files);
}

void RecentFiles::remove(const QString &path)
{
    std::vector<RecentFile> files = list();
    std::erase_if(files, [&path](const RecentFile &file) { return samePath(file.path, path); });
    store(files);
}

} // namespace tarvex
