// Paints the body cells of a grid from their styles; editing of edit cells
// is left to the standard line editor.
#pragma once

#include <QStyledItemDelegate>

namespace tarvex {

class CGXGridWnd;

class CGXCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit CGXCellDelegate(CGXGridWnd &grid);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    CGXGridWnd &grid_;
};

} // namespace tarvex
