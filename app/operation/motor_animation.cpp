#include "app/operation/motor_animation.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarvex {

CMotorAnimation::CMotorAnimation(QWidget *parent) : QWidget(parent)
{
    m_timer.setInterval(kFrameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_frame = (m_frame + 1) % kFrameCount;
        update();
    });
    setMinimumSize(96, 64);
}

void CMotorAnimation::Open()
{
    m_timer.stop();
    m_frame = 0;
    update();
}

void CMotorAnimation::Play()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void CMotorAnimation::Stop() { m_timer.stop(); }

void CMotorAnimation::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), palette().window());

    // The motor keeps its proportions in the middle of whatever room it
    // has: body, flange, shaft and disc span 6.3 units side by side.
    constexpr double kSpan = 6.3;
    const double unit = std::min(width() / (kSpan + 0.3), height() / 4.0);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const QRectF body((width() - kSpan * unit) / 2.0, centre.y() - 1.4 * unit, 3.2 * unit, 2.8 * unit);
    const QRectF flange(body.right(), centre.y() - 1.6 * unit, 0.5 * unit, 3.2 * unit);
    const QRectF shaft(flange.right(), centre.y() - 0.25 * unit, 0.9 * unit, 0.5 * unit);

    painter.setPen(QPen(QColor(50, 50, 55), 1.5));
    painter.setBrush(QColor(95, 100, 110));
    painter.drawRoundedRect(body, 0.3 * unit, 0.3 * unit);
    // cooling ribs
    painter.setPen(QPen(QColor(70, 74, 82), 1));
    for (int i = 1; i < 6; ++i) {
        const double x = body.left() + body.width() * i / 6.0;
        painter.drawLine(QPointF(x, body.top() + 3), QPointF(x, body.bottom() - 3));
    }
    painter.setPen(QPen(QColor(50, 50, 55), 1.5));
    painter.setBrush(QColor(130, 135, 145));
    painter.drawRect(flange);
    painter.setBrush(QColor(190, 192, 198));
    painter.drawRect(shaft);

    // The disc on the shaft end, seen face on beside the motor, with a
    // marker that turns one step per frame.
    const QPointF hub(shaft.right() + 0.9 * unit, centre.y());
    const double radius = 0.8 * unit;
    painter.setBrush(QColor(225, 228, 232));
    painter.drawEllipse(hub, radius, radius);
    const double angle = 2.0 * std::numbers::pi * m_frame / kFrameCount;
    const QPointF marker(hub.x() + 0.6 * radius * std::cos(angle),
                         hub.y() + 0.6 * radius * std::sin(angle));
    painter.setPen(QPen(isPlaying() ? QColor(210, 40, 30) : QColor(110, 60, 55), 0.22 * unit,
                        Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(hub, marker);
}

} // namespace tarvex
