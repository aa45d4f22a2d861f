// What the program's font can draw, with the fallback fonts the text
// engine would take for a character the font itself lacks: a character is
// drawable when laying it out yields real glyphs, not the empty box.
#pragma once

#include "drive/connection/catalogue_coverage.h"

class QFont;

namespace tarvex {

CharacterCoverage fontCoverage(const QFont &font);

} // namespace tarvex
