#include "app/frame/recent_files_menu.h"

#include "app/ui/settings/recent_files.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

namespace tarvex {

std::optional<Command> commandOpeningFilesOf(const QString &kind)
{
    if (kind == QLatin1String("mpa"))
        return Command::ParameterEditing;
    if (kind == QLatin1String("mdg"))
        return Command::DataTrace;
    if (kind == QLatin1String("mtg"))
        return Command::TriggerMonitoring;
    if (kind == QLatin1String("mag"))
        return Command::AlarmTrace;
    return std::nullopt;
}

RecentFilesMenu::RecentFilesMenu(QMenu &menu, QAction *before, Allowed allowed, Opener open)
    : QObject(&menu), menu_(menu), before_(before), allowed_(std::move(allowed)), open_(std::move(open))
{
    menu_.setToolTipsVisible(true);
    connect(&menu_, &QMenu::aboutToShow, this, &RecentFilesMenu::refresh);
}

void RecentFilesMenu::refresh()
{
    for (QAction *entry : entries_) {
        menu_.removeAction(entry);
        entry->deleteLater();
    }
    entries_.clear();
    int number = 0;
    for (const RecentFile &file : RecentFiles::list()) {
        const std::optional<Command> command = commandOpeningFilesOf(file.kind);
        if (!command)
            continue;
        ++number;
        QString name = QFileInfo(file.path).fileName();
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto *entry = new QAction(QStringLiteral("&%1 %2").arg(number).arg(name), &menu_);
        entry->setToolTip(file.path);
        entry->setStatusTip(file.path);
        entry->setEnabled(allowed_(*command));
        const QString path = file.path;
        const Command opening = *command;
        connect(entry, &QAction::triggered, this, [this, opening, path] { open_(opening, path); });
        menu_.insertAction(before_, entry);
        entries_.push_back(entry);
    }
    if (!entries_.empty()) {
        QAction *separator = menu_.insertSeparator(before_);
        entries_.push_back(separator);
    }
}

} // namespace tarvex
