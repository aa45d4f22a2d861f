// The graph windows' "Save" and "Open" commands: the file dialogs with the
// kind's filter and extension (see file_dialogs.h), and the reading and
// writing that tells the user when a file cannot be opened or written.
#pragma once

#include "app/ui/files/file_dialogs.h"
#include "drive/capture/graph_file.h"

#include <QString>

class QWidget;

namespace tarvex {
class MessageService;
}

namespace tarvex::graphs {

FileType graphFileType(GraphKind kind);

// The chosen path, or an empty string when the user cancelled.
QString chooseGraphFileToSave(QWidget *parent, GraphKind kind);
QString chooseGraphFileToOpen(QWidget *parent, GraphKind kind);
// A file of any of the three kinds (a reference to compare with).
QString chooseAnyGraphFileToOpen(QWidget *parent);

// False, after "Cannot Save Parameter File" (when `messages` is given),
// when the file cannot be written. A file written or read goes to the
// front of the recent files.
bool saveGraphFile(const QString &path, const GraphFileWriting &file, MessageService *messages);
// False, after "Cannot Open Parameter File", when the file cannot be opened.
bool openGraphFile(const QString &path, GraphKind kind, GraphFileContents &into, MessageService *messages);

} // namespace tarvex::graphs
