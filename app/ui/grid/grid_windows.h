// The table window classes of the parameter group views, the monitor panes
// and the alarm history. Each adds two behaviours to the grid: a click on a
// column header checks or clears the check boxes of column 1 over the
// class's row range (alternately, starting with "check"), and a double
// click on a cell that is either consumed (no editing starts) or left to
// the grid.
#pragma once

#include "app/ui/grid/cgx_grid_wnd.h"

namespace tarvex {

class CSelectAllGridWnd : public CGXGridWnd {
    Q_OBJECT
public:
    // Rows firstRow..lastRow of column 1 are toggled; lastRow < firstRow
    // means the header click does nothing.
    CSelectAllGridWnd(ROWCOL firstRow, ROWCOL lastRow, bool consumesDoubleClick,
                      QWidget *parent = nullptr);

    bool OnLButtonDblClkRowCol(ROWCOL row, ROWCOL col) override;
    void OnHeaderClickRowCol(ROWCOL row, ROWCOL col) override;

    int selectAllState() const { return selectAll_; }
    ROWCOL firstToggledRow() const { return firstRow_; }
    ROWCOL lastToggledRow() const { return lastRow_; }

private:
    ROWCOL firstRow_;
    ROWCOL lastRow_;
    bool consumesDoubleClick_;
    int selectAll_ = 0;
};

#define TARVEX_GRID_WINDOW(Name, first, last, consumes)                                        \
    class Name : public CSelectAllGridWnd {                                                     \
    public:                                                                                     \
        explicit Name(QWidget *parent = nullptr)                                                \
            : CSelectAllGridWnd(first, last, consumes, parent)                                  \
        {                                                                                       \
        }                                                                                       \
    }

// Parameter group views.
TARVEX_GRID_WINDOW(CStatusGridWnd, 1, 25, false);
TARVEX_GRID_WINDOW(CSystemGridWnd, 1, 33, true);
TARVEX_GRID_WINDOW(CControlGridWnd, 1, 24, true);
TARVEX_GRID_WINDOW(CInOutGridWnd, 1, 9, true);
TARVEX_GRID_WINDOW(CSpeedGridWnd, 1, 14, false);
TARVEX_GRID_WINDOW(CPositionGridWnd, 1, 4, false);
TARVEX_GRID_WINDOW(CFactoryGridWnd, 1, 9, false);
TARVEX_GRID_WINDOW(CFullclosedGridWnd, 1, 6, false);
// Monitor panes.
TARVEX_GRID_WINDOW(CDock1GridWnd, 1, 26, false);
TARVEX_GRID_WINDOW(CDock2GridWnd, 1, 19, false);
TARVEX_GRID_WINDOW(CDock3GridWnd, 1, 9, false);
// Alarm history: no check boxes to toggle, no editing.
TARVEX_GRID_WINDOW(CMyGridWnd, 1, 0, true);

#undef TARVEX_GRID_WINDOW

} // namespace tarvex
