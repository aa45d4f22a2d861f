// Where the parameter window's parts go at a given size: the controls
// above the tabs keep their places; the filter row, the tab control with
// its grids and the progress line take the width, and the grids take the
// height, so a larger window shows more of every group. The window opens
// wide enough for the widest grid's columns, each column wide enough for
// its header and catalogue texts.
#pragma once

#include <QRect>
#include <QSize>

namespace tarvex {
class CGXGridWnd;
}

namespace tarvex::parameters {

struct ParameterWindowLayout {
    QRect filterBar;
    QRect compareButton;
    QRect tab;
    QRect progress;
};

ParameterWindowLayout parameterWindowLayout(QSize client);

// Small enough for a service laptop, large enough for the buttons above the
// tabs and a few rows of a grid.
QSize parameterWindowMinimumSize();
// The drawn size, widened until a grid `gridWidth` pixels wide fits a page.
QSize parameterWindowDefaultSize(int gridWidth);

// Widens each column (never narrows it) to show its longest text whole.
void fitColumnsToContents(CGXGridWnd &grid);
// The width a grid needs to show all its columns beside its vertical
// scroll bar.
int gridWidthNeeded(const CGXGridWnd &grid);

} // namespace tarvex::parameters
