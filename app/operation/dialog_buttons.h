// No push button of an operation window is a default button, so Enter
// presses none of them (the windows ignore Enter and Escape altogether).
#pragma once

class QWidget;

namespace tarvex {

void makeButtonsNonDefault(QWidget &window);

} // namespace tarvex
