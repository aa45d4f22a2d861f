#include "database/generator/catalogue_writer.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace vq::catalogue {

namespace {

constexpr const char *kSchema = R"sql(
CREATE TABLE Parameter (
  Param_ID INTEGER PRIMARY KEY,
  Servo_ID TEXT NOT NULL,
  Param_Group_ID INTEGER NOT NULL,
  Param_Group_Name TEXT NOT NULL,
  Param_Name TEXT NOT NULL,
  Param_Value TEXT NOT NULL,
  Param_Unit TEXT NOT NULL,
  Param_Max_Value TEXT NOT NULL,
  Param_Min_Value TEXT NOT NULL,
  Param_Address INTEGER NOT NULL,
  Param_DataType INTEGER NOT NULL,
  Param_Bit_Type INTEGER NOT NULL,
  Param_Change INTEGER NOT NULL,
  Param_Num TEXT NOT NULL
);
CREATE INDEX Parameter_By_Group ON Parameter (Param_Group_ID, Param_ID);
CREATE TABLE Provided_Servo (
  Servo_ID TEXT PRIMARY KEY,
  Servo_Name TEXT NOT NULL,
  Param_Group_Cnt INTEGER NOT NULL
);
)sql";

struct ConnectionCloser {
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;
using Prepared = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

void check(sqlite3 *db, int rc, const char *what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE)
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

void execute(sqlite3 *db, const char *sql)
{
    check(db, sqlite3_exec(db, sql, nullptr, nullptr, nullptr), sql);
}

Prepared prepare(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *raw = nullptr;
    check(db, sqlite3_prepare_v2(db, sql, -1, &raw, nullptr), sql);
    return Prepared(raw);
}

void bindText(sqlite3 *db, sqlite3_stmt *s, int index, const std::string &value)
{
    check(db, sqlite3_bind_text(s, index, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT), "bind");
}

void bindInt(sqlite3 *db, sqlite3_stmt *s, int index, int value)
{
    check(db, sqlite3_bind_int(s, index, value), "bind");
}

void insertParameters(sqlite3 *db, const std::vector<ParameterRow> &rows)
{
    const Prepared insert = prepare(db,
        "INSERT INTO Parameter (Param_ID, Servo_ID, Param_Group_ID, Param_Group_Name, Param_Name, Param_Value, "
        "Param_Unit, Param_Max_Value, Param_Min_Value, Param_Address, Param_DataType, Param_Bit_Type, "
        "Param_Change, Param_Num) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)");
    sqlite3_stmt *s = insert.get();
    for (const ParameterRow &row : rows) {
        bindInt(db, s, 1, row.id);
        bindText(db, s, 2, row.subIndex);
        bindInt(db, s, 3, row.group);
        bindText(db, s, 4, row.groupName);
        bindText(db, s, 5, row.name);
        bindText(db, s, 6, row.defaultValue);
        bindText(db, s, 7, row.unit);
        bindText(db, s, 8, row.maxValue);
        bindText(db, s, 9, row.minValue);
        bindInt(db, s, 10, row.address);
        bindInt(db, s, 11, row.dataType);
        bindInt(db, s, 12, row.bitType);
        bindInt(db, s, 13, row.change);
        bindText(db, s, 14, row.number);
        check(db, sqlite3_step(s), "insert parameter");
        sqlite3_reset(s);
    }
}

void insertServos(sqlite3 *db, const std::vector<ServoRow> &rows)
{
    const Prepared insert =
        prepare(db, "INSERT INTO Provided_Servo (Servo_ID, Servo_Name, Param_Group_Cnt) VALUES (?1, ?2, ?3)");
    sqlite3_stmt *s = insert.get();
    for (const ServoRow &row : rows) {
        bindText(db, s, 1, row.id);
        bindText(db, s, 2, row.name);
        bindInt(db, s, 3, row.groupCount);
        check(db, sqlite3_step(s), "insert drive model");
        sqlite3_reset(s);
    }
}

} // namespace

void writeCatalogue(const std::string &path, const std::vector<ParameterRow> &parameters,
                    const std::vector<ServoRow> &servos)
{
    namespace fs = std::filesystem;
    const std::string partial = path + ".partial";
    fs::remove(partial);
    {
        sqlite3 *raw = nullptr;
        const int rc = sqlite3_open_v2(partial.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        const Connection db(raw);
        if (rc != SQLITE_OK)
            throw std::runtime_error(partial + ": " + (raw ? sqlite3_errmsg(raw) : "cannot create"));
        execute(db.get(), kSchema);
        execute(db.get(), "BEGIN");
        insertParameters(db.get(), parameters);
        insertServos(db.get(), servos);
        execute(db.get(), "COMMIT");
    }
    fs::rename(partial, path);
}

} // namespace vq::catalogue
