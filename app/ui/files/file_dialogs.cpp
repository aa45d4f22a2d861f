#include "app/ui/files/file_dialogs.h"

#include "app/ui/settings/user_settings.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace tarvex {

namespace {

const QString kAllFiles = QStringLiteral("All files (*)");

} // namespace

QString suffixOfFilter(const QString &filter)
{
    const qsizetype star = filter.indexOf(QLatin1String("*."));
    if (star < 0)
        return {};
    QString suffix = filter.mid(star + 2);
    const qsizetype end = suffix.indexOf(QRegularExpression(QStringLiteral("[ ;)]")));
    if (end >= 0)
        suffix.truncate(end);
    return suffix.contains(QLatin1Char('*')) ? QString() : suffix;
}

void configureFileDialog(QFileDialog &dialog, const FileType &type, FileChoice choice)
{
    const bool saving = choice == FileChoice::Save;
    QStringList filters = type.filters;
    if (!saving)
        filters.append(kAllFiles);
    dialog.setNameFilters(filters);
    if (!type.filters.isEmpty())
        dialog.selectNameFilter(type.filters.constFirst());
    dialog.setDefaultSuffix(type.filters.isEmpty() ? QString() : suffixOfFilter(type.filters.constFirst()));
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setDirectory(UserSettings::folderFor(type.kind));
    // A name typed under another of the type's filters (a JPEG picture
    // rather than a PNG one) gets that filter's extension.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &filter) {
        const QString suffix = suffixOfFilter(filter);
        if (!suffix.isEmpty())
            dialog.setDefaultSuffix(suffix);
    });
}

QString chooseFile(QWidget *parent, const FileType &type, FileChoice choice, const QString &caption)
{
    QFileDialog dialog(parent, caption);
    configureFileDialog(dialog, type, choice);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().constFirst();
    UserSettings::rememberFolderOf(type.kind, chosen);
    return chosen;
}

} // namespace tarvex
