// Named images that cells show when their value is #bmp("NAME"), for
// example the red and black lamps of the input and output panes.
#pragma once

#include <QPixmap>
#include <QString>

#include <optional>

namespace tarvex {

class CGXBitmaps {
public:
    static void add(const QString &name, const QPixmap &image);
    static std::optional<QPixmap> find(const QString &name);
    // The image name of a cell value such as #bmp("RED") or #BMP(RED);
    // nullopt for any other text.
    static std::optional<QString> nameInValue(const QString &value);
};

} // namespace tarvex
