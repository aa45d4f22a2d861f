// The look the three monitor grids share: font size 9, not bold, text
// centred vertically, blue header texts, and the pane colour for the
// highlighted cells.
#pragma once

#include "app/ui/grid/cgx_grid_wnd.h"

namespace tarvex {

inline QColor paneColour() { return GXRgb(236, 233, 216); }
inline QColor headerTextColour() { return GXRgb(0, 0, 255); }
// Values and lamps that no longer follow the drive (monitoring stopped).
inline QColor staleTextColour() { return GXRgb(160, 160, 160); }

// Grid set-up common to the monitor grids: selection, a name column that
// takes the width the fixed value columns leave, hidden header column,
// mouse wheel on, undo off.
void prepareMonitorGrid(CGXGridWnd &grid, int rows, int cols);
// Font and alignment for every cell, blue texts in the header row.
void applyMonitorFont(CGXGridWnd &grid);

} // namespace tarvex
