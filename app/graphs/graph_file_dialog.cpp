#include "graph_file_dialog.h"

#include "message_service.h"

#include <QFile>
#include <QFileDialog>

namespace tarvex::graphs {

namespace {

QString choose(QWidget *parent, const QStringList &filters, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Asking before an existing file is overwritten is the dialog's default;
    // the read-only choice is never offered.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString chooseGraphFileToSave(QWidget *parent, GraphKind kind)
{
    return choose(parent, {QString::fromLatin1(graphFileFilter(kind))}, QFileDialog::AcceptSave);
}

QString chooseGraphFileToOpen(QWidget *parent, GraphKind kind)
{
    return choose(parent, {QString::fromLatin1(graphFileFilter(kind))}, QFileDialog::AcceptOpen);
}

QString chooseAnyGraphFileToOpen(QWidget *parent)
{
    return choose(parent,
                  {QStringLiteral("M9 Graph Files(*.mdg *.mtg *.mag)"),
                   QString::fromLatin1(graphFileFilter(GraphKind::Trace)),
                   QString::fromLatin1(graphFileFilter(GraphKind::Trigger)),
                   QString::fromLatin1(graphFileFilter(GraphKind::AlarmGraph))},
                  QFileDialog::AcceptOpen);
}

bool saveGraphFile(const QString &path, const GraphFileWriting &file, MessageService *messages)
{
    if (writeGraphFile(QFile::encodeName(path).toStdString(), file))
        return true;
    if (messages)
        messages->show("Cannot Save Parameter File");
    return false;
}

bool openGraphFile(const QString &path, GraphKind kind, GraphFileContents &into, MessageService *messages)
{
    if (readGraphFile(QFile::encodeName(path).toStdString(), kind, into))
        return true;
    if (messages)
        messages->show("Cannot Open Parameter File");
    return false;
}

} // namespace tarvex::graphs
