// The "RED" (signal on) and "BLACK" (signal off) lamp images of the input
// and output panes, registered with the grid so lamp cells can name them.
#pragma once

#include <QString>

namespace tarvex {

inline const QString kLampOn = QStringLiteral("#bmp(\"RED\")");
inline const QString kLampOff = QStringLiteral("#bmp(\"BLACK\")");

// Renders the lamp images and registers them; safe to call more than once.
void registerLampImages();

} // namespace tarvex
