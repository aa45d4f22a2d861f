#include "database/src/cell_values.h"

#include "database/src/utf_text.h"

#include <cmath>
#include <limits>
#include <new>
#include <string_view>

namespace vq::db {

std::int64_t saturatingTruncate(double value)
{
    if (std::isnan(value))
        return 0;
    // 2^63 is exactly representable; anything at or beyond it saturates.
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (value >= kTwoTo63)
        return std::numeric_limits<std::int64_t>::max();
    if (value < -kTwoTo63)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

std::int64_t integerCell(sqlite3_stmt *statement, int column)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
    case SQLITE_TEXT:
        return sqlite3_column_int64(statement, column);
    case SQLITE_FLOAT:
        return saturatingTruncate(sqlite3_column_double(statement, column));
    default: // SQLITE_NULL, SQLITE_BLOB
        return 0;
    }
}

std::u16string textCell(sqlite3_stmt *statement, int column)
{
    const unsigned char *bytes = sqlite3_column_text(statement, column);
    if (bytes == nullptr) {
        if (sqlite3_column_type(statement, column) == SQLITE_NULL)
            return {};
        throw std::bad_alloc(); // SQLite could not make the text form
    }
    const int length = sqlite3_column_bytes(statement, column);
    return text::utf8ToUtf16(std::string_view(reinterpret_cast<const char *>(bytes), static_cast<std::size_t>(length)));
}

} // namespace vq::db
