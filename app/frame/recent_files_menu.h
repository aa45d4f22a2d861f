// The File menu's recent files: parameter and graph files opened or saved
// last, most recent first, each opening in the window of its kind. The
// entries are read afresh each time the menu opens, and an entry whose
// window cannot be opened now is greyed as that window's command is.
#pragma once

#include "drive/connection/commands.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class QAction;
class QMenu;

namespace tarvex {

// The command whose window opens files of `kind`.
std::optional<Command> commandOpeningFilesOf(const QString &kind);

class RecentFilesMenu : public QObject {
public:
    using Allowed = std::function<bool(Command)>;
    using Opener = std::function<void(Command, const QString &path)>;

    // The entries go in front of `before`, followed by a separator of their own.
    RecentFilesMenu(QMenu &menu, QAction *before, Allowed allowed, Opener open);

    void refresh();
    const std::vector<QAction *> &entries() const { return entries_; }

private:
    QMenu &menu_;
    QAction *before_;
    Allowed allowed_;
    Opener open_;
    std::vector<QAction *> entries_;
};

} // namespace tarvex
