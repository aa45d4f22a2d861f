#include "app/monitor/monitor_grid_look.h"

#include <QHeaderView>

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
    grid.HideCols(0, 0);
    // The name column gives way in a narrow pane, so that the values and
    // lamps beside it stay in view; below the least width the grid scrolls.
    grid.SetScrollBarMode(0, 1);
    QHeaderView &columns = *grid.horizontalHeader();
    columns.setMinimumSectionSize(60);
    for (int c = 1; c < cols; ++c)
        columns.setSectionResizeMode(c, QHeaderView::Fixed);
    columns.setSectionResizeMode(0, QHeaderView::Stretch);
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
