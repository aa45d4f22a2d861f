// The one QApplication of the widget tests, created on first use on the
// offscreen platform, with a settings store of its own.
#pragma once

class QApplication;
class QPoint;
class QWidget;

namespace tarvex::test {

QApplication &testApplication();
// Processes events for `ms` milliseconds.
void pump(int ms = 0);
// A double click as the window system delivers it: press, release, the
// double-click press, release.
void doubleClick(QWidget &target, const QPoint &at);
// Shows a window and makes it the active one, as a user's click would.
void showActive(QWidget &window);

} // namespace tarvex::test
