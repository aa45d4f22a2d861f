// The header row or header column of a grid, drawn from the styles of the
// grid's row 0 or column 0 cells; a click raises the grid's header hook.
#pragma once

#include <QHeaderView>

namespace tarvex {

class CGXGridWnd;

class CGXHeaderView : public QHeaderView {
    Q_OBJECT
public:
    CGXHeaderView(Qt::Orientation orientation, CGXGridWnd &grid);

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;

private:
    CGXGridWnd &grid_;
};

} // namespace tarvex
