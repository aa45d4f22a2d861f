// Drawing one grid cell from its style; shared by the body cells and the
// header cells so both look alike.
#pragma once

#include "app/ui/grid/cgx_style.h"

#include <QFont>
#include <QRect>

class QPainter;
class QWidget;

namespace tarvex {

struct CellLook {
    bool header = false;
    bool selected = false;
    QString fallbackText; // shown when the cell has no value (row numbers of the header column)
};

void paintGridCell(QPainter &painter, const QRect &rect, const CGXStyle &style,
                   const QWidget &widget, const CellLook &look);

// The width a cell needs to show its whole text (and its check box) on one
// line, as paintGridCell draws it.
int cellContentWidth(const CGXStyle &style, const QWidget &widget);

// The font a cell's style asks for, based on the widget's font.
QFont cellFont(const CGXStyle &style, const QFont &base);

} // namespace tarvex
