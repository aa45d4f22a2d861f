// Typed numbers the operation tools write to the drive are taken only when
// the whole text is a decimal integer: blanks around it are allowed, an
// optional sign, digits, nothing else. A text that merely starts with
// digits ("12a") or holds nothing is refused instead of becoming some
// other value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvex {

std::optional<std::int64_t> strictDecimal(std::string_view text);

// The same, limited to the signed 16-bit range of a drive register.
std::optional<std::int16_t> strictSigned16(std::string_view text);

// What a box that must hold an integer within [min, max] tells the user
// when it holds anything else.
std::string integerRangeMessage(std::int64_t min, std::int64_t max);

} // namespace tarvex
