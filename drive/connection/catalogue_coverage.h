// Whether the parameter catalogue's texts can be drawn: a catalogue edition
// whose names and units come out as empty boxes is worse than the other
// edition. Free of widgets and fonts: what can be drawn is asked of a
// predicate (the frame gives it the application font's coverage).
#pragma once

#include "drive/connection/database_library.h"

#include <functional>
#include <string>
#include <string_view>

namespace tarvex {

// Whether one character (a Unicode code point) can be drawn.
using CharacterCoverage = std::function<bool(char32_t)>;

// The characters of `text` that `canDraw` refuses, each once, in the order
// they first appear. Blanks and control characters draw nothing and are
// not asked about; an unpaired surrogate is a damaged text, not a font's
// fault, and is skipped too. At most `limit` characters are collected.
std::u32string undrawableCharacters(std::u16string_view text, const CharacterCoverage &canDraw,
                                    std::size_t limit = 16);

// The texts the parameter window shows of the open catalogue: every
// group's name and every parameter's name and unit, one per line.
std::u16string catalogueDisplayTexts(const DatabaseLibrary &database);

} // namespace tarvex
