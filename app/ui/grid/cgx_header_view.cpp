#include "app/ui/grid/cgx_header_view.h"

#include "app/ui/grid/cgx_grid_wnd.h"
#include "app/ui/grid/cgx_painting.h"

#include <QPainter>

namespace tarvex {

CGXHeaderView::CGXHeaderView(Qt::Orientation orientation, CGXGridWnd &grid)
    : QHeaderView(orientation, &grid), grid_(grid)
{
    setSectionsClickable(true);
    setHighlightSections(false);
    setMinimumSectionSize(1);
    connect(this, &QHeaderView::sectionClicked, this, [this](int logicalIndex) {
        if (this->orientation() == Qt::Horizontal)
            grid_.clickHeader(0, logicalIndex + 1);
        else
            grid_.clickHeader(logicalIndex + 1, 0);
    });
}

QSize CGXHeaderView::sizeHint() const
{
    QSize size = QHeaderView::sizeHint();
    if (orientation() == Qt::Horizontal)
        size.setHeight(grid_.GetRowHeight(0));
    else
        size.setWidth(grid_.GetColWidth(0));
    return size;
}

void CGXHeaderView::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    const bool horizontal = orientation() == Qt::Horizontal;
    const int row = horizontal ? 0 : logicalIndex + 1;
    const int col = horizontal ? logicalIndex + 1 : 0;
    CellLook look;
    look.header = true;
    if (!horizontal)
        look.fallbackText = QString::number(row);
    paintGridCell(*painter, rect, grid_.cell(row, col), grid_, look);
}

} // namespace tarvex
