// Every number the program reads from typed text or from its own files, and
// every number it writes into a pane, grid or file, passes through here. A
// text is taken only when the whole of it is a number of the kind asked for
// (blanks around it allowed): a text that merely starts with digits ("12a",
// "1O0") or holds nothing is refused instead of becoming some other value.
// Numbers are written with a full stop as decimal separator whatever the
// user's locale, so panes, grids and files read the same everywhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvex {

// A decimal integer: optional sign, digits, nothing else.
std::optional<std::int64_t> strictDecimal(std::string_view text);

// The same, limited to the signed 16-bit range of a drive register.
std::optional<std::int16_t> strictSigned16(std::string_view text);

// A hexadecimal number: an optional "0x", then hexadecimal digits only.
std::optional<std::uint32_t> strictHex(std::string_view text);

// Binary digits ("0" and "1" only), at most `maxDigits` of them, read most
// significant first: "101" gives 5.
std::optional<std::uint32_t> strictBinaryDigits(std::string_view text, std::size_t maxDigits);

// A decimal number with an optional fraction after a full stop ("12", "-0.5").
std::optional<double> strictReal(std::string_view text);

// The lenient reading of the graph files' columns, which carry numbers
// written as "%d" or "%f": the decimal integer at the start of the text
// (leading blanks skipped, optional sign, digits up to the first other
// character, none giving 0); values beyond 32 bits saturate.
std::int32_t leadingInteger(std::string_view text);

// `value` with `decimals` digits after a full stop, rounded like "%.Nf".
std::string fixedText(double value, int decimals);

// What a box that must hold an integer within [min, max] tells the user
// when it holds anything else.
std::string integerRangeMessage(std::int64_t min, std::int64_t max);

} // namespace tarvex
