#include "app/parameters/parameter_window_layout.h"

#include "app/ui/grid/cgx_grid_wnd.h"
#include "app/ui/grid/cgx_painting.h"
#include "app/parameters/dialog_units.h"

#include <QHeaderView>
#include <QStyle>

#include <algorithm>

namespace tarvex::parameters {

namespace {

// Dialog units of the drawn window.
constexpr int kDrawnWidth = 587;
constexpr int kDrawnHeight = 402;
constexpr int kLeft = 8;
constexpr int kRightMargin = 20;
constexpr int kFilterTop = 50;
constexpr int kFilterHeight = 13;
constexpr int kFilterMaxWidth = 330;
constexpr int kCompareWidth = 80;
constexpr int kTabTop = 67;
constexpr int kTabBottomMargin = 21;
constexpr int kProgressBottom = 17;
constexpr int kProgressHeight = 10;
// The page inside the tab control is 6 pixels narrower than the control.
constexpr int kPageMargin = 6;

} // namespace

ParameterWindowLayout parameterWindowLayout(QSize client)
{
    const int left = duX(kLeft);
    const int width = std::max(0, client.width() - left - duX(kRightMargin));
    const int compareWidth = duX(kCompareWidth);
    ParameterWindowLayout layout;
    layout.compareButton = {left + width - compareWidth, duY(kFilterTop), compareWidth, duY(kFilterHeight)};
    layout.filterBar = {left, duY(kFilterTop),
                        std::max(0, std::min(duX(kFilterMaxWidth), width - compareWidth - duX(8))),
                        duY(kFilterHeight)};
    layout.tab = {left, duY(kTabTop), width, std::max(0, client.height() - duY(kTabTop) - duY(kTabBottomMargin))};
    layout.progress = {left, client.height() - duY(kProgressBottom), width, duY(kProgressHeight)};
    return layout;
}

QSize parameterWindowMinimumSize() { return duSize(550, 250); }

QSize parameterWindowDefaultSize(int gridWidth)
{
    const QSize drawn = duSize(kDrawnWidth, kDrawnHeight);
    const int needed = duX(kLeft) + gridWidth + kPageMargin + duX(kRightMargin);
    return {std::max(drawn.width(), needed), drawn.height()};
}

void fitColumnsToContents(CGXGridWnd &grid)
{
    for (ROWCOL c = 1; c <= grid.GetColCount(); ++c) {
        int width = grid.GetColWidth(c);
        for (ROWCOL r = 0; r <= grid.GetRowCount(); ++r)
            width = std::max(width, cellContentWidth(grid.GetStyleRowCol(r, c), grid));
        if (width != grid.GetColWidth(c))
            grid.SetColWidth(c, c, width);
    }
}

int gridWidthNeeded(const CGXGridWnd &grid)
{
    int width = 2 * grid.frameWidth();
    if (!grid.verticalHeader()->isHidden())
        width += grid.GetColWidth(0);
    for (ROWCOL c = 1; c <= grid.GetColCount(); ++c)
        if (!grid.isColumnHidden(c - 1))
            width += grid.GetColWidth(c);
    return width + grid.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &grid);
}

} // namespace tarvex::parameters
