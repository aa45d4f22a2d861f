#include "app/monitor/monitor_grid_look.h"

namespace tarvex {

void prepareMonitorGrid(CGXGridWnd &grid, int rows, int cols)
{
    grid.Initialize();
    grid.EnableMouseWheel(true);
    grid.EnableUndo(false);
    grid.EnableSelection(GX_SELCELL);
    grid.EnableTrackColWidth(false);
    grid.SetRowCount(rows);
    grid.SetColCount(cols);
    grid.SetScrollBarMode(0, 0);
    grid.HideCols(0, 0);
}

void applyMonitorFont(CGXGridWnd &grid)
{
    const CGXStyle text = CGXStyle()
                              .SetFont(CGXFont().SetSize(9).SetBold(false))
                              .SetVerticalAlignment(Qt::AlignVCenter);
    grid.SetStyleRange(CGXRange(0, 0, grid.GetRowCount(), grid.GetColCount()), text);
    grid.SetStyleRange(CGXRange(0, 0, 0, grid.GetColCount()),
                       CGXStyle().SetTextColor(headerTextColour()));
}

} // namespace tarvex
