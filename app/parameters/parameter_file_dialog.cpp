#include "parameter_file_dialog.h"

#include "parameter_file.h"

#include <QDir>
#include <QFileDialog>

namespace tarvex {

void configureParameterFileDialog(QFileDialog &dialog, ParameterFileChoice choice)
{
    const bool saving = choice == ParameterFileChoice::Save;
    dialog.setNameFilter(QString::fromLatin1(parameters::kParameterFileFilter));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setDirectory(QDir::current());
}

QString chooseParameterFile(QWidget *parent, ParameterFileChoice choice)
{
    const QString before = QDir::currentPath();
    QFileDialog dialog(parent);
    configureParameterFileDialog(dialog, choice);
    QString chosen;
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        chosen = dialog.selectedFiles().constFirst();
    QDir::setCurrent(before);
    return chosen;
}

} // namespace tarvex
