// The one way a window asks the user for a file to open or save. A file
// type names its filters and extensions; the dialog
// - adds the type's own extension to a name typed without one, so a saved
//   file shows again under the Open dialog's filter;
// - lists the type's filters, and "All files (*)" when opening;
// - starts in the folder last used for that type, else the user's
//   documents folder (never the working directory, which for an installed
//   program is a folder the user cannot write);
// - asks before an existing file is overwritten;
// - remembers the folder of a file chosen.
#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace tarvex {

struct FileType {
    // The settings key of the type's folder ("mpa", "csv", ...).
    QString kind;
    // "Name(*.ext)" entries; the first is the one preselected.
    QStringList filters;
};

enum class FileChoice { Open, Save };

// The extension a name typed under `filter` gets ("png" of "PNG picture (*.png)").
QString suffixOfFilter(const QString &filter);

// Sets the dialog up as above, without showing it.
void configureFileDialog(QFileDialog &dialog, const FileType &type, FileChoice choice);

// Asks for a file: the chosen path, or an empty text when the user cancelled.
// The folder of a chosen file becomes the type's folder.
QString chooseFile(QWidget *parent, const FileType &type, FileChoice choice, const QString &caption = {});

} // namespace tarvex
