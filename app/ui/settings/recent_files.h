// The files the user opened or saved last, most recent first, for the File
// menu: each with its kind ("mpa", "mdg", ...), which tells the window
// that opens it. Kept in the user's settings (see user_settings.h).
#pragma once

#include <QString>

#include <vector>

namespace tarvex {

struct RecentFile {
    QString kind;
    QString path;
};

class RecentFiles {
public:
    static constexpr int kMost = 8;

    static std::vector<RecentFile> list();
    // `path` goes to the front (once, however often it was used before).
    static void add(const QString &kind, const QString &path);
    static void remove(const QString &path);
};

} // namespace tarvex
