// The file dialogs of the graph windows' "Save" and "Open" commands: the
// kind's filter, "txt" as the default extension, and a question before an
// existing file is overwritten.
#pragma once

#include "graph_file.h"

#include <QString>

class QWidget;

namespace tarvex::graphs {

// The chosen path, or an empty string when the user cancelled.
QString chooseGraphFileToSave(QWidget *parent, GraphKind kind);
QString chooseGraphFileToOpen(QWidget *parent, GraphKind kind);

} // namespace tarvex::graphs
