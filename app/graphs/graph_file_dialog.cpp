#include "graph_file_dialog.h"

#include "message_service.h"
#include "recent_files.h"

#include <QFile>

namespace tarvex::graphs {

FileType graphFileType(GraphKind kind)
{
    const QString filter = QString::fromLatin1(graphFileFilter(kind));
    return {suffixOfFilter(filter), {filter}};
}

QString chooseGraphFileToSave(QWidget *parent, GraphKind kind)
{
    return chooseFile(parent, graphFileType(kind), FileChoice::Save);
}

QString chooseGraphFileToOpen(QWidget *parent, GraphKind kind)
{
    return chooseFile(parent, graphFileType(kind), FileChoice::Open);
}

QString chooseAnyGraphFileToOpen(QWidget *parent)
{
    // A reference can be any of the three kinds; its folder is the trace's.
    const FileType any{graphFileType(GraphKind::Trace).kind,
                       {QStringLiteral("M9 Graph Files(*.mdg *.mtg *.mag)"),
                        QString::fromLatin1(graphFileFilter(GraphKind::Trace)),
                        QString::fromLatin1(graphFileFilter(GraphKind::Trigger)),
                        QString::fromLatin1(graphFileFilter(GraphKind::AlarmGraph))}};
    return chooseFile(parent, any, FileChoice::Open);
}

bool saveGraphFile(const QString &path, const GraphFileWriting &file, MessageService *messages)
{
    if (writeGraphFile(QFile::encodeName(path).toStdString(), file)) {
        RecentFiles::add(graphFileType(file.kind).kind, path);
        return true;
    }
    if (messages)
        messages->show("Cannot Save Parameter File");
    return false;
}

bool openGraphFile(const QString &path, GraphKind kind, GraphFileContents &into, MessageService *messages)
{
    if (readGraphFile(QFile::encodeName(path).toStdString(), kind, into)) {
        RecentFiles::add(graphFileType(kind).kind, path);
        return true;
    }
    if (messages)
        messages->show("Cannot Open Parameter File");
    return false;
}

} // namespace tarvex::graphs
