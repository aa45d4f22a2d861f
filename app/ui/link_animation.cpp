#include "app/ui/link_animation.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace tarvex {

CLinkAnimation::CLinkAnimation(QWidget *parent) : QWidget(parent)
{
    timer_.setInterval(kFrameIntervalMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % kFrameCount;
        update();
    });
    setMinimumSize(160, 100);
}

void CLinkAnimation::Open()
{
    timer_.stop();
    frame_ = 0;
    update();
}

void CLinkAnimation::Play()
{
    if (!timer_.isActive())
        timer_.start();
}

void CLinkAnimation::Stop() { timer_.stop(); }

void CLinkAnimation::drawComputer(QPainter &painter, const QRectF &area) const
{
    const QRectF screen(area.left(), area.top(), area.width(), area.height() * 0.68);
    painter.setPen(QPen(QColor(70, 70, 80), 2));
    painter.setBrush(QColor(215, 218, 224));
    painter.drawRoundedRect(screen, 4, 4);
    painter.setBrush(isPlaying() ? QColor(40, 110, 190) : QColor(60, 64, 72));
    painter.drawRect(screen.adjusted(6, 6, -6, -6));
    painter.setBrush(QColor(190, 193, 200));
    const QRectF stand(area.center().x() - area.width() * 0.12, screen.bottom(),
                       area.width() * 0.24, area.height() * 0.14);
    painter.drawRect(stand);
    painter.drawRoundedRect(QRectF(area.left() + area.width() * 0.12, stand.bottom(),
                                   area.width() * 0.76, area.height() * 0.12),
                            3, 3);
}

void CLinkAnimation::drawDrive(QPainter &painter, const QRectF &area) const
{
    painter.setPen(QPen(QColor(50, 50, 55), 2));
    painter.setBrush(QColor(88, 92, 100));
    painter.drawRoundedRect(area, 4, 4);
    // heat sink fins
    painter.setPen(QPen(QColor(60, 62, 68), 1));
    for (int i = 1; i < 6; ++i) {
        const double y = area.top() + area.height() * (0.55 + 0.07 * i);
        painter.drawLine(QPointF(area.left() + 5, y), QPointF(area.right() - 5, y));
    }
    // display and status lamp
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 24, 20));
    const QRectF display(area.left() + 6, area.top() + 8, area.width() - 12, area.height() * 0.2);
    painter.drawRect(display);
    painter.setPen(isPlaying() ? QColor(255, 70, 50) : QColor(110, 40, 30));
    QFont digits = font();
    digits.setPixelSize(static_cast<int>(display.height() * 0.7));
    digits.setBold(true);
    painter.setFont(digits);
    painter.drawText(display, Qt::AlignCenter, QStringLiteral("M9A"));
    painter.setPen(Qt::NoPen);
    painter.setBrush(isPlaying() ? QColor(80, 220, 90) : QColor(40, 70, 40));
    painter.drawEllipse(QPointF(area.center().x(), area.top() + area.height() * 0.4), 4, 4);
}

void CLinkAnimation::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), palette().window());

    // The picture keeps its proportions and stays centred in a large pane.
    QRectF area = QRectF(rect()).adjusted(12, 12, -12, -12);
    const QSizeF picture = QSizeF(340, 190).scaled(area.size(), Qt::KeepAspectRatio);
    area = QRectF(area.center() - QPointF(picture.width() / 2, picture.height() / 2), picture);
    const double unit = std::min(area.width() / 6.0, area.height() / 2.2);
    const QRectF computer(area.left(), area.center().y() - unit * 0.9, unit * 1.7, unit * 1.7);
    const QRectF drive(area.right() - unit * 1.1, area.center().y() - unit * 1.0, unit * 1.1,
                       unit * 2.0);
    drawComputer(painter, computer);
    drawDrive(painter, drive);

    // The cable, from the back of the PC to the drive's service port.
    const QPointF from(computer.right() + 4, computer.top() + computer.height() * 0.34);
    const QPointF to(drive.left() - 4, drive.top() + drive.height() * 0.3);
    painter.setPen(QPen(QColor(40, 40, 40), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(from, to);

    // Telegrams: requests travel to the drive in the first half of the
    // loop, replies come back in the second; the first frame shows the
    // line at rest with one request waiting at the PC.
    const double phase = static_cast<double>(frame_) / kFrameCount;
    const bool request = phase < 0.5;
    const double along = request ? phase * 2.0 : (1.0 - phase) * 2.0;
    const QColor colour = request ? QColor(30, 120, 230) : QColor(235, 120, 20);
    for (int trail = 0; trail < 3; ++trail) {
        const double t = along - trail * 0.08 * (request ? 1.0 : -1.0);
        if (t < 0.0 || t > 1.0)
            continue;
        const QPointF at = from + (to - from) * t;
        QColor c = colour;
        c.setAlphaF(static_cast<float>(1.0 - trail * 0.32));
        painter.setPen(Qt::NoPen);
        painter.setBrush(c);
        painter.drawRoundedRect(QRectF(at.x() - 7, at.y() - 5, 14, 10), 2, 2);
    }
}

} // namespace tarvex
