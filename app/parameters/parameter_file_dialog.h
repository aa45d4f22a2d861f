// The file dialogs of the parameter window's two file buttons: "*.mpa"
// files, in the folder the last parameter file was in (see file_dialogs.h).
#pragma once

#include "app/ui/files/file_dialogs.h"

#include <QString>

class QFileDialog;
class QWidget;

namespace tarvex {

enum class ParameterFileChoice { Open, Save };

FileType parameterFileType();
void configureParameterFileDialog(QFileDialog &dialog, ParameterFileChoice choice);
// The chosen file, or an empty text when the user cancelled.
QString chooseParameterFile(QWidget *parent, ParameterFileChoice choice);

} // namespace tarvex
