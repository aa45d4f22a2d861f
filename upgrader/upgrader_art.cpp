#include "upgrader/upgrader_art.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

void drawChip(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(QColor(30, 30, 30), r.width() / 24));
    p.setBrush(QColor(45, 90, 160));
    p.drawRoundedRect(r.adjusted(r.width() * 0.18, r.height() * 0.18, -r.width() * 0.18, -r.height() * 0.18),
                      r.width() * 0.06, r.width() * 0.06);
    p.setPen(QPen(QColor(190, 190, 190), r.width() / 20));
    for (int i = 0; i < 4; ++i) {
        const double t = r.top() + r.height() * (0.3 + 0.13 * i);
        p.drawLine(QPointF(r.left() + r.width() * 0.05, t), QPointF(r.left() + r.width() * 0.18, t));
        p.drawLine(QPointF(r.right() - r.width() * 0.18, t), QPointF(r.right() - r.width() * 0.05, t));
    }
    // An arrow into the chip: new firmware going in.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 200, 40));
    QPainterPath arrow;
    const QPointF c = r.center();
    const double s = r.width() * 0.16;
    arrow.moveTo(c.x() - s * 0.5, c.y() - s * 1.2);
    arrow.lineTo(c.x() + s * 0.5, c.y() - s * 1.2);
    arrow.lineTo(c.x() + s * 0.5, c.y());
    arrow.lineTo(c.x() + s, c.y());
    arrow.lineTo(c.x(), c.y() + s * 1.1);
    arrow.lineTo(c.x() - s, c.y());
    arrow.lineTo(c.x() - s * 0.5, c.y());
    arrow.closeSubpath();
    p.drawPath(arrow);
}

} // namespace

QIcon upgraderIcon()
{
    QIcon icon;
    for (int side : {16, 32, 48, 64}) {
        QPixmap pm(side, side);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        drawChip(p, QRectF(0, 0, side, side));
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

QPixmap upgraderLogo(const QSize &size)
{
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, size.width(), 0);
    band.setColorAt(0, QColor(20, 45, 90));
    band.setColorAt(1, QColor(60, 110, 170));
    p.fillRect(pm.rect(), band);
    drawChip(p, QRectF(8, 4, size.height() - 8, size.height() - 8));
    QFont title = p.font();
    title.setBold(true);
    title.setPixelSize(size.height() / 3);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(size.height() + 8, 0, size.width() - size.height() - 16, size.height() * 2 / 3),
               Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("M9 Upgrader"));
    QFont small = p.font();
    small.setBold(false);
    small.setPixelSize(size.height() / 6);
    p.setFont(small);
    p.setPen(QColor(210, 225, 245));
    p.drawText(QRect(size.height() + 8, size.height() * 2 / 3, size.width() - size.height() - 16, size.height() / 3),
               Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Servo drive firmware download"));
    p.end();
    return pm;
}

QPixmap cautionSign(int side)
{
    QPixmap pm(side, side);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath triangle;
    triangle.moveTo(side / 2.0, side * 0.06);
    triangle.lineTo(side * 0.96, side * 0.9);
    triangle.lineTo(side * 0.04, side * 0.9);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(40, 40, 40), side / 24.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(255, 205, 0));
    p.drawPath(triangle);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 30, 30));
    p.drawRoundedRect(QRectF(side * 0.46, side * 0.3, side * 0.08, side * 0.36), side * 0.03, side * 0.03);
    p.drawEllipse(QPointF(side / 2.0, side * 0.76), side * 0.05, side * 0.05);
    p.end();
    return pm;
}
