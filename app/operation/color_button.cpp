#include "app/operation/color_button.h"

#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <qdrawutil.h>

CColorButton::CColorButton(const QString &text, QWidget *parent) : QPushButton(text, parent) {}

void CColorButton::setBackgroundColor(const QColor &color)
{
    background_ = color;
    update();
}

void CColorButton::setTextColor(const QColor &color)
{
    text_ = color;
    update();
}

void CColorButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, background_);
    qDrawShadePanel(&p, r, palette(), isDown(), 2);
    p.setPen(text_);
    p.drawText(r.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = r.adjusted(4, 4, -4, -4);
        focus.backgroundColor = background_;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
    }
}
