// The upgrader's pictures, painted at run time: the window icon, the logo
// band at the top of the window and the warning sign of the caution window.
#pragma once

#include <QIcon>
#include <QPixmap>

QIcon upgraderIcon();
QPixmap upgraderLogo(const QSize &size);
QPixmap cautionSign(int side);
