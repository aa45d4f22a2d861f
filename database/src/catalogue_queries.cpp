#include "database/src/catalogue_queries.h"

#include "database/src/cell_values.h"

#include <cstdio>
#include <string>

namespace vq::db {

namespace {

constexpr char kUncountedNumber = '-';

// The rows of one group in catalogue order.
std::string groupRowsSql(int group)
{
    char sql[96];
    std::snprintf(sql, sizeof sql, "SELECT * FROM Parameter WHERE Param_Group_ID = %d ORDER BY Param_ID ASC", group);
    return sql;
}

int readCount(const CatalogueConnection &catalogue, const std::string &sql)
{
    Statement statement(catalogue.handle(), sql);
    const int column = statement.column("CNT");
    if (!statement.next())
        throw CatalogueFault("no current record", "the count query returned no row");
    return low32Signed(integerCell(statement.handle(), column));
}

// Column indices of a Parameter row, looked up once per query.
struct ParameterColumns {
    explicit ParameterColumns(const Statement &s)
        : id(s.column("Param_ID")), servo(s.column("Servo_ID")), group(s.column("Param_Group_ID")),
          groupName(s.column("Param_Group_Name")), name(s.column("Param_Name")), value(s.column("Param_Value")),
          unit(s.column("Param_Unit")), max(s.column("Param_Max_Value")), min(s.column("Param_Min_Value")),
          address(s.column("Param_Address")), dataType(s.column("Param_DataType")),
          bitType(s.column("Param_Bit_Type")), change(s.column("Param_Change")), number(s.column("Param_Num"))
    {
    }
    int id, servo, group, groupName, name, value, unit, max, min, address, dataType, bitType, change, number;
};

} // namespace

int countParametersInGroup(const CatalogueConnection &catalogue, int group)
{
    char sql[112];
    std::snprintf(sql, sizeof sql, "SELECT COUNT(*) AS CNT FROM Parameter WHERE Param_Group_ID=%d AND Param_Num <> '%c'",
                  group, kUncountedNumber);
    return readCount(catalogue, sql);
}

int firstAddressInGroup(const CatalogueConnection &catalogue, int group)
{
    Statement statement(catalogue.handle(), groupRowsSql(group));
    const int address = statement.column("Param_Address");
    if (!statement.next())
        throw CatalogueFault("no current record", "parameter group " + std::to_string(group) + " has no rows");
    return low16(integerCell(statement.handle(), address));
}

int countAllParameters(const CatalogueConnection &catalogue)
{
    char sql[80];
    std::snprintf(sql, sizeof sql, "SELECT COUNT(*) AS CNT FROM Parameter WHERE Param_Num <> '%c'", kUncountedNumber);
    return readCount(catalogue, sql);
}

void readParameterList(const CatalogueConnection &catalogue, int group, ParameterAttribute *records, int capacity)
{
    Statement statement(catalogue.handle(), groupRowsSql(group));
    const ParameterColumns c(statement);
    sqlite3_stmt *row = statement.handle();
    for (int i = 0; i < capacity && statement.next(); ++i) {
        ParameterAttribute &r = records[i];
        r.Param_ID = low16Signed(integerCell(row, c.id));
        r.Servo_ID = textCell(row, c.servo);
        r.Param_Group_ID = low16Signed(integerCell(row, c.group));
        r.Param_Group_Name = textCell(row, c.groupName);
        r.Param_Name = textCell(row, c.name);
        r.Param_Value = textCell(row, c.value);
        r.Param_Unit = textCell(row, c.unit);
        r.Param_Max_Value = textCell(row, c.max);
        r.Param_Min_Value = textCell(row, c.min);
        r.Param_Address = low16(integerCell(row, c.address));
        r.Param_DataType = low8(integerCell(row, c.dataType));
        r.Param_Bit_Type = low8(integerCell(row, c.bitType));
        r.Param_Change = low8(integerCell(row, c.change));
        r.Param_Num = textCell(row, c.number);
    }
}

int countServos(const CatalogueConnection &catalogue)
{
    return readCount(catalogue, "SELECT COUNT(*) AS CNT FROM Provided_Servo");
}

void readServoList(const CatalogueConnection &catalogue, ServoAttribute *records, int capacity)
{
    Statement statement(catalogue.handle(), "SELECT * FROM Provided_Servo ORDER BY Servo_ID ASC");
    const int id = statement.column("Servo_ID");
    const int name = statement.column("Servo_Name");
    const int groupCount = statement.column("Param_Group_Cnt");
    sqlite3_stmt *row = statement.handle();
    for (int i = 0; i < capacity && statement.next(); ++i) {
        ServoAttribute &r = records[i];
        r.Servo_ID = textCell(row, id);
        r.Servo_Name = textCell(row, name);
        r.Param_Group_Cnt = low16Signed(integerCell(row, groupCount));
    }
}

} // namespace vq::db
