// The read-only SQLite connection to one catalogue file.
//
// The catalogue files keep their historical *.mdb names but hold SQLite
// databases, so a file is recognised by its content: it must exist, start
// with the SQLite header and carry the Parameter and Provided_Servo tables
// with every column the queries read. Anything else is refused at opening
// with a CatalogueFault, before a single query runs.
#pragma once

#include "database/src/catalogue_fault.h"

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

namespace vq::db {

// One prepared statement; the columns of a "SELECT *" are found by name,
// as the catalogue's column order is not fixed.
class Statement {
public:
    Statement(sqlite3 *connection, const std::string &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // Advances to the next row: true on a row, false at the end; a failure
    // throws CatalogueFault.
    bool next();

    // Index of the result column `name` (case-insensitive, as SQL names are);
    // throws CatalogueFault when the result has no such column.
    int column(std::string_view name) const;

    sqlite3_stmt *handle() const { return statement_; }

private:
    sqlite3 *connection_;
    sqlite3_stmt *statement_ = nullptr;
};

class CatalogueConnection {
public:
    // Opens `utf8Path` read-only and checks that it is a catalogue. Returns
    // null only when the engine cannot even create a connection (out of
    // memory); an unusable file throws CatalogueFault. Never creates a file.
    static std::unique_ptr<CatalogueConnection> open(const std::string &utf8Path);

    ~CatalogueConnection();
    CatalogueConnection(const CatalogueConnection &) = delete;
    CatalogueConnection &operator=(const CatalogueConnection &) = delete;

    sqlite3 *handle() const { return connection_; }

private:
    explicit CatalogueConnection(sqlite3 *connection) : connection_(connection) {}
    void checkSchema() const;

    sqlite3 *connection_;
};

// Longest cell the library accepts (bytes); a longer one fails its query
// with "string or blob too big" instead of being copied.
inline constexpr int kMaxCellBytes = 64 * 1024;

} // namespace vq::db
