#include "app/ui/grid/cgx_painting.h"

#include "app/ui/grid/cgx_bitmaps.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>

namespace tarvex {

QFont cellFont(const CGXStyle &style, const QFont &base)
{
    QFont font = base;
    if (style.font.size && *style.font.size > 0)
        font.setPointSize(*style.font.size);
    if (style.font.bold)
        font.setBold(*style.font.bold);
    if (style.font.face)
        font.setFamily(*style.font.face);
    return font;
}

namespace {
constexpr int kTextPadding = 4;    // each side of a cell's text
constexpr int kCheckBoxSpacing = 5; // between a check box and its label
} // namespace

int cellContentWidth(const CGXStyle &style, const QWidget &widget)
{
    int width = 2 * kTextPadding;
    QString text;
    if (style.IsCheckBox()) {
        width += widget.style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &widget) + kCheckBoxSpacing;
        text = style.choiceList.value_or(QString());
    } else if (!CGXBitmaps::nameInValue(style.GetValue())) {
        text = style.GetValue();
    }
    if (!text.isEmpty())
        width += QFontMetrics(cellFont(style, widget.font())).horizontalAdvance(text) + 1;
    return width;
}

void paintGridCell(QPainter &painter, const QRect &rect, const CGXStyle &style,
                   const QWidget &widget, const CellLook &look)
{
    const QPalette &palette = widget.palette();
    painter.save();
    const QColor background =
        style.interior ? *style.interior
                       : (look.header ? palette.button().color() : palette.base().color());
    painter.fillRect(rect, background);
    if (look.selected) {
        QColor highlight = palette.highlight().color();
        highlight.setAlpha(70);
        painter.fillRect(rect, highlight);
    }
    if (look.header) {
        painter.setPen(palette.mid().color());
        painter.drawLine(rect.topRight(), rect.bottomRight());
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    }

    const Qt::Alignment vertical = style.verticalAlignment.value_or(Qt::AlignVCenter);
    Qt::Alignment horizontal =
        style.horizontalAlignment.value_or(look.header ? Qt::AlignHCenter : Qt::AlignLeft);
    QRect content = rect.adjusted(kTextPadding, 1, -kTextPadding, -1);
    QString text;

    if (style.IsCheckBox()) {
        QStyleOptionButton box;
        const int w = widget.style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &widget);
        const int h = widget.style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, &widget);
        box.rect = QRect(content.left(), rect.top() + (rect.height() - h) / 2, w, h);
        box.state = QStyle::State_Enabled | (style.IsChecked() ? QStyle::State_On : QStyle::State_Off);
        box.palette = palette;
        widget.style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &painter, &widget);
        content.setLeft(box.rect.right() + kCheckBoxSpacing);
        text = style.choiceList.value_or(QString());
        horizontal = Qt::AlignLeft;
    } else if (const auto name = CGXBitmaps::nameInValue(style.GetValue())) {
        if (const auto image = CGXBitmaps::find(*name)) {
            const QSize size = image->size().scaled(content.size(), Qt::KeepAspectRatio);
            const QRect target(QPoint(content.left() + (content.width() - size.width()) / 2,
                                      content.top() + (content.height() - size.height()) / 2),
                               size);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawPixmap(target, *image);
        }
        painter.restore();
        return;
    } else {
        text = style.value ? *style.value : look.fallbackText;
    }

    const QFont font = cellFont(style, widget.font());
    painter.setFont(font);
    painter.setPen(style.textColor ? *style.textColor
                                   : (look.header ? palette.buttonText().color()
                                                  : palette.text().color()));
    // A text wraps onto further lines when the cell is tall enough for
    // them; otherwise it is cut short with an ellipsis rather than clipped.
    // A single word wider than the cell (a long number) would be clipped
    // silently by the wrapping and read as another number: it is elided too.
    const QFontMetrics metrics(font);
    const int flags = static_cast<int>(horizontal | vertical);
    const QRect wrapped = metrics.boundingRect(content, flags | Qt::TextWordWrap, text);
    if (wrapped.height() <= content.height() + 2 && wrapped.width() <= content.width())
        painter.drawText(content, flags | Qt::TextWordWrap, text);
    else
        painter.drawText(content, flags, metrics.elidedText(text, Qt::ElideRight, content.width()));
    painter.restore();
}

} // namespace tarvex
