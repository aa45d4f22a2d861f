#include "app/graphs/graph_file_dialog.h"

#include "drive/connection/message_service.h"
#include "app/ui/settings/recent_files.h"

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
    const std::string name = QFile::encodeName(path).toStdString();
    const FileOutcome saved = writeGraphFile(name, file);
    if (saved) {
        RecentFiles::add(graphFileType(file.kind).kind, path);
        return true;
    }
    if (messages)
        messages->show("Cannot Save Parameter File", name + ": " + saved.reason);
    return false;
}

bool openGraphFile(const QString &path, GraphKind kind, GraphFileContents &into, MessageService *messages)
{
    const std::string name = QFile::encodeName(path).toStdString();
    const FileOutcome read = readGraphFile(name, kind, into);
    if (read) {
        RecentFiles::add(graphFileType(kind).kind, path);
        // The windows draw the default axis instead (the same rule as for the
        // remembered set-up); the user learns why the file's limits are not shown.
        if (const std::string unusable = unusableLimitsText(into.limits); !unusable.empty() && messages)
            messages->show("Axis limits in the file cannot be drawn", unusable + "The default limits are shown.");
        return true;
    }
    if (messages)
        messages->show("Cannot Open Parameter File", name + ": " + read.reason);
    return false;
}

} // namespace tarvex::graphs
