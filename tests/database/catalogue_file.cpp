#include "tests/database/catalogue_file.h"

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace vq::test {

namespace {

struct Closer {
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};
struct Finalizer {
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};

std::unique_ptr<sqlite3_stmt, Finalizer> prepare(sqlite3 *db, const std::string &sql)
{
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
        sqlite3_finalize(s);
        throw std::runtime_error(sql + ": " + sqlite3_errmsg(db));
    }
    return std::unique_ptr<sqlite3_stmt, Finalizer>(s);
}

std::string text(sqlite3_stmt *s, int column)
{
    const unsigned char *t = sqlite3_column_text(s, column);
    return t ? std::string(reinterpret_cast<const char *>(t), static_cast<std::size_t>(sqlite3_column_bytes(s, column)))
             : std::string();
}

std::vector<CatalogueColumn> columnsOf(sqlite3 *db, const std::string &table)
{
    std::vector<CatalogueColumn> columns;
    const auto s = prepare(db, "PRAGMA table_info(" + table + ")");
    while (sqlite3_step(s.get()) == SQLITE_ROW)
        columns.push_back({text(s.get(), 1), text(s.get(), 2)});
    return columns;
}

// Storage class expected of each column: integer columns hold integers,
// text columns texts.
void checkCellTypes(sqlite3 *db, const std::string &table, const std::vector<CatalogueColumn> &columns,
                    std::vector<std::string> &faults)
{
    for (const CatalogueColumn &c : columns) {
        const std::string wanted = c.declaredType == "INTEGER" ? "integer" : "text";
        const auto s = prepare(db, "SELECT COUNT(*) FROM " + table + " WHERE typeof(" + c.name + ") <> '" + wanted + "'");
        if (sqlite3_step(s.get()) == SQLITE_ROW && sqlite3_column_int64(s.get(), 0) != 0)
            faults.push_back(table + "." + c.name + " has cells that are not " + wanted);
    }
}

} // namespace

CatalogueFile readCatalogueFile(const std::string &path)
{
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, Closer> db(raw);
    if (rc != SQLITE_OK)
        throw std::runtime_error(path + ": " + (raw ? sqlite3_errmsg(raw) : "cannot open"));

    CatalogueFile file;
    file.parameterColumns = columnsOf(db.get(), "Parameter");
    file.servoColumns = columnsOf(db.get(), "Provided_Servo");
    checkCellTypes(db.get(), "Parameter", file.parameterColumns, file.cellTypeFaults);
    checkCellTypes(db.get(), "Provided_Servo", file.servoColumns, file.cellTypeFaults);

    const auto rows = prepare(db.get(),
        "SELECT Param_ID, Servo_ID, Param_Group_ID, Param_Group_Name, Param_Name, Param_Value, Param_Unit, "
        "Param_Max_Value, Param_Min_Value, Param_Address, Param_DataType, Param_Bit_Type, Param_Change, Param_Num "
        "FROM Parameter ORDER BY Param_ID ASC");
    while (sqlite3_step(rows.get()) == SQLITE_ROW) {
        sqlite3_stmt *s = rows.get();
        CatalogueRow r;
        r.id = sqlite3_column_int64(s, 0);
        r.subIndex = text(s, 1);
        r.group = sqlite3_column_int64(s, 2);
        r.groupName = text(s, 3);
        r.name = text(s, 4);
        r.defaultValue = text(s, 5);
        r.unit = text(s, 6);
        r.maxValue = text(s, 7);
        r.minValue = text(s, 8);
        r.address = sqlite3_column_int64(s, 9);
        r.dataType = sqlite3_column_int64(s, 10);
        r.bitType = sqlite3_column_int64(s, 11);
        r.change = sqlite3_column_int64(s, 12);
        r.number = text(s, 13);
        auto &group = file.groups[r.group];
        r.position = static_cast<int>(group.size());
        group.push_back(r);
        file.rows.push_back(std::move(r));
    }

    const auto servos = prepare(db.get(), "SELECT Servo_ID, Servo_Name, Param_Group_Cnt FROM Provided_Servo ORDER BY Servo_ID");
    while (sqlite3_step(servos.get()) == SQLITE_ROW)
        file.servos.push_back({text(servos.get(), 0), text(servos.get(), 1), sqlite3_column_int64(servos.get(), 2)});
    return file;
}

} // namespace vq::test
