// Reading catalogue cells into the record fields.
//
// The catalogue is outside data: a cell declared INTEGER may hold a huge or
// negative number, a real, a text or nothing at all. Every numeric field is
// therefore read as a 64-bit integer first (with a defined result for every
// storage class) and then cut to the field's width by keeping its low bits,
// the way a 16-bit register field takes a wider value.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

namespace vq::db {

// NULL and BLOB give 0; REAL is truncated towards zero and saturated to the
// 64-bit range; TEXT is read by SQLite's own integer conversion (leading
// digits, saturating).
std::int64_t integerCell(sqlite3_stmt *statement, int column);

// Truncation towards zero, saturating at the 64-bit limits; NaN gives 0.
std::int64_t saturatingTruncate(double value);

constexpr std::uint16_t low16(std::int64_t value)
{
    return static_cast<std::uint16_t>(static_cast<std::uint64_t>(value) & 0xFFFFu);
}

constexpr std::int16_t low16Signed(std::int64_t value)
{
    return static_cast<std::int16_t>(low16(value));
}

constexpr std::uint8_t low8(std::int64_t value)
{
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) & 0xFFu);
}

constexpr std::int32_t low32Signed(std::int64_t value)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) & 0xFFFFFFFFu));
}

// The cell as UTF-16; NULL gives an empty text, malformed UTF-8 is repaired
// with U+FFFD (see utf_text.h).
std::u16string textCell(sqlite3_stmt *statement, int column);

} // namespace vq::db
