// The parameter window's layout is drawn in dialog units: a quarter of the
// dialog font's average character width across, an eighth of its height
// down. The window's 8-point dialog font averages 6 by 13 pixels.
#pragma once

#include <QRect>
#include <QSize>

#include <cmath>

namespace tarvex::parameters {

inline int duX(int units) { return static_cast<int>(std::lround(units * 1.5)); }
inline int duY(int units) { return static_cast<int>(std::lround(units * 1.625)); }
inline QRect duRect(int x, int y, int width, int height)
{
    return {duX(x), duY(y), duX(width), duY(height)};
}
inline QSize duSize(int width, int height) { return {duX(width), duY(height)}; }

} // namespace tarvex::parameters
