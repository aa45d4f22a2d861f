// The file dialogs of the parameter window's two file buttons: "*.mpa"
// files, the default extension "txt" added to a name typed without one,
// and a confirmation before an existing file is overwritten. The working
// directory is the same after the dialog as before it.
#pragma once

#include <QString>

class QFileDialog;
class QWidget;

namespace tarvex {

enum class ParameterFileChoice { Open, Save };

void configureParameterFileDialog(QFileDialog &dialog, ParameterFileChoice choice);
// The chosen file, or an empty text when the user cancelled.
QString chooseParameterFile(QWidget *parent, ParameterFileChoice choice);

} // namespace tarvex
