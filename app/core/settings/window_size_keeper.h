// A tool window opens at the size the user left it at, in this run or an
// earlier one (within the screen). The size is stored under the window's
// name when the window is hidden or destroyed.
#pragma once

#include <QString>

class QWidget;

namespace tarvex {

// Call once the window is built and before it is first shown; `name`
// defaults to the window's class name.
void keepWindowSize(QWidget &window, const QString &name = {});

} // namespace tarvex
