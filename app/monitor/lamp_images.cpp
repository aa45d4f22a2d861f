#include "app/monitor/lamp_images.h"

#include "app/ui/grid/cgx_bitmaps.h"

#include <QPainter>
#include <QSvgRenderer>

namespace tarvex {

namespace {

// Rendered once at twice the cell size so it stays crisp when scaled down.
QPixmap renderLamp(const QString &resource)
{
    QPixmap image(32, 32);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

} // namespace

void registerLampImages()
{
    if (CGXBitmaps::find(QStringLiteral("RED")))
        return;
    CGXBitmaps::add(QStringLiteral("RED"), renderLamp(QStringLiteral(":/monitor/lamp_red.svg")));
    CGXBitmaps::add(QStringLiteral("BLACK"),
                    renderLamp(QStringLiteral(":/monitor/lamp_black.svg")));
}

} // namespace tarvex
