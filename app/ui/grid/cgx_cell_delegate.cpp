#include "app/ui/grid/cgx_cell_delegate.h"

#include "app/ui/grid/cgx_grid_wnd.h"
#include "app/ui/grid/cgx_painting.h"

#include <QPainter>

namespace tarvex {

CGXCellDelegate::CGXCellDelegate(CGXGridWnd &grid) : QStyledItemDelegate(&grid), grid_(grid) {}

void CGXCellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    CellLook look;
    look.selected = (option.state & QStyle::State_Selected) != 0;
    paintGridCell(*painter, option.rect, grid_.GetStyleRowCol(index.row() + 1, index.column() + 1),
                  grid_, look);
}

} // namespace tarvex
