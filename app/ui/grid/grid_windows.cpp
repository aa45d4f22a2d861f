#include "app/ui/grid/grid_windows.h"

namespace tarvex {

CSelectAllGridWnd::CSelectAllGridWnd(ROWCOL firstRow, ROWCOL lastRow, bool consumesDoubleClick,
                                     QWidget *parent)
    : CGXGridWnd(parent), firstRow_(firstRow), lastRow_(lastRow),
      consumesDoubleClick_(consumesDoubleClick)
{
}

bool CSelectAllGridWnd::OnLButtonDblClkRowCol(ROWCOL row, ROWCOL col)
{
    if (consumesDoubleClick_)
        return true;
    return CGXGridWnd::OnLButtonDblClkRowCol(row, col);
}

void CSelectAllGridWnd::OnHeaderClickRowCol(ROWCOL row, ROWCOL)
{
    if (row != 0 || lastRow_ < firstRow_)
        return;
    selectAll_ = selectAll_ == 0 ? 1 : 0;
    // Rows a filter hides are not the user's to tick unseen.
    for (ROWCOL r = firstRow_; r <= lastRow_; ++r)
        if (!isRowHidden(r - 1))
            SetStyleRange(CGXRange(r, 1),
                          CGXStyle().SetControl(GX_IDS_CTRL_CHECKBOX3D).SetValue(std::int64_t{selectAll_}));
    // A tick box in the header shows the state, whichever header was clicked.
    if (GetStyleRowCol(0, 1).IsCheckBox())
        SetValueRange(CGXRange(0, 1), QString::number(selectAll_));
    viewport()->update();
}

} // namespace tarvex
