// A tool window opens at the size the user left it at, in this run or an
// earlier one, or else at the size its set-up gives it; either within the
// screen. The size is stored under the window's name when the window is
// hidden or destroyed.
#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace tarvex {

// Call once the window is built and before it is first shown; `name`
// defaults to the window's class name.
void keepWindowSize(QWidget &window, const QString &name = {});

// `size` made small enough that the window, with its frame, fits the
// available area of its screen: the status bar and the buttons at the
// bottom stay on the screen. Without a window manager (or before the first
// showing) the frame is not known yet, so an allowance stands in for it.
QSize fitToAvailableScreen(const QWidget &window, QSize size);

} // namespace tarvex
